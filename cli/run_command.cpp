#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "cli/commands.h"

namespace solwire::cli {

namespace {

constexpr const char* kUsage =
    "usage: solwire-cli frame KIND SITE [--block B]\n"
    "       solwire-cli frame write SITE ADDRESS DATA\n"
    "       solwire-cli decode KIND HEX... [--block B]\n"
    "       solwire-cli read --port COMn|PATH [--baud B] --site N\n"
    "                   {current|settings|calibration|history|alarms|all} [--json]\n"
    "       solwire-cli demo [--site N]\n"
    "KIND is 1..6 or current, settings, calibration, history, alarms, log\n";

using CommandFunction = int (*)(const Arguments&, std::ostream&, std::ostream&);

struct CommandSpec {
  CommandFunction run;
  std::set<std::string> options;  // each takes a value
  std::set<std::string> flags;
};

const std::map<std::string, CommandSpec>& commandSpecs() {
  static const std::map<std::string, CommandSpec> specs{
      {"frame", {runFrame, {"--block"}, {}}},
      {"decode", {runDecode, {"--block"}, {}}},
      {"demo", {runDemo, {"--site"}, {}}},
      {"read", {runRead, {"--port", "--baud", "--site"}, {"--json"}}},
  };
  return specs;
}

std::set<std::string> allValueOptions() {
  std::set<std::string> all;
  for (const auto& [name, spec] : commandSpecs()) all.insert(spec.options.begin(), spec.options.end());
  return all;
}

bool asksForHelp(const std::vector<std::string>& words) {
  for (const std::string& word : words)
    if (word == "--help" || word == "-h") return true;
  return false;
}

// A misspelt option must not be taken for an absent one: "--jsno" would
// otherwise print text where JSON was asked for, and report success.
void rejectOptionsNotTakenBy(const std::string& command, const CommandSpec& spec, const Arguments& args) {
  for (const auto& [name, value] : args.options)
    if (spec.options.count(name) == 0) throw UsageError{command + " does not take the option " + name};
  for (const std::string& flag : args.flags)
    if (spec.flags.count(flag) == 0) throw UsageError{"unknown option " + flag + " for " + command};
}

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

}  // namespace

int runCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  if (asksForHelp(words)) {
    out << kUsage;
    return checkedOutput(kExitOk, out, err);
  }
  try {
    const Arguments args = parseArguments(words, allValueOptions());
    const std::string command = args.positional.empty() ? "" : args.positional[0];
    const auto spec = commandSpecs().find(command);
    if (spec == commandSpecs().end()) {
      err << (command.empty() ? "" : "unknown command '" + command + "'\n") << kUsage;
      return kExitUsage;
    }
    rejectOptionsNotTakenBy(command, spec->second, args);
    return checkedOutput(spec->second.run(args, out, err), out, err);
  } catch (const UsageError& e) {
    err << e.message << '\n' << kUsage;
    return kExitUsage;
  }
}

}  // namespace solwire::cli
