// solwire-cli: encode request frames, decode captured replies and read
// regulators from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

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

int main(int argc, char** argv) {
  using namespace solwire::cli;
  const std::vector<std::string> words(argv + 1, argv + argc);
  try {
    const Arguments args = parseArguments(words, {"--block", "--site", "--port", "--baud"});
    const std::string command = args.positional.empty() ? "" : args.positional[0];
    if (command == "frame") return runFrame(args, std::cout, std::cerr);
    if (command == "decode") return runDecode(args, std::cout, std::cerr);
    if (command == "demo") return runDemo(args, std::cout, std::cerr);
    if (command == "read") return runRead(args, std::cout, std::cerr);
    std::cerr << kUsage;
    return kExitUsage;
  } catch (const UsageError& e) {
    std::cerr << e.message << '\n' << kUsage;
    return kExitUsage;
  }
}
