#include "store/report_composer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "protocol/scaled_values.h"
#include "protocol/value_format.h"
#include "store/report_fields.h"
#include "store/report_texts.h"

namespace solwire {

namespace {

constexpr double kTenPoint = 10;
constexpr std::size_t kSeparatorLength = 101;
constexpr std::int32_t kFirstStarredState = 13;
constexpr std::int32_t kAmpHoursShownWhole = 10000;

// Appends runs to the report, each in a point size and colour of its own.
class ReportWriter {
 public:
  explicit ReportWriter(Language language)
      : language_(language), labels_(reportLabels(language)) {}

  void newLine() { document_.endParagraph(); }
  void tenPoint(std::string_view text, Rgb colour) { document_.appendRun(text, kTenPoint, colour); }
  void reportSize(std::string_view text, Rgb colour) {
    document_.appendRun(text, labels_.reportPointSize, colour);
  }

  Language language() const { return language_; }
  const ReportLabels& labels() const { return labels_; }
  RichTextDocument take() { return std::move(document_); }

 private:
  Language language_;
  const ReportLabels& labels_;
  RichTextDocument document_;
};

// Whole volts padded to three digits, then the tenth.
std::string dailyVolts(std::int32_t multiplier, std::int32_t value) {
  const std::int32_t tenths = dailyVoltageTenths(multiplier, value);
  return reportInteger(tenths / 10, 3) + "." + std::to_string(tenths - 10 * (tenths / 10));
}

std::string reportAmpHours(std::int32_t ampHours) {
  return ampHours >= kAmpHoursShownWhole ? "9999 Ah." : reportInteger(ampHours, 4) + " Ah.";
}

std::string stateText(std::int32_t stateCode) {
  return stateCode >= kFirstStarredState ? ": *" : ": " + std::to_string(stateCode);
}

// Begins with a line break, so that the report starts on a line of its own
// wherever the document ended.
void writeSeparator(ReportWriter& out) {
  out.newLine();
  out.tenPoint(std::string(kSeparatorLength, '-'), kRed);
}

void writeHeader(ReportWriter& out, int site, const Scaling& scaling, const CurrentStateRecord& current,
                 const ReportStamp& stamp) {
  const ReportLabels& labels = out.labels();
  out.newLine();
  out.reportSize(labels.title, kBlue);
  out.tenPoint("    " + stamp.date + "  " + stamp.time + "     ", kBlack);
  out.reportSize(std::string(labels.siteNumber) + " " + std::to_string(site) + "      " + std::string(labels.state) +
                stateText(current.stateCode) + "    " + std::to_string(12 * scaling.voltageMultiplier) + "  V.",
            kBlack);
}

void writeCurrentLine(ReportWriter& out, std::string_view label, double amperes, std::string_view ampHoursLabel,
                      std::int32_t ampHours) {
  out.newLine();
  out.tenPoint(std::string(label) + "   " + reportDecimal(amperes) + " A       " + std::string(ampHoursLabel) + "   " +
                reportAmpHours(ampHours),
            kBlack);
}

void writeCurrentState(ReportWriter& out, const Scaling& scaling, const CurrentStateRecord& current) {
  const ReportLabels& labels = out.labels();
  out.newLine();
  out.tenPoint(std::string(labels.batteryVoltage) + "   " + reportDecimal(batteryVolts(scaling, current)) +
                " V       " + std::string(labels.maximum) +
                dailyVolts(scaling.voltageMultiplier, current.dailyMaxVoltage) + "V     " +
                std::string(labels.minimum) + dailyVolts(scaling.voltageMultiplier, current.dailyMinVoltage) +
                "V   ..",
            kBlack);
  writeCurrentLine(out, labels.chargeCurrent, chargeAmperes(scaling, current), labels.chargeAmpHours, current.chargeAh);
  writeCurrentLine(out, labels.loadCurrent, loadAmperes(scaling, current), labels.loadAmpHours, current.loadAh);
}

void writeHistory(ReportWriter& out, const HistoryRecord& history,
                  const std::array<std::int32_t, kHistoryDays>& voltageMultipliers) {
  const ReportLabels& labels = out.labels();
  out.newLine();
  out.reportSize(labels.historyTitle, kBlue);
  out.newLine();
  std::string heads;
  for (std::string_view head : labels.historyHeads) heads += (heads.empty() ? "" : "\t") + std::string(head);
  out.reportSize(heads, kBlue);
  out.newLine();
  out.tenPoint("\tAh\t\tAh\t\tV\t\tV", kBlue);
  for (std::size_t day = 0; day < kHistoryDays; ++day) {
    out.newLine();
    out.tenPoint(std::to_string(day) + "\t" + std::to_string(history.chargeAh[day]) + "\t\t" +
                  std::to_string(history.dischargeAh[day]) + "\t\t" +
                  dailyVoltageText(voltageMultipliers[day], history.maxVoltage[day]) + "\t\t" +
                  dailyVoltageText(voltageMultipliers[day], history.minVoltage[day]),
              kBlack);
  }
}

// Tabs between a settings label and its value, chosen per row so that the
// values line up behind labels of different lengths.
std::string settingTabs(int row, Language language) {
  std::string tabs = "\t";
  if (row != 10 && row != 11) tabs += '\t';
  if (row == 14 && language == Language::Chinese) tabs += '\t';
  return tabs;
}

void writeSettings(ReportWriter& out, const SettingsRecord& settings, std::int32_t voltageMultiplier) {
  const auto column = static_cast<std::size_t>(out.language());
  out.newLine();
  out.reportSize(out.labels().settingsTitle, kBlue);
  for (int row = 1; row <= kReportSettingRows; ++row) {
    if (row == kUnreportedSettingRow) continue;
    const ReportSettingRow& texts = reportSettingRow(row);
    const int entry = row - 1;
    out.newLine();
    out.reportSize(texts.label[column], kBlack);
    out.tenPoint(settingTabs(row, out.language()) +
                  settingValueText(entry, settings[static_cast<std::size_t>(entry)], voltageMultiplier) + "\t" +
                  std::string(texts.unit[column]),
              kBlack);
  }
}

void writeCalibration(ReportWriter& out, const CalibrationRecord& calibration) {
  out.newLine();
  out.reportSize(out.labels().calibrationTitle, kBlue);
  out.tenPoint(out.language() == Language::Chinese ? "\t\tG\tO" : "\t\t\tG\tO", kBlue);
  for (int channel = 0; channel < kCalibrationChannels; ++channel) {
    const auto index = static_cast<std::size_t>(channel);
    out.newLine();
    out.reportSize(reportCalibrationLabel(channel, out.language()), kBlack);
    out.tenPoint("\t\t" + hexByteText(calibration.g[index]) + "\t" + hexByteText(calibration.o[index]), kBlack);
  }
}

}  // namespace

RichTextDocument composeReport(const SiteData& data, Language language, int site,
                               const ReportSections& sections, const ReportStamp& stamp) {
  ReportWriter out(language);
  writeSeparator(out);
  writeHeader(out, site, data.scaling, data.current, stamp);
  if (sections.currentState) writeCurrentState(out, data.scaling, data.current);
  if (sections.history) writeHistory(out, data.history, historyVoltageMultipliers(data));
  if (sections.settings) writeSettings(out, data.settings, voltageMultiplierOf(data.origins.settings, data));
  if (sections.calibration) writeCalibration(out, data.calibration);
  return out.take();
}

RichTextDocument composeLogEntry(const LogReading& reading, Language language, const ReportStamp& stamp) {
  ReportWriter out(language);
  writeSeparator(out);
  writeHeader(out, reading.site, reading.scaling, reading.current, stamp);
  writeCurrentState(out, reading.scaling, reading.current);
  return out.take();
}

}  // namespace solwire
