// solwire-cli calibrate: one calibration byte of a site (the G or O value of a
// channel), as typed into the settings window's calibration list, written to
// the regulator and read back.
#include "cli/commands.h"
#include "cli/write_entry.h"
#include "protocol/value_format.h"

namespace solwire::cli {

namespace {

std::optional<CalibrationColumn> columnNamed(const std::string& word) {
  if (word == "g" || word == "G") return CalibrationColumn::G;
  if (word == "o" || word == "O") return CalibrationColumn::O;
  return std::nullopt;
}

std::optional<EntryWrite> parseCalibrate(const Arguments& args, std::ostream& err) {
  const auto port = args.option("--port");
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  const bool threeWords = args.positional.size() == 4;
  const auto row = threeWords ? parseInteger(args.positional[1], 0, kCalibrationRows - 1) : std::nullopt;
  const auto column = threeWords ? columnNamed(args.positional[2]) : std::nullopt;
  if (!port || port->empty() || !site || !baud || !row || !column) {
    err << "usage: solwire-cli calibrate --port COMn|PATH [--baud B] --site N ROW {g|o} HEX [--json]\n"
           "ROW is the channel 0..7 (solwire-cli calibrate --help lists them); HEX is one or two hexadecimal\n"
           "digits; B is 110, 300, 600, 1200 or 2400; N is 0..31\n";
    return std::nullopt;
  }
  EntryWrite request;
  request.session = {*port, *baud, *site};
  request.calibration = true;
  request.row = *row;
  request.column = *column;
  request.text = args.positional[3];
  request.json = args.has("--json");
  return request;
}

}  // namespace

std::string calibrationRowsHelp() {
  std::string help = "Channels of the calibration list (G at address 2 x ROW, O at 2 x ROW + 1):\n";
  for (int row = 0; row < kCalibrationRows; ++row)
    help += "  " + std::to_string(row) + "  " + calibrationChannelName(row, Language::English) + '\n';
  return help + "One hexadecimal digit is that digit's value (F is 15); of a longer entry the first two digits count.";
}

int runCalibrate(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto request = parseCalibrate(args, err);
  if (!request) return kExitUsage;
  return runEntryWrite(*request, out, err);
}

}  // namespace solwire::cli
