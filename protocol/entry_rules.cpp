#include "protocol/entry_rules.h"

#include <algorithm>

#include "protocol/value_format.h"

namespace solwire {

namespace {

constexpr std::size_t kLongestEntry = 4;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigitValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool allowedInSettings(char c) { return isDigit(c) || c == '-' || c == '.'; }

// Digits in order; `stopAtPoint` ends the reading at the first ".".
int digitsValue(std::string_view text, bool stopAtPoint) {
  int value = 0;
  for (const char c : text) {
    if (stopAtPoint && c == '.') break;
    if (isDigit(c)) value = value * 10 + (c - '0');
  }
  return value;
}

// A short entry is taken as whole units: "13" is 13.0, "9" is 9.0.
int tenthsValue(std::string_view text) {
  const int digits = digitsValue(text, false);
  return text.size() < 3 ? digits * 10 : digits;
}

ParsedEntry minusDigitValue(std::string_view text) {
  const std::string_view number = (!text.empty() && text.front() == '-') ? text.substr(1) : text;
  if (number.empty()) return {0, EntryFault::None};
  if (!isDigit(number.front())) return {0, EntryFault::NotADigit};
  return {number.front() - '0', EntryFault::None};
}

// The speed is known by its first figure: 110, 1200, 2400, 300 and 600. Any
// other start is refused, so that a slip never sets a speed the line is not run
// at.
ParsedEntry baudValue(std::string_view text) {
  switch (text.front()) {
    case '1': return {text.size() > 1 && text[1] == '1' ? 0 : 3, EntryFault::None};
    case '2': return {4, EntryFault::None};
    case '3': return {1, EntryFault::None};
    case '6': return {2, EntryFault::None};
    default: return {0, EntryFault::NoSuchBaudRate};
  }
}

// One digit is that digit's value; otherwise the first two digits.
int hexValue(std::string_view text) {
  const std::string_view digits = text.substr(0, 2);
  int value = 0;
  for (const char c : digits) value = value * 16 + hexDigitValue(c);
  return value;
}

int voltageMultiplierOf(const SiteData& data) { return std::max(data.scaling.voltageMultiplier, 1); }

int field(const SettingsRecord& settings, SettingsEntry entry) { return settings[static_cast<std::size_t>(entry)]; }

}  // namespace

EntryKind settingEntryKind(int row) {
  switch (settingRow(row).display) {
    case SettingDisplay::Volts:
    case SettingDisplay::TenthsNoMultiplier: return EntryKind::Tenths;
    case SettingDisplay::Integer: return EntryKind::Integer;
    case SettingDisplay::MinusInteger: return EntryKind::MinusDigit;
    case SettingDisplay::BaudName: return EntryKind::Baud;
  }
  return EntryKind::Integer;
}

bool isVoltageRow(int row) { return settingRow(row).display == SettingDisplay::Volts; }

EntryFault checkEntryText(std::string_view text, bool calibration) {
  if (text.empty() || text.size() > kLongestEntry) return EntryFault::Length;
  const bool allowed = std::all_of(text.begin(), text.end(), [calibration](char c) {
    return calibration ? hexDigitValue(c) >= 0 : allowedInSettings(c);
  });
  return allowed ? EntryFault::None : EntryFault::Character;
}

ParsedEntry ParseEntry(std::string_view text, int max, int min, int row, EntryKind kind, int voltageMultiplier) {
  if (text.empty()) return {0, EntryFault::Length};
  ParsedEntry entry;
  switch (kind) {
    case EntryKind::Integer: entry.value = digitsValue(text, true); break;
    case EntryKind::Tenths: entry.value = tenthsValue(text); break;
    case EntryKind::MinusDigit: entry = minusDigitValue(text); break;
    case EntryKind::Baud: entry = baudValue(text); break;
    case EntryKind::Hex: entry.value = hexValue(text); break;
  }
  if (entry.fault != EntryFault::None) return entry;
  if (kind != EntryKind::Hex && isVoltageRow(row)) entry.value /= std::max(voltageMultiplier, 1);
  entry.value = std::clamp(entry.value, min, max);
  return entry;
}

int settingsByte(const SettingsRecord& s, int row, int value) {
  switch (row) {
    case NumberOfBanksUsed: return ((field(s, StateChangeDelay) & 63) << 2) | ((value - 1) & 3);
    case StateChangeDelay: return ((value & 63) << 2) | ((field(s, NumberOfBanksUsed) - 1) & 3);
    case TemperatureCompensation: return ((value & 7) << 5) | (field(s, DisplayTemperatureSetting) & 31);
    case DisplayTemperatureSetting: return ((field(s, TemperatureCompensation) & 7) << 5) | (value & 31);
    case CommunicationBaudRate: return ((value & 7) << 5) | (field(s, BaudByteLowBits) & 31);
    default: return value & 0xFF;
  }
}

MemoryEntry settingsEntry(const SiteData& data, int row, std::string_view text) {
  MemoryEntry entry;
  if (row < 0 || row >= kShownSettingRows) {
    entry.fault = EntryFault::NoSuchRow;
    return entry;
  }
  const SettingRow& setting = settingRow(row);
  entry.address = setting.address;
  entry.fault = checkEntryText(text, false);
  if (!entry.accepted()) return entry;
  const ParsedEntry parsed =
      ParseEntry(text, setting.maximum, setting.minimum, row, settingEntryKind(row), voltageMultiplierOf(data));
  entry.fault = parsed.fault;
  if (!entry.accepted()) return entry;
  entry.value = parsed.value;
  entry.data = settingsByte(data.settings, row, parsed.value);
  entry.text = settingValueText(row, parsed.value, voltageMultiplierOf(data));
  return entry;
}

MemoryEntry calibrationEntry(int row, CalibrationColumn column, std::string_view text) {
  MemoryEntry entry;
  if (row < 0 || row >= kCalibrationRows) {
    entry.fault = EntryFault::NoSuchRow;
    return entry;
  }
  entry.address = 2 * row + (column == CalibrationColumn::O ? 1 : 0);
  entry.fault = checkEntryText(text, true);
  if (!entry.accepted()) return entry;
  const ParsedEntry parsed = ParseEntry(text, 255, 0, row, EntryKind::Hex, 1);
  entry.value = parsed.value;
  entry.data = parsed.value;
  entry.text = hexByteText(parsed.value);
  return entry;
}

std::optional<int> memoryByte(const SiteData& data, int address) {
  if (address >= 0 && address < 2 * kCalibrationChannels) {
    const auto channel = static_cast<std::size_t>(address / 2);
    const int byte = address % 2 == 0 ? data.calibration.g[channel] : data.calibration.o[channel];
    return byte & 0xFF;
  }
  for (int row = 0; row < kShownSettingRows; ++row)
    if (settingRow(row).address == address)
      return settingsByte(data.settings, row, data.settings[static_cast<std::size_t>(row)]);
  return std::nullopt;
}

}  // namespace solwire
