#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "cli/commands.h"

namespace solwire::cli {

namespace {

// One subcommand as the parser fills it in.
struct Subcommand {
  CLI::App* app = nullptr;
  CommandFunction run = nullptr;
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
  std::map<std::string, bool> flags;
};

void addValueOption(Subcommand& command, const std::string& name, const std::string& description) {
  command.options[name];
  command.app->add_option(name, command.options[name], description);
}

void addFlag(Subcommand& command, const std::string& name, const std::string& description) {
  command.flags[name] = false;
  command.app->add_flag(name, command.flags[name], description);
}

// Only what was given on the command line reaches the command; an absent
// option keeps the command's own default.
Arguments argumentsOf(const Subcommand& command) {
  Arguments args;
  args.positional.push_back(command.app->get_name());
  args.positional.insert(args.positional.end(), command.words.begin(), command.words.end());
  for (const auto& [name, value] : command.options)
    if (command.app->count(name) > 0) args.options[name] = value;
  for (const auto& [name, set] : command.flags)
    if (set) args.flags.insert(name);
  return args;
}

constexpr const char* kPortHelp =
    "COMn, a device path, a network port (rfc2217://HOST:PORT, tcp://HOST:PORT), or sim (the built-in simulated "
    "line)";

class CommandLine {
 public:
  CommandLine() : app_("Reads and writes solar charge regulators on a serial line.", "solwire-cli") {
    app_.require_subcommand(1, 1);
    app_.fallthrough(false);
    addFrame();
    addDecode();
    addRead();
    addSet();
    addCalibrate();
    addReport();
    addLog();
    addWatch();
    addDemo();
  }

  // Parses the words; throws CLI::ParseError.
  const Subcommand& parse(std::vector<std::string> words) {
    if (!words.empty() && words.front().rfind('-', 0) != 0 && !isCommand(words.front()))
      throw CLI::ParseError("unknown command '" + words.front() + "'", CLI::ExitCodes::ExtrasError);
    std::reverse(words.begin(), words.end());
    app_.parse(words);
    for (const auto& command : commands_)
      if (command->app->parsed()) return *command;
    throw CLI::RequiredError("a command");
  }

  CLI::App& app() { return app_; }

 private:
  bool isCommand(const std::string& word) const {
    for (const auto& command : commands_)
      if (command->app->get_name() == word) return true;
    return false;
  }

  Subcommand& add(const std::string& name, const std::string& description, CommandFunction run,
                  const std::string& wordsName, const std::string& wordsDescription) {
    auto command = std::make_unique<Subcommand>();
    command->app = app_.add_subcommand(name, description);
    command->run = run;
    if (!wordsName.empty()) command->app->add_option(wordsName, command->words, wordsDescription);
    commands_.push_back(std::move(command));
    return *commands_.back();
  }

  void addFrame() {
    Subcommand& frame = add("frame", "Print the bytes of a request or a memory write", runFrame, "WORDS",
                            "KIND SITE, or write SITE ADDRESS DATA; KIND is 1..6 or current, settings, "
                            "calibration, history, alarms, log");
    addValueOption(frame, "--block", "history block 1..8 (default 1)");
  }

  void addDecode() {
    Subcommand& decode = add("decode", "Decode one captured reply as JSON", runDecode, "WORDS",
                             "KIND HEX...: the request kind and the reply's bytes in hexadecimal");
    addValueOption(decode, "--block", "history block 1..8 the reply answers (default 1)");
  }

  void addRead() {
    Subcommand& read = add("read", "Read a site over a serial port", runRead, "WHAT",
                           "current, settings, calibration, history, alarms or all");
    addValueOption(read, "--port", kPortHelp);
    addValueOption(read, "--baud", "110, 300, 600, 1200 or 2400 (default 2400)");
    addValueOption(read, "--site", "site number 0..31");
    addFlag(read, "--json", "print one JSON object instead of text");
    addValueOption(read, "--modem",
                   "read a remote site through the modem on this port (COMn, a device path, a network port, "
                   "or sim-modem, the built-in simulated modem), instead of --port");
    addValueOption(read, "--dial", "the number the modem dials (with --modem)");
    addFlag(read, "--pulse", "dial with pulses (ATDP) instead of tones (ATDT)");
    addValueOption(read, "--setup", "modem setup commands sent as AT<STRING> before dialling, e.g. &K0&Q0&D2 (hang up when DTR drops)");
  }

