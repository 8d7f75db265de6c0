// solwire-cli log: the unattended logger, or one sample now, on the direct
// line or through a modem.
#include "cli/commands.h"
#include "cli/dial_option.h"
#include "cli/duration_option.h"
#include "cli/language_option.h"
#include "cli/modem_logger.h"
#include "cli/modem_port.h"
#include "cli/session_port.h"
#include "cli/stop_signals.h"
#include "cli/unattended_logger.h"
#include "store/rich_text_file.h"
#include "store/write_target.h"

namespace solwire::cli {

namespace {

constexpr int kMaxRateHours = 48;
constexpr std::chrono::seconds kShortestInterval{10};

constexpr const char* kLogUsage =
    "usage: solwire-cli log {--port COMn|PATH [--baud B] | --modem COMn|PATH --dial NUMBER [--pulse]\n"
    "         [--setup STRING]} --site N --file FILE [--rate HOURS | --every DURATION]\n"
    "         [--lang en|fr|zh] [--csv CSVFILE] [--once]\n"
    "B is 110, 300, 600, 1200 or 2400; N is 0..31; HOURS is 1..48 (default 2); DURATION is a whole\n"
    "number of seconds, minutes or hours, 10s at least (45s, 15m, 2h); PATH \"sim\" is the built-in\n"
    "simulated line, \"sim-modem\" the built-in simulated modem\n";

// --port or --modem with --dial, and only the options that go with the one given.
bool linkOptionsFit(const Arguments& args) {
  const auto port = args.option("--port");
  const auto modem = args.option("--modem");
  const auto dial = args.option("--dial");
  const bool modemOnly = dial || args.has("--pulse") || args.option("--setup");
  if (port && !modem) return !port->empty() && !modemOnly;
  if (modem && !port) return !modem->empty() && dial && !dial->empty() && !args.option("--baud");
  return false;
}

std::optional<LoggerOptions> parseLog(const Arguments& args, std::ostream& err) {
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  const auto file = args.option("--file");
  const auto rate = parseInteger(args.option("--rate").value_or("2"), 1, kMaxRateHours);
  const auto everyText = args.option("--every");
  const auto every = everyText ? parseDuration(*everyText) : std::nullopt;
  const auto language = languageOption(args.option("--lang").value_or("en"));
  const auto csv = args.option("--csv");
  const bool scheduleFits =
      !(args.option("--rate") && everyText) && (!everyText || (every && *every >= kShortestInterval));
  std::string problem;
  if (!linkOptionsFit(args))
    problem = "give --port, or --modem with --dial, and only the options that go with the one given";
  else if (!site)
    problem = "--site is not a site number 0..31";
  else if (!baud)
    problem = "--baud is not one of the line's speeds";
  else if (!file || file->empty())
    problem = "--file is missing";
  else if (!rate)
    problem = "--rate is not a whole number of hours 1.." + std::to_string(kMaxRateHours);
  else if (!scheduleFits)
    problem = "--every is not a duration of 10 s or more, or is given with --rate";
  else if (!language)
    problem = "--lang is not en, fr or zh";
  else if (csv && csv->empty())
    problem = "--csv is empty";
  if (!problem.empty()) {
    err << "solwire-cli log: " << problem << '\n' << kLogUsage;
    return std::nullopt;
  }
  LoggerOptions options;
  options.session = {args.option("--port").value_or(""), *baud, *site};
  if (const auto modem = args.option("--modem")) {
    const auto dialled = dialOption("log", *args.option("--dial"), err);
    if (!dialled) {
      err << kLogUsage;
      return std::nullopt;
    }
    options.modem = ModemDialOptions{*modem, *dialled, args.has("--pulse"), args.option("--setup"), *site};
  }
  options.rateHours = *rate;
  options.every = every;
  options.logFile = *file;
  options.language = *language;
  if (csv) options.csvFile = *csv;
  return options;
}

// With --once the signals are taken over too: a stop lets the sample under
// way finish (its entry and row written, its call hung up) instead of
// killing the process in the middle of it.
// A file that cannot take the sample (a folder, a FIFO, one that may not be
// written, one in a folder that is not there) is found before a call is paid
// for, not after it.
std::optional<std::string> unwritableLogFile(const LoggerOptions& options) {
  std::vector<std::filesystem::path> files{options.logFile};
  if (options.csvFile) files.push_back(*options.csvFile);
  for (const std::filesystem::path& file : files) {
    try {
      const WriteTarget target = examineWriteTarget(file);
      refuseUnwritableTarget(file, target);
      const std::filesystem::path folder = target.path.parent_path();
      if (target.kind == WriteTargetKind::Missing && !folder.empty() && !std::filesystem::is_directory(folder))
        return file.string() + ": the folder " + folder.string() + " does not exist";
    } catch (const RichTextFileError& error) {
      return error.path().string() + ": " + error.reason();
    }
  }
  return std::nullopt;
}

int logThroughModem(const LoggerOptions& options, bool once, std::ostream& out, std::ostream& err) {
  const StopSignals signals;
  const ModemPort port(options.modem->modemPort);
  const LoggerEnvironment environment{port.registry(), out, err};
  if (once) {
    if (const auto problem = unwritableLogFile(options)) {
      err << "solwire-cli log: " << *problem << "; nothing dialled\n";
      return kExitFailed;
    }
    return exitStatusOf(ModemLogger(options, environment).sampleNow());
  }
  ModemLogger logger(options, environment);
  logger.run([&signals] { return signals.received(); });
  return kExitOk;
}

int logOnDirectLine(const LoggerOptions& options, bool once, std::ostream& out, std::ostream& err) {
  // Taken over before the first tick, which may already issue a reading.
  const StopSignals signals;
  const SessionPort port(options.session);
  const LoggerEnvironment environment{port.registry(), out, err};
  if (once) return exitStatusOf(UnattendedLogger(options, environment, false).sampleNow());
  UnattendedLogger logger(options, environment, true);
  logger.run([&signals] { return signals.received(); });
  return kExitOk;
}

}  // namespace

int runLog(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto options = parseLog(args, err);
  if (!options) return kExitUsage;
  const bool once = args.has("--once");
  if (options->modem) return logThroughModem(*options, once, out, err);
  return logOnDirectLine(*options, once, out, err);
}

}  // namespace solwire::cli
