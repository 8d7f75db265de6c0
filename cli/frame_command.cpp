#include "cli/commands.h"
#include "cli/hex_bytes.h"
#include "protocol/request_frames.h"

namespace solwire::cli {

namespace {

int printWriteFrame(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() != 5) {
    err << "usage: solwire-cli frame write SITE ADDRESS DATA\n";
    return kExitUsage;
  }
  const auto site = parseInteger(args.positional[2], 0, kSiteCount - 1);
  const auto address = parseInteger(args.positional[3], 0, kMemorySize - 1);
  const auto data = parseInteger(args.positional[4], 0, 255);
  if (!site || !address || !data) {
    err << "site must be 0..31, address 0..31 and data 0..255\n";
    return kExitUsage;
  }
  out << formatHexBytes(writeFrame(*site, *address, *data)) << '\n';
  return kExitOk;
}

}  // namespace

int runFrame(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.positional.size() >= 2 && args.positional[1] == "write") return printWriteFrame(args, out, err);
  if (args.positional.size() != 3) {
    err << "usage: solwire-cli frame KIND SITE [--block B]\n"
           "       solwire-cli frame write SITE ADDRESS DATA\n"
           "KIND is 1..6 or current, settings, calibration, history, alarms, log\n";
    return kExitUsage;
  }
  const auto kind = parseRequestKind(args.positional[1]);
  const auto site = parseInteger(args.positional[2], 0, kSiteCount - 1);
  const auto block = parseInteger(args.option("--block").value_or("1"), 1, kHistoryBlocks);
  if (!kind) {
    err << "unknown request kind '" << args.positional[1] << "'\n";
    return kExitUsage;
  }
  if (!site || !block) {
    err << "site must be 0..31 and the history block 1..8\n";
    return kExitUsage;
  }
  out << formatHexBytes(requestFrame(*kind, *site, *block)) << '\n';
  return kExitOk;
}

}  // namespace solwire::cli