  void addLinkOptions(Subcommand& command) {
    addValueOption(command, "--port", kPortHelp);
    addValueOption(command, "--baud", "110, 300, 600, 1200 or 2400 (default 2400)");
    addValueOption(command, "--site", "site number 0..31");
    addFlag(command, "--json", "print one JSON object instead of text");
  }

  void addSet() {
    Subcommand& set = add("set", "Write one entry of a site's settings and read it back", runSet, "ROW TEXT",
                          "the settings row 0..15 and the entry as typed into the settings window (27.0, -3, 2400)");
    addLinkOptions(set);
    set.app->footer(settingsRowsHelp() + "\n" + kWriteExitStatuses);
  }

  void addCalibrate() {
    Subcommand& calibrate =
        add("calibrate", "Write one calibration byte of a site and read it back", runCalibrate, "ROW COLUMN HEX",
            "the channel 0..7, g or o, and the byte in hexadecimal (7F)");
    addLinkOptions(calibrate);
    calibrate.app->footer(calibrationRowsHelp() + "\n" + kWriteExitStatuses);
  }

  static constexpr const char* kWriteExitStatuses =
      "Exit status: 0 the regulator took the byte; 3 written, but the list read back holds another byte;\n"
      "1 the line failed; 2 a usage error or an entry the settings window refuses (nothing is sent).";

  void addPortOptions(Subcommand& command) {
    addValueOption(command, "--port", kPortHelp);
    addValueOption(command, "--baud", "110, 300, 600, 1200 or 2400 (default 2400)");
    addValueOption(command, "--site", "site number 0..31");
  }

  void addReport() {
    Subcommand& report = add("report", "Read a site and write its data report", runReport, "", "");
    addPortOptions(report);
    addValueOption(report, "--sections",
                   "current,history,settings,calibration: the sections after the header (default all four)");
    addValueOption(report, "--lang", "en, fr or zh (default en)");
    addValueOption(report, "--append", "add the report at the end of this rich-text file (created if missing)");
    addFlag(report, "--text", "print the report's text instead");
    report.app->footer(
        "The header's date and time are the local time, written 2024-05-17 and 14:03:09.\n"
        "Exit status: 0 the report was written; 1 the line or the file failed; 2 a usage error.");
  }

  void addLog() {
    Subcommand& log = add("log", "Log a site's current state every few hours, unattended", runLog, "", "");
    addPortOptions(log);
    addValueOption(log, "--modem",
                   "reach the site by calling it through the modem on this port (COMn, a device path, a network "
                   "port, or sim-modem, the built-in simulated modem) for each sample, instead of --port");
    addValueOption(log, "--dial", "the number the modem dials (with --modem)");
    addFlag(log, "--pulse", "dial with pulses (ATDP) instead of tones (ATDT)");
    addValueOption(log, "--setup", "modem setup commands sent as AT<STRING> before each dial, e.g. &K0&Q0&D2 (hang up when DTR drops)");
    addValueOption(log, "--file", "the rich-text log file each sample's entry is added to");
    addValueOption(log, "--rate", "hours between samples, 1..48 (default 2); samples fall due on the hour");
    addValueOption(log, "--every",
                   "instead of --rate: one sample at start, then one every DURATION from the start of the one "
                   "before (45s, 15m, 2h; 10s at least)");
    addValueOption(log, "--lang", "en, fr or zh (default en)");
    addValueOption(log, "--csv", "also add one row per sample to this spreadsheet (CSV) file");
    addFlag(log, "--once", "take one sample now and stop");
    log.app->footer(
        "One line per sample on standard output: time, site, then \"ok\" and the files that took the reading,\n"
        "\"read, in FILE only, not in FILE\" when one of them could not take it, or \"failed (no reading)\";\n"
        "the reasons on standard error. A sample with no reading adds a row with empty values to the CSV file.\n"
        "An entry's header shows the local time written 2024-05-17 and 14:03:09; a CSV row, ISO 8601 with\n"
        "the offset from UTC. With --modem each sample is one call, hung up once its entry is written; a\n"
        "call that fails (busy, no carrier, no reply) is a failed sample. SIGINT or SIGTERM stops the\n"
        "logger once the sample under way is written (and its call hung up).\n"
        "Exit status: 0 stopped by a signal, or (--once) the reading is in every file; 3 (--once) the reading\n"
        "is in some of the files only; 1 (--once) no file has the sample: no reading came, or no file took\n"
        "it; 2 a usage error.");
  }

