// solwire-cli set and calibrate: one entry of the settings or calibration
// list, handled as the settings window handles it, written to a site and read
// back. The work of both commands once their words are checked.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "cli/link_session.h"
#include "protocol/entry_rules.h"

namespace solwire::cli {

// Written, but the list read back does not hold the byte.
inline constexpr int kExitNotConfirmed = 3;

struct EntryWrite {
  SessionOptions session;
  bool calibration = false;  // the calibration list instead of the settings
  int row = 0;
  CalibrationColumn column = CalibrationColumn::G;
  std::string text;  // as an operator would type it
  bool json = false;
};

// Why the editor refuses an entry, for the operator.
std::string_view entryRefusal(EntryFault fault, bool calibration);

// Checks the entry (refused: exit 2, nothing opened or sent), reads the
// site's lists, writes the byte, waits for the read-back and prints the row
// before and after. Exit 0 when the regulator holds the byte, 3 when it does
// not, 1 when the line failed.
int runEntryWrite(const EntryWrite& request, std::ostream& out, std::ostream& err);

}  // namespace solwire::cli
