// solwire-cli set: one entry of a site's settings list, as typed into the
// settings window, written to the regulator and read back.
#include "cli/commands.h"
#include "cli/write_entry.h"
#include "protocol/value_format.h"

namespace solwire::cli {

namespace {

std::optional<EntryWrite> parseSet(const Arguments& args, std::ostream& err) {
  const auto port = args.option("--port");
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  const bool twoWords = args.positional.size() == 3;
  const auto row = twoWords ? parseInteger(args.positional[1], 0, kShownSettingRows - 1) : std::nullopt;
  if (!port || port->empty() || !site || !baud || !row) {
    err << "usage: solwire-cli set --port COMn|PATH [--baud B] --site N ROW TEXT [--json]\n"
           "ROW is 0..15 of the settings list (solwire-cli set --help lists them); TEXT is the entry as typed\n"
           "into the settings window; B is 110, 300, 600, 1200 or 2400; N is 0..31\n";
    return std::nullopt;
  }
  EntryWrite request;
  request.session = {*port, *baud, *site};
  request.row = *row;
  request.text = args.positional[2];
  request.json = args.has("--json");
  return request;
}

}  // namespace

std::string settingsRowsHelp() {
  std::string help = "Rows of the settings list:\n";
  for (int row = 0; row < kShownSettingRows; ++row) {
    const SettingRow& setting = settingRow(row);
    help += (row < 10 ? "   " : "  ") + std::to_string(row) + "  " + setting.label[0];
    if (*setting.unit[0]) help += std::string(" (") + setting.unit[0] + ")";
    help += '\n';
  }
  return help + "Volts are entered for the site's system voltage (27.0 in a 24 V system); an entry out of its row's\n"
                "range is held to the nearest limit, as the settings window does.";
}

int runSet(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto request = parseSet(args, err);
  if (!request) return kExitUsage;
  return runEntryWrite(*request, out, err);
}

}  // namespace solwire::cli