  void addWatch() {
    Subcommand& watch = add("watch", "Read many sites of a line round after round and publish their states", runWatch,
                            "", "");
    addValueOption(watch, "--port", "COMn, a device path, a network port, or sim (the built-in simulated line)");
    addValueOption(watch, "--baud", "110, 300, 600, 1200 or 2400 (default 2400)");
    addValueOption(watch, "--sites", "the sites to read: numbers 0..31 and ranges, e.g. 0-3,7,31");
    addValueOption(watch, "--every", "a round starts every DURATION (10s, 1m, 15m; default 1m)");
    addFlag(watch, "--alarms", "read each site's alarm inputs too");
    addValueOption(watch, "--line-id",
                   "the line's name in topics: letters, digits, - and _ (default: the host's name and the port)");
    addValueOption(watch, "--lang", "en, fr or zh: the language of the texts published for Home Assistant");
    addFlag(watch, "--json-lines", "print one JSON object per reading");
    addValueOption(watch, "--mqtt", "publish to the broker at mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (TLS)");
    addValueOption(watch, "--mqtt-prefix", "the first level of the topics (default solwire)");
    addValueOption(watch, "--ha-prefix", "Home Assistant's discovery prefix (default homeassistant)");
    addFlag(watch, "--no-ha", "publish no Home Assistant discovery documents");
    addValueOption(watch, "--mqtt-user", "the user name the broker knows the watcher by");
    addValueOption(watch, "--mqtt-password-file", "the file whose first line is the password (with --mqtt-user)");
    addValueOption(watch, "--mqtt-ca",
                   "mqtts: the certificate authority of the broker's certificate (PEM; default: the system's)");
    addValueOption(watch, "--mqtt-cert", "mqtts: the watcher's own certificate (PEM), with --mqtt-key");
    addValueOption(watch, "--mqtt-key", "mqtts: the key of --mqtt-cert (PEM)");
    watch.app->footer(
        "Each round reads the listed sites in turn, one request at a time; the next round starts DURATION\n"
        "after the start of the one before, or at once when that one took longer. A JSON line holds line,\n"
        "site, time (ISO 8601 with the offset from UTC), ok, and either error or the values the\n"
        "current-state window shows. With --mqtt the same object is published, retained, on\n"
        "PREFIX/LINE/SITE/state, \"online\" or \"offline\" on PREFIX/LINE/SITE/availability, and \"online\" on\n"
        "PREFIX/LINE/status (\"offline\" as the last will and on a stop); while the broker is away only the\n"
        "latest state of each site is kept, and published when it is back. SIGINT or SIGTERM stops it once\n"
        "the reading under way is done.\n"
        "Exit status: 0 stopped by a signal; 1 the broker refused the first connection or TLS with it failed\n"
        "(the reason on standard error), or the output could not be written; 2 a usage error.");
  }

  void addDemo() {
    Subcommand& demo = add("demo", "Read one simulated site in virtual time", runDemo, "", "");
    addValueOption(demo, "--site", "site number 0..31 (default 0)");
  }

  CLI::App app_;
  std::vector<std::unique_ptr<Subcommand>> commands_;
};

}  // namespace

// Output that did not reach its destination (a full disk, a closed pipe) is a
// failure, not a success with nothing to show.
int checkedOutput(int status, std::ostream& out, std::ostream& err) {
  errno = 0;
  out.flush();
  if (out) return status;
  const int reason = errno;
  err << "solwire-cli: the output could not be written" << (reason != 0 ? ": " : "")
      << (reason != 0 ? std::strerror(reason) : "") << '\n';
  return kExitFailed;
}

int runCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  CommandLine commandLine;
  try {
    const Subcommand& command = commandLine.parse(words);
    return checkedOutput(command.run(argumentsOf(command), out, err), out, err);
  } catch (const CLI::ParseError& e) {
    const int status = commandLine.app().exit(e, out, err);
    return status == 0 ? checkedOutput(kExitOk, out, err) : kExitUsage;
  }
}

}  // namespace solwire::cli
