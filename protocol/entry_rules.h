// What an operator may type into the settings and calibration lists, and what
// it becomes: the checks on the text, the value it stands for (ParseEntry),
// held to the row's limits, and the memory byte that is written for it (rows
// that share a byte included). Also the byte the site data model holds at an
// address, which is how a read-back is compared with what was written.
// The settings window and the command-line tool both go through these.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocol/site_data.h"

namespace solwire {

// How the text of an entry is read.
enum class EntryKind { Integer, Tenths, MinusDigit, Baud, Hex };

// Why an entry is refused; None when it is accepted.
enum class EntryFault {
  None,
  Length,          // not 1..4 characters
  Character,       // a character the list does not take
  NoSuchBaudRate,  // a speed the regulator does not offer (4800, 9600 ...)
  NotADigit,       // a minus entry whose number is not a digit ("-.")
  NoSuchRow,       // a row the list does not have
};

enum class CalibrationColumn { G, O };

inline constexpr int kCalibrationRows = kCalibrationChannels;

EntryKind settingEntryKind(int row);
// The rows in tenths of a volt per 12 V, scaled by the voltage multiplier.
bool isVoltageRow(int row);

// The length and the characters of the text: settings take digits, "-" and
// "."; calibration takes hexadecimal digits.
EntryFault checkEntryText(std::string_view text, bool calibration);

struct ParsedEntry {
  int value = 0;
  EntryFault fault = EntryFault::None;
};

// The stored value a checked text of 1..4 characters stands for: read by the
// row's kind, divided by the voltage multiplier on the voltage rows, then held
// to min..max (an entry out of range is pulled to the nearest limit).
ParsedEntry ParseEntry(std::string_view text, int max, int min, int row, EntryKind kind, int voltageMultiplier);

// An entry handled as the editor handles it.
struct MemoryEntry {
  EntryFault fault = EntryFault::None;
  int value = 0;     // the stored value of the row (the field, for shared bytes)
  int address = 0;   // where it is written, 0..31
  int data = 0;      // the whole byte written there
  std::string text;  // what the cell shows for the value

  bool accepted() const { return fault == EntryFault::None; }
};

// Settings row 0..15. A row that shares its byte with another entry writes the
// whole byte: its new value and the other entry's value as the site's
// settings record holds it. The record itself is not changed; the read-back
// that follows a write brings what the regulator took.
MemoryEntry settingsEntry(const SiteData& data, int row, std::string_view text);
// Calibration row 0..7: G at address 2 x row, O at 2 x row + 1.
MemoryEntry calibrationEntry(int row, CalibrationColumn column, std::string_view text);

// The byte at `address` of a settings byte with row `row` set to `value` and
// every other field from `settings`.
int settingsByte(const SettingsRecord& settings, int row, int value);

// The memory byte the site data model holds for an address: calibration bytes
// at 0..15, settings bytes at 16..29 put together from their entries. Nullopt
// for 30 and 31, which a settings reply carries but the model does not keep,
// and for addresses outside the memory.
std::optional<int> memoryByte(const SiteData& data, int address);

}  // namespace solwire
