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

}  // namespace

int runCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
  try {
    const Arguments args = parseArguments(words, {"--block", "--site", "--port", "--baud"});
    const std::string command = args.positional.empty() ? "" : args.positional[0];
    if (command == "frame") return runFrame(args, out, err);
    if (command == "decode") return runDecode(args, out, err);
    if (command == "demo") return runDemo(args, out, err);
    if (command == "read") return runRead(args, out, err);
    err << kUsage;
    return kExitUsage;
  } catch (const UsageError& e) {
    err << e.message << '\n' << kUsage;
    return kExitUsage;
  }
}

}  // namespace solwire::cli
