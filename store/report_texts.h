// The labels of the data report and the periodic log entry in English, French
// and Chinese. Trailing spaces are part of the labels: they line up the
// columns of the printed report.
#pragma once

#include <array>
#include <string_view>

#include "protocol/site_data.h"
#include "protocol/status_messages.h"

namespace solwire {

using ReportText = std::array<std::string_view, 3>;  // English, French, Chinese

struct ReportLabels {
  double reportPointSize;
  std::string_view title;
  std::string_view siteNumber;
  std::string_view state;
  std::string_view batteryVoltage;
  std::string_view maximum;
  std::string_view minimum;
  std::string_view chargeCurrent;
  std::string_view chargeAmpHours;
  std::string_view loadCurrent;
  std::string_view loadAmpHours;
  std::string_view historyTitle;
  std::array<std::string_view, 5> historyHeads;
  std::string_view settingsTitle;
  std::string_view calibrationTitle;
};

const ReportLabels& reportLabels(Language language);

// Row i of the report's settings block (1..16) shows settings entry i - 1.
inline constexpr int kReportSettingRows = 16;
// The row the report leaves out: the temperature compensation.
inline constexpr int kUnreportedSettingRow = 8;

struct ReportSettingRow {
  ReportText label;
  ReportText unit;  // empty: the row has no unit
};

const ReportSettingRow& reportSettingRow(int row);  // rows 1..16

std::string_view reportCalibrationLabel(int channel, Language language);  // channels 0..7

}  // namespace solwire
