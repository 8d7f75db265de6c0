#include "cli/site_report.h"

#include <iomanip>

#include "protocol/value_format.h"

namespace solwire::cli {

void printCurrentState(std::ostream& out, const SiteData& d) {
  out << "Current state\n"
      << "  System voltage     " << voltageClassText(d.scaling) << '\n'
      << "  Battery voltage    " << batteryVoltageText(d.scaling, d.current) << '\n'
      << "  Charge current     " << chargeCurrentText(d.scaling, d.current) << '\n'
      << "  Load current       " << loadCurrentText(d.scaling, d.current) << '\n'
      << "  Charge today       " << ampHoursText(d.current.chargeAh) << '\n'
      << "  Load today         " << ampHoursText(d.current.loadAh) << '\n'
      << "  Min<>max voltage   " << minMaxVoltageText(d.scaling, d.current) << " V\n"
      << "  State              " << stateNumberText(d.current.stateCode) << "\n\n";
}

void printSettings(std::ostream& out, const SiteData& d) {
  out << "Settings\n";
  for (int row = 0; row < kShownSettingRows; ++row) {
    const SettingRow& r = settingRow(row);
    out << "  " << std::left << std::setw(30) << r.label[0] << std::right << std::setw(6)
        << settingValueText(row, d.settings[static_cast<std::size_t>(row)], voltageMultiplierOf(d.origins.settings, d)) << ' '
        << r.unit[0] << '\n';
  }
  out << '\n';
}

void printCalibration(std::ostream& out, const SiteData& d) {
  out << "Calibration                     G   O\n";
  for (int channel = 0; channel < kCalibrationChannels; ++channel) {
    const auto c = static_cast<std::size_t>(channel);
    out << "  " << std::left << std::setw(28) << calibrationChannelName(channel, Language::English) << std::right
        << "  " << hexByteText(d.calibration.g[c]) << "  " << hexByteText(d.calibration.o[c]) << '\n';
  }
  out << '\n';
}

void printHistory(std::ostream& out, const SiteData& d) {
  const auto multipliers = historyVoltageMultipliers(d);
  out << "History (32 days)\n  day   min V   max V   charge Ah   discharge Ah\n";
  for (int day = 0; day < kHistoryDays; ++day) {
    const auto i = static_cast<std::size_t>(day);
    const int v = multipliers[i];
    out << "  " << std::setw(3) << day << std::setw(8) << dailyVoltageText(v, d.history.minVoltage[i]) << std::setw(8)
        << dailyVoltageText(v, d.history.maxVoltage[i]) << std::setw(12) << d.history.chargeAh[i] << std::setw(15)
        << d.history.dischargeAh[i] << '\n';
  }
  out << '\n';
}

void printAlarmInputs(std::ostream& out, const SiteData& d) {
  out << "Alarm inputs\n";
  for (int input = 0; input < kAlarmInputs; ++input)
    out << "  Alarm " << std::setw(2) << input + 1 << "  "
        << (d.alarms.state[static_cast<std::size_t>(input)] ? "active" : "inactive") << '\n';
  out << '\n';
}

}  // namespace solwire::cli
