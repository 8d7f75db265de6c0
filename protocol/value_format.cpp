#include "protocol/value_format.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "protocol/scaled_values.h"

namespace solwire {

namespace {

// The speeds a regulator can be set to, and the two more its three bits can
// hold; the last code names none.
constexpr std::array<const char*, 7> kBaudNames{"110", "300", "600", "1200", "2400", "4800", "9600"};

// Units are the same in English and French; Chinese differs for two rows.
constexpr std::array<SettingRow, kShownSettingRows> kSettingRows{{
    {{"Boost Maximum Voltage", "Tension maximum augmenter", "最高提升电压"}, {"V", "V", "V"}, SettingDisplay::Volts, 135, 180, 16},
    {{"Boost Taper Voltage", "Tension commencer reduction", "提升梯度电压"}, {"V", "V", "V"}, SettingDisplay::Volts, 135, 170, 17},
    {{"Number of Banks Used", "Nombre de banks", "通道使用数"}, {"", "", ""}, SettingDisplay::Integer, 1, 4, 18},
    {{"Float Maximum Voltage", "Tension maximum float", "最大浮充电压"}, {"V", "V", "V"}, SettingDisplay::Volts, 130, 150, 19},
    {{"Float Minimum Voltage", "Tension minimum float", "最小浮充电压"}, {"V", "V", "V"}, SettingDisplay::Volts, 125, 150, 20},
    {{"Boost Cut-in Voltage", "Tension renvoyer de augmenter", "浮充转提升电压"}, {"V", "V", "V"}, SettingDisplay::Volts, 115, 140, 21},
    {{"Absolute Maximum Voltage", "Tension maximum", "最高电压极限"}, {"V", "V", "V"}, SettingDisplay::Volts, 135, 180, 29},
    {{"Temperature Comp. /cell", "Temperature comp. /cell", "温度补偿设於"}, {"mV/oC", "mV/oC", "mV/oC"}, SettingDisplay::MinusInteger, 0, 7, 22},
    {{"State Change Delay", "Condition changer delai", "状态改变延时"}, {"min", "min", "分"}, SettingDisplay::TenthsNoMultiplier, 0, 60, 18},
    {{"Display Temperature Setting", "LCD Temperature", "显示器温度设置"}, {"oC", "oC", "oC"}, SettingDisplay::Integer, 0, 31, 22},
    {{"Display Contrast", "LCD contraste", "调显示器对比度"}, {"", "", ""}, SettingDisplay::Integer, 5, 200, 23},
    {{"Load Disconnect Voltage", "Tension de utilite desunir", "低电压负载断路"}, {"V", "V", "V"}, SettingDisplay::Volts, 95, 125, 24},
    {{"Load Reconnect Voltage", "Tension de utilite recommencer", "负载再接通电压"}, {"V", "V", "V"}, SettingDisplay::Volts, 115, 170, 25},
    {{"Delay before disconnect", "Delai de desunir", "断开延时"}, {"sec", "sec", "秒"}, SettingDisplay::Integer, 2, 250, 26},
    {{"Low Battery Alarm on at", "Pile tension minimum alarme", "低电压警告"}, {"V", "V", "V"}, SettingDisplay::Volts, 95, 130, 27},
    {{"Communication Baud Rate", "Communication vitesse", "通信波特速率"}, {"baud", "baud", "波特"}, SettingDisplay::BaudName, 0, 4, 28},
}};

constexpr std::array<std::array<const char*, 3>, kCalibrationChannels> kCalibrationNames{{
    {"Display Temperature", "Temperature de LCD", "显示器温度"},
    {"Battery Temperature", "Temperature de Pile", "蓄电池温度"},
    {"Solar Voltage Bank A", "Tension Bank A", "通道A 电压"},
    {"Solar Voltage Bank C", "Tension Bank C", "通道C 电压"},
    {"Load Voltage", "Tension de Utilite", "负载电压"},
    {"Load Current", "Courant Utilite", "负载电流"},
    {"Charge Current", "Courant Recharger", "充电电流"},
    {"Battery Voltage", "Tension de Pile", "电池电压"},
}};

std::string tenthsText(std::int32_t tenths) {
  const std::int32_t whole = tenths / 10;
  return std::to_string(whole) + "." + std::to_string(tenths - 10 * whole);
}

}  // namespace

std::string oneDecimal(double value) {
  if (!std::isfinite(value) || value >= 1000) return "999";
  // Truncate x * 10 rather than the fraction of x times 10: readings are exact
  // fractions (n / 640), and 12.7 must not come out as 12.6 through the
  // binary rounding of its fractional part.
  const double nudge = value < 0 ? -1e-6 : 1e-6;
  const long long tenths = static_cast<long long>(std::trunc(value * 10 + nudge));
  const long long whole = tenths / 10;
  const long long decimal = tenths % 10 < 0 ? -(tenths % 10) : tenths % 10;
  const std::string sign = (tenths < 0 && whole == 0) ? "-" : "";
  return sign + std::to_string(whole) + "." + std::to_string(decimal);
}

std::string ampHoursText(std::int32_t ampHours) {
  return ampHours >= 10000 ? "9999 Ah" : std::to_string(ampHours) + " Ah";
}

std::string dailyVoltageText(std::int32_t multiplier, std::int32_t value) {
  return tenthsText(dailyVoltageTenths(multiplier, value));
}

std::string batteryVoltageText(const Scaling& s, const CurrentStateRecord& c) {
  return oneDecimal(batteryVolts(s, c)) + " V";
}

std::string chargeCurrentText(const Scaling& s, const CurrentStateRecord& c) {
  return oneDecimal(chargeAmperes(s, c)) + " A";
}

std::string loadCurrentText(const Scaling& s, const CurrentStateRecord& c) {
  return oneDecimal(loadAmperes(s, c)) + " A";
}

std::string minMaxVoltageText(const Scaling& s, const CurrentStateRecord& c) {
  return dailyVoltageText(s.voltageMultiplier, c.dailyMinVoltage) + "<>" +
         dailyVoltageText(s.voltageMultiplier, c.dailyMaxVoltage);
}

std::string voltageClassText(const Scaling& s) { return std::to_string(12 * s.voltageMultiplier) + "V"; }

std::string stateNumberText(std::int32_t stateCode) {
  return stateCode >= 255 ? ": *" : ": " + std::to_string(stateCode);
}

const SettingRow& settingRow(int row) {
  const int index = (row >= 0 && row < kShownSettingRows) ? row : 0;
  return kSettingRows[static_cast<std::size_t>(index)];
}

std::string settingValueText(int row, std::int32_t value, std::int32_t voltageMultiplier) {
  switch (settingRow(row).display) {
    case SettingDisplay::Volts: return tenthsText(voltageMultiplier * value);
    case SettingDisplay::TenthsNoMultiplier: return tenthsText(value);
    case SettingDisplay::Integer: return std::to_string(value);
    case SettingDisplay::MinusInteger: return "-" + std::to_string(value);
    case SettingDisplay::BaudName:
      return (value >= 0 && value < static_cast<int>(kBaudNames.size()))
                 ? kBaudNames[static_cast<std::size_t>(value)]
                 : "?";
  }
  return std::to_string(value);
}

const char* calibrationChannelName(int channel, Language language) {
  const int index = (channel >= 0 && channel < kCalibrationChannels) ? channel : 0;
  return kCalibrationNames[static_cast<std::size_t>(index)][static_cast<std::size_t>(language)];
}

std::string hexByteText(std::int32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value & 0xFF));
  return text;
}

}  // namespace solwire
