// solwire-cli log: the unattended logger, or one sample now.
#include "cli/commands.h"
#include "cli/language_option.h"
#include "cli/session_port.h"
#include "cli/stop_signals.h"
#include "cli/unattended_logger.h"

namespace solwire::cli {

namespace {

constexpr int kMaxRateHours = 48;

std::optional<LoggerOptions> parseLog(const Arguments& args, std::ostream& err) {
  const auto port = args.option("--port");
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  const auto file = args.option("--file");
  const auto rate = parseInteger(args.option("--rate").value_or("2"), 1, kMaxRateHours);
  const auto language = languageOption(args.option("--lang").value_or("en"));
  const auto csv = args.option("--csv");
  if (!port || port->empty() || !site || !baud || !file || file->empty() || !rate || !language ||
      (csv && csv->empty())) {
    err << "usage: solwire-cli log --port COMn|PATH [--baud B] --site N --file FILE [--rate HOURS]\n"
           "         [--lang en|fr|zh] [--csv CSVFILE] [--once]\n"
           "B is 110, 300, 600, 1200 or 2400; N is 0..31; HOURS is 1..48 (default 2)\n";
    return std::nullopt;
  }
  LoggerOptions options;
  options.session = {*port, *baud, *site};
  options.rateHours = *rate;
  options.logFile = *file;
  options.language = *language;
  if (csv) options.csvFile = *csv;
  return options;
}

}  // namespace

int runLog(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto options = parseLog(args, err);
  if (!options) return kExitUsage;
  const SessionPort port(options->session);
  const LoggerEnvironment environment{port.registry(), out, err};

  if (args.has("--once")) {
    UnattendedLogger logger(*options, environment, false);
    return logger.sampleNow() ? kExitOk : kExitFailed;
  }
  // Taken over before the first tick, which may already issue a reading.
  const StopSignals signals;
  UnattendedLogger logger(*options, environment, true);
  logger.run([&signals] { return signals.received(); });
  return kExitOk;
}

}  // namespace solwire::cli
