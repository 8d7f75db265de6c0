// How decoded values are written for the operator: volts and amperes with one
// decimal, amp-hours, the daily voltage range, the voltage class and the
// settings list's display rules.
#pragma once

#include <string>

#include "protocol/site_data.h"
#include "protocol/status_messages.h"

namespace solwire {

// Whole part, ".", first decimal, both truncated; "999" above 999.
std::string oneDecimal(double value);
// "<n> Ah", or "9999 Ah" from 10000 upwards.
std::string ampHoursText(std::int32_t ampHours);
// Tenths of a volt per 12 V times the multiplier, as "whole.tenth".
std::string dailyVoltageText(std::int32_t multiplier, std::int32_t value);

std::string batteryVoltageText(const Scaling& scaling, const CurrentStateRecord& current);  // "12.3 V"
std::string chargeCurrentText(const Scaling& scaling, const CurrentStateRecord& current);   // "1.5 A"
std::string loadCurrentText(const Scaling& scaling, const CurrentStateRecord& current);
std::string minMaxVoltageText(const Scaling& scaling, const CurrentStateRecord& current);   // "48.0<>56.4"
std::string voltageClassText(const Scaling& scaling);                                       // "48V"
// ": *" for codes of 255 and above, else ": " and the state code.
std::string stateNumberText(std::int32_t stateCode);

// Display rule and entry kind of one row of the settings list.
enum class SettingDisplay { Volts, TenthsNoMultiplier, Integer, MinusInteger, BaudName };

struct SettingRow {
  const char* label[3];  // English, French, Chinese
  const char* unit[3];
  SettingDisplay display;
  int minimum;
  int maximum;
  int address;
};

const SettingRow& settingRow(int row);  // rows 0..15
inline constexpr int kShownSettingRows = 16;
std::string settingValueText(int row, std::int32_t value, std::int32_t voltageMultiplier);

const char* calibrationChannelName(int channel, Language language);
// Two upper-case hexadecimal digits.
std::string hexByteText(std::int32_t value);

}  // namespace solwire
