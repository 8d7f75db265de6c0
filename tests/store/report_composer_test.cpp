#include "store/report_composer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "protocol/reply_decoder.h"
#include "protocol/value_format.h"

namespace solwire {
namespace {

struct Run {
  std::string text;
  double pointSize;
  Rgb colour;
  bool operator==(const Run&) const = default;
};

void PrintTo(const Run& run, std::ostream* out) {
  *out << '"' << run.text << "\" " << run.pointSize << "pt rgb(" << int(run.colour.red) << ','
       << int(run.colour.green) << ',' << int(run.colour.blue) << ')';
}

using Runs = std::vector<Run>;

Runs runsOf(const Paragraph& paragraph) {
  Runs runs;
  for (const TextRun& run : paragraph.runs) {
    EXPECT_EQ(run.format.fontName, "") << "a report run names no face of its own";
    runs.push_back({run.text, run.format.pointSize, run.format.colour});
  }
  return runs;
}

std::vector<std::string> linesOf(const RichTextDocument& document) {
  std::vector<std::string> lines;
  for (const Paragraph& paragraph : document.paragraphs()) lines.push_back(paragraph.plainText());
  return lines;
}

const std::string kSeparator(101, '-');
const ReportStamp kStamp{"07/12/2026", "12:41:54"};
constexpr ReportSections kHeaderOnly{};
constexpr ReportSections kCurrentState{true, false, false, false};

SiteData sampleSite() {
  SiteData data;
  data.scaling = Scaling{1, 1, 1, false};
  data.current.batteryVoltageReading = 25 * 640;       // 25.0 V
  data.current.chargeCurrentReading = 640 * 5 + 320;  // 5.5 A
  data.current.loadCurrentReading = 640 * 12;         // 12.0 A
  data.current.dailyMaxVoltage = 145;
  data.current.dailyMinVoltage = 125;
  data.current.chargeAh = 7;
  data.current.loadAh = 10000;
  data.current.stateCode = 12;
  return data;
}

// The line of the document that starts with `prefix`, or "" when none does.
std::string lineStartingWith(const RichTextDocument& document, const std::string& prefix) {
  for (const std::string& line : linesOf(document)) {
    if (line.starts_with(prefix)) return line;
  }
  return "";
}

TEST(ReportComposer, AllOptionsOffIsALineBreakTheSeparatorAndTheHeader) {
  const RichTextDocument report = composeReport(sampleSite(), Language::English, 3, kHeaderOnly, kStamp);
  const auto& paragraphs = report.paragraphs();
  ASSERT_EQ(paragraphs.size(), 3u) << report.plainText();
  EXPECT_TRUE(paragraphs[0].empty());
  EXPECT_EQ(runsOf(paragraphs[1]), (Runs{{kSeparator, 10, kRed}}));
  // Ten point and report size are the same in English, so the header's black
  // text is one run.
  EXPECT_EQ(runsOf(paragraphs[2]),
            (Runs{{"KVRD DATA", 10, kBlue},
                  {"    07/12/2026  12:41:54     Site Number  3      State: 12    12  V.", 10, kBlack}}));
}

TEST(ReportComposer, TheHeaderIsWrittenInEachLanguageInItsReportSize) {
  SiteData data = sampleSite();
  data.scaling.voltageMultiplier = 4;
  const RichTextDocument french = composeReport(data, Language::French, 31, kHeaderOnly, kStamp);
  EXPECT_EQ(runsOf(french.paragraphs().back()),
            (Runs{{"KVRD DATA", 10, kBlue},
                  {"    07/12/2026  12:41:54     Nombre de Site 31      Etat: 12    48  V.", 10, kBlack}}));

  const RichTextDocument chinese = composeReport(data, Language::Chinese, 0, kHeaderOnly, kStamp);
  ASSERT_EQ(chinese.paragraphs().size(), 3u);
  EXPECT_EQ(runsOf(chinese.paragraphs()[1]), (Runs{{kSeparator, 10, kRed}}));
  EXPECT_EQ(runsOf(chinese.paragraphs()[2]), (Runs{{"KVRD 数据", 13, kBlue},
                                                    {"    07/12/2026  12:41:54     ", 10, kBlack},
                                                    {"设置 0      状态: 12    48  V.", 13, kBlack}}));
}

TEST(ReportComposer, StateCodesFrom13OnAreStarred) {
  SiteData data = sampleSite();
  for (const auto& [code, shown] : {std::pair{12, "State: 12 "}, {13, "State: * "}, {0, "State: 0 "}, {200, "State: * "}}) {
    data.current.stateCode = code;
    const std::string header = linesOf(composeReport(data, Language::English, 1, kHeaderOnly, kStamp)).back();
    EXPECT_NE(header.find(shown), std::string::npos) << code << ": " << header;
  }
}

TEST(ReportComposer, CurrentStateLinesInEnglish) {
  const RichTextDocument report = composeReport(sampleSite(), Language::English, 3, kCurrentState, kStamp);
  const auto& paragraphs = report.paragraphs();
  ASSERT_EQ(paragraphs.size(), 6u) << report.plainText();
  EXPECT_EQ(runsOf(paragraphs[3]), (Runs{{"Battery Voltage     " "  25.0" " V       Max" "  14.5" "V     Min"
                                          "  12.5" "V   ..",
                                          10, kBlack}}));
  EXPECT_EQ(runsOf(paragraphs[4]),
            (Runs{{"Charge Current   " "    5.5" " A       Charge       " "      7" " Ah.", 10, kBlack}}));
  EXPECT_EQ(runsOf(paragraphs[5]),
            (Runs{{"Load Current     " "  12.0" " A       Discharge    " "9999 Ah.", 10, kBlack}}));
}

TEST(ReportComposer, CurrentStateLinesInFrenchAndChinese) {
  const std::vector<std::string> french =
      linesOf(composeReport(sampleSite(), Language::French, 3, kCurrentState, kStamp));
  ASSERT_EQ(french.size(), 6u);
  EXPECT_EQ(french[3], "Tension de Pile     " "  25.0" " V       Max  14.5V     Min  12.5V   ..");
  EXPECT_EQ(french[4], "Courant Recharger       5.5 A       Chargement         7 Ah.");
  EXPECT_EQ(french[5], "Courant Utilite       12.0 A       Dechargement   9999 Ah.");

  const RichTextDocument chinese = composeReport(sampleSite(), Language::Chinese, 3, kCurrentState, kStamp);
  ASSERT_EQ(chinese.paragraphs().size(), 6u);
  EXPECT_EQ(runsOf(chinese.paragraphs()[3]),
            (Runs{{"电池电压     25.0 V       最大  14.5V     最小  12.5V   ..", 10, kBlack}}));
  EXPECT_EQ(linesOf(chinese)[4], "充电电流       5.5 A       每日充电         7 Ah.");
  EXPECT_EQ(linesOf(chinese)[5], "负载电流     12.0 A       每日放电   9999 Ah.");
}

TEST(ReportComposer, TheDailyRangeFollowsTheVoltageClassAndTheBatteryVoltsDoNot) {
  SiteData data = sampleSite();
  for (const int multiplier : {2, 4}) {
    data.scaling.voltageMultiplier = multiplier;
    const std::string line =
        lineStartingWith(composeReport(data, Language::English, 3, kCurrentState, kStamp), "Battery");
    const std::string maximum = multiplier == 2 ? "  29.0" : "  58.0";
    const std::string minimum = multiplier == 2 ? "  25.0" : "  50.0";
    EXPECT_EQ(line, "Battery Voltage     " "  25.0" " V       Max" + maximum + "V     Min" + minimum + "V   ..");
  }
  data.current.dailyMaxVoltage = 255;  // 4 x 255 = 102.0 V: three digits, no padding
  data.current.dailyMinVoltage = 2;    // 0.8 V: two digits missing
  EXPECT_EQ(lineStartingWith(composeReport(data, Language::English, 3, kCurrentState, kStamp), "Battery"),
            "Battery Voltage     " "  25.0" " V       Max102.0V     Min    0.8V   ..");
}

// The window's "48.0<>56.4" as its minimum and maximum.
std::pair<std::string, std::string> windowMinMax(const Scaling& scaling, const CurrentStateRecord& current) {
  const std::string both = minMaxVoltageText(scaling, current);
  const std::size_t between = both.find("<>");
  return {both.substr(0, between), both.substr(between + 2)};
}

TEST(ReportComposer, TheBatteryLineShowsWhatTheCurrentStateWindowShowsForEveryTypeCode) {
  SiteData data = sampleSite();
  for (int type = 0; type < 32; ++type) {
    data.scaling = scalingForCurrentState(type);
    for (const int reading : {0, 8704, 17664, 44672, 65535}) {
      data.current.batteryVoltageReading = reading;
      const std::string line =
          lineStartingWith(composeReport(data, Language::English, 3, kCurrentState, kStamp), "Battery");
      const std::string volts = batteryVoltageText(data.scaling, data.current);  // "13.6 V"
      EXPECT_NE(line.find(" " + volts + "       Max"), std::string::npos)
          << "type " << type << ", reading " << reading << ": window " << volts << ", report " << line;
      const auto [minimum, maximum] = windowMinMax(data.scaling, data.current);
      EXPECT_NE(line.find(maximum + "V     Min"), std::string::npos) << "type " << type << ": " << line;
      EXPECT_TRUE(line.ends_with(" " + minimum + "V   ..")) << "type " << type << ": " << line;
    }
  }
}

TEST(ReportComposer, BatteryVoltsAreTheReadingOver640OrTheAlternateScale) {
  SiteData data = sampleSite();
  data.current.dailyMaxVoltage = 141;
  data.current.dailyMinVoltage = 122;
  data.scaling = scalingForCurrentState(0);  // a 12 V site
  data.current.batteryVoltageReading = 8704;
  EXPECT_EQ(lineStartingWith(composeReport(data, Language::English, 3, kCurrentState, kStamp), "Battery"),
            "Battery Voltage     " "  13.6" " V       Max  14.1V     Min  12.2V   ..");
  data.scaling = scalingForCurrentState(14);  // 24 V on the alternate scale
  data.current.batteryVoltageReading = 44672;  // (974 - 698) / 10
  EXPECT_EQ(lineStartingWith(composeReport(data, Language::English, 3, kCurrentState, kStamp), "Battery"),
            "Battery Voltage     " "  27.6" " V       Max  28.2V     Min  24.4V   ..");
}

TEST(ReportComposer, AmpHoursArePaddedToFourDigitsAndCappedAt9999) {
  SiteData data = sampleSite();
  for (const auto& [ampHours, shown] : {std::pair{7, "      7 Ah."}, {0, "      0 Ah."}, {9999, "9999 Ah."},
                                        {10000, "9999 Ah."}, {65535, "9999 Ah."}, {123, "  123 Ah."}}) {
    data.current.chargeAh = ampHours;
    const std::string line =
        lineStartingWith(composeReport(data, Language::English, 3, kCurrentState, kStamp), "Charge");
    EXPECT_TRUE(line.ends_with(std::string("Charge       ") + shown)) << ampHours << ": " << line;
  }
}

TEST(ReportComposer, CurrentsUseTheirOwnMultipliers) {
  SiteData data = sampleSite();
  data.scaling.chargeCurrentMultiplier = 4;
  data.scaling.loadCurrentMultiplier = 4;
  data.current.chargeCurrentReading = 65535;  // 409.5 A: five characters, no padding
  const RichTextDocument report = composeReport(data, Language::English, 3, kCurrentState, kStamp);
  EXPECT_TRUE(lineStartingWith(report, "Charge").starts_with("Charge Current   409.5 A"));
  EXPECT_TRUE(lineStartingWith(report, "Load").starts_with("Load Current       48.0 A"));
}

TEST(ReportComposer, HistoryBlockHasItsHeadsUnitsAndThirtyTwoDays) {
  SiteData data = sampleSite();
  data.scaling.voltageMultiplier = 4;
  const RichTextDocument report =
      composeReport(data, Language::English, 3, ReportSections{false, true, false, false}, kStamp);
  const auto& paragraphs = report.paragraphs();
  ASSERT_EQ(paragraphs.size(), 3u + 3u + 32u);
  EXPECT_EQ(runsOf(paragraphs[3]), (Runs{{"LOGGED DATA", 10, kBlue}}));
  EXPECT_EQ(runsOf(paragraphs[4]),
            (Runs{{"Day\tCharge    \tDischarge \tVoltage Max. \tVoltage Min. ", 10, kBlue}}));
  EXPECT_EQ(runsOf(paragraphs[5]), (Runs{{"\tAh\t\tAh\t\tV\t\tV", 10, kBlue}}));
  // The built-in sample days: 720 / 560 Ah, 14.5 / 12.5 V per 12 V on day 0.
  EXPECT_EQ(runsOf(paragraphs[6]), (Runs{{"0\t720\t\t560\t\t58.0\t\t50.0", 10, kBlack}}));
  EXPECT_EQ(runsOf(paragraphs[37]), (Runs{{"31\t720\t\t455\t\t58.8\t\t49.2", 10, kBlack}}));
}

TEST(ReportComposer, HistoryHeadsInChineseAreInTheChineseReportSize) {
  const RichTextDocument report =
      composeReport(sampleSite(), Language::Chinese, 3, ReportSections{false, true, false, false}, kStamp);
  ASSERT_GT(report.paragraphs().size(), 6u);
  EXPECT_EQ(runsOf(report.paragraphs()[3]), (Runs{{"被记存的数据", 13, kBlue}}));
  EXPECT_EQ(runsOf(report.paragraphs()[4]), (Runs{{"天\t每日充电\t每日放电\t最大电压\t最小电压", 13, kBlue}}));
  EXPECT_EQ(runsOf(report.paragraphs()[5]), (Runs{{"\tAh\t\tAh\t\tV\t\tV", 10, kBlue}}));
  EXPECT_EQ(linesOf(report)[6], "0\t720\t\t560\t\t14.5\t\t12.5");
}

SiteData siteWithSettings() {
  SiteData data = sampleSite();
  data.scaling.voltageMultiplier = 2;
  data.settings = {144, 140, 2, 138, 133, 125, 150, 3, 6, 25, 90, 110, 125, 30, 115, 3, 0};
  return data;
}

constexpr ReportSections kSettingsOnly{false, false, true, false};

TEST(ReportComposer, SettingsBlockInEnglishSkipsRowEightAndTabsTheValues) {
  const std::vector<std::string> lines =
      linesOf(composeReport(siteWithSettings(), Language::English, 3, kSettingsOnly, kStamp));
  const std::vector<std::string> block(lines.begin() + 3, lines.end());
  EXPECT_EQ(block, (std::vector<std::string>{
                       "Control Settings",
                       "Boost Maximum Voltage\t\t28.8\tV",
                       "Boost Taper Voltage\t\t28.0\tV",
                       "Number of Banks Used\t\t2\t",
                       "Float Maximum Voltage\t\t27.6\tV",
                       "Float Minimum Voltage\t\t26.6\tV",
                       "Boost Cut-in Voltage\t\t25.0\tV",
                       "Absolute Maximum Voltage\t\t30.0\tV",
                       "State Change Delay\t\t0.6\tmin",
                       "Display Temperature Setting\t25\toC",
                       "Display Contrast\t90\t",
                       "Load Disconnect Voltage\t\t22.0\tV",
                       "Load Reconnect Voltage\t\t25.0\tV",
                       "Delay before disconnect\t\t30\tsec",
                       "Low Battery Alarm on at\t\t23.0\tV",
                       "Communication Baud Rate\t\t1200\tbaud",
                   }));
}

TEST(ReportComposer, SettingsLabelsAreInReportSizeAndValuesInTenPoint) {
  const RichTextDocument report = composeReport(siteWithSettings(), Language::Chinese, 3, kSettingsOnly, kStamp);
  const auto& paragraphs = report.paragraphs();
  ASSERT_EQ(paragraphs.size(), 3u + 1u + 15u);
  EXPECT_EQ(runsOf(paragraphs[3]), (Runs{{"控制设置", 13, kBlue}}));
  EXPECT_EQ(runsOf(paragraphs[6]), (Runs{{"通道使用数  ", 13, kBlack}, {"\t\t2\t", 10, kBlack}}));
  // Row 14 takes a third tab in Chinese only.
  EXPECT_EQ(runsOf(paragraphs[16]), (Runs{{"断开延时", 13, kBlack}, {"\t\t\t30\t秒", 10, kBlack}}));
  EXPECT_EQ(runsOf(paragraphs[18]), (Runs{{"通信波特速率", 13, kBlack}, {"\t\t1200\t波特", 10, kBlack}}));
  EXPECT_EQ(linesOf(report)[14], "低电压负载断开路\t\t22.0\tV");
  EXPECT_EQ(linesOf(report)[17], "电流低电压警告\t\t23.0\tV");
}

TEST(ReportComposer, FrenchSettingsRowsUseTheFrenchLabelsAndUnits) {
  const std::vector<std::string> lines =
      linesOf(composeReport(siteWithSettings(), Language::French, 3, kSettingsOnly, kStamp));
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[3], "Controle poses");
  EXPECT_EQ(lines[11], "Condition changer delai\t\t0.6\tmin");
  EXPECT_EQ(lines[12], "LCD Temperature\t25\toC");
  EXPECT_EQ(lines[16], "Delai de desunir\t\t30\tsec");
}

TEST(ReportComposer, EachBaudCodeHasItsTextAndSevenHasAQuestionMark) {
  SiteData data = siteWithSettings();
  const std::vector<std::pair<int, std::string>> cases{{0, "110"}, {3, "1200"}, {4, "2400"}, {6, "9600"}, {7, "?"}};
  for (const auto& [code, shown] : cases) {
    data.settings[CommunicationBaudRate] = code;
    EXPECT_EQ(linesOf(composeReport(data, Language::English, 3, kSettingsOnly, kStamp)).back(),
              "Communication Baud Rate\t\t" + shown + "\tbaud");
  }
}

SiteData siteWithCalibration() {
  SiteData data = sampleSite();
  data.calibration.g = {10, 0, 255, 1, 2, 3, 4, 0xAB};
  data.calibration.o = {0x80, 9, 16, 1, 2, 3, 4, 0xCD};
  return data;
}

constexpr ReportSections kCalibrationOnly{false, false, false, true};

TEST(ReportComposer, CalibrationBlockWritesTwoHexadecimalDigits) {
  const RichTextDocument report =
      composeReport(siteWithCalibration(), Language::English, 3, kCalibrationOnly, kStamp);
  const auto& paragraphs = report.paragraphs();
  ASSERT_EQ(paragraphs.size(), 3u + 1u + 8u);
  EXPECT_EQ(runsOf(paragraphs[3]), (Runs{{"Calibration\t\t\tG\tO", 10, kBlue}}));
  EXPECT_EQ(runsOf(paragraphs[4]), (Runs{{"Display Temperature\t\t0A\t80", 10, kBlack}}));
  EXPECT_EQ(linesOf(report)[5], "Battery Temperature\t\t00\t09");
  EXPECT_EQ(linesOf(report)[6], "Solar Voltage Bank A\t\tFF\t10");
  EXPECT_EQ(linesOf(report)[11], "Battery Voltage    \t\tAB\tCD");
}

TEST(ReportComposer, CalibrationBlockInChineseAndFrench) {
  const RichTextDocument chinese =
      composeReport(siteWithCalibration(), Language::Chinese, 3, kCalibrationOnly, kStamp);
  ASSERT_EQ(chinese.paragraphs().size(), 12u);
  EXPECT_EQ(runsOf(chinese.paragraphs()[3]), (Runs{{"校准设置", 13, kBlue}, {"\t\tG\tO", 10, kBlue}}));
  EXPECT_EQ(runsOf(chinese.paragraphs()[4]), (Runs{{"显示温度", 13, kBlack}, {"\t\t0A\t80", 10, kBlack}}));
  EXPECT_EQ(linesOf(chinese)[8], "负载电压\t\t02\t02");

  const std::vector<std::string> french =
      linesOf(composeReport(siteWithCalibration(), Language::French, 3, kCalibrationOnly, kStamp));
  EXPECT_EQ(french[3], "Calibratione\t\t\tG\tO");
  EXPECT_EQ(french[4], "Temperature de LCD \t\t0A\t80");
}

TEST(ReportComposer, SectionsFollowInTheirFixedOrder) {
  SiteData data = siteWithSettings();
  data.calibration = siteWithCalibration().calibration;
  const RichTextDocument report =
      composeReport(data, Language::English, 3, ReportSections{true, true, true, true}, kStamp);
  const std::vector<std::string> lines = linesOf(report);
  ASSERT_EQ(lines.size(), 3u + 3u + 35u + 16u + 9u);
  EXPECT_TRUE(lines[3].starts_with("Battery Voltage"));
  EXPECT_EQ(lines[6], "LOGGED DATA");
  EXPECT_EQ(lines[41], "Control Settings");
  EXPECT_EQ(lines[57], "Calibration\t\t\tG\tO");
  EXPECT_EQ(lines.back(), "Battery Voltage    \t\tAB\tCD");
}

TEST(ReportComposer, AppendedReportsStartOnAFreshLineAndKeepTheirOrder) {
  RichTextDocument file;
  file.appendRun("earlier text", 12, kBlack);
  SiteData data = sampleSite();
  file.append(composeReport(data, Language::English, 3, kHeaderOnly, kStamp));
  data.current.stateCode = 5;
  file.append(composeReport(data, Language::English, 4, kHeaderOnly, ReportStamp{"08/12/2026", "01:00:00"}));
  EXPECT_EQ(file.plainText(), "earlier text\n" + kSeparator +
                                  "\nKVRD DATA    07/12/2026  12:41:54     Site Number  3      State: 12    12  V.\n" +
                                  kSeparator +
                                  "\nKVRD DATA    08/12/2026  01:00:00     Site Number  4      State: 5    12  V.");

  RichTextDocument empty;
  empty.append(composeReport(data, Language::English, 3, kHeaderOnly, kStamp));
  EXPECT_EQ(linesOf(empty).front(), "") << "an empty document gets an empty first line";
}

TEST(LogEntry, IsTheHeaderAndCurrentStateOfTheLogSite) {
  LogReading reading;
  reading.site = 17;
  reading.scaling = Scaling{2, 4, 1, false};
  reading.current = sampleSite().current;
  reading.current.stateCode = 13;

  const RichTextDocument entry = composeLogEntry(reading, Language::English, kStamp);
  const std::vector<std::string> lines = linesOf(entry);
  ASSERT_EQ(lines.size(), 6u) << entry.plainText();
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(runsOf(entry.paragraphs()[1]), (Runs{{kSeparator, 10, kRed}}));
  EXPECT_EQ(lines[2], "KVRD DATA    07/12/2026  12:41:54     Site Number  17      State: *    24  V.");
  EXPECT_EQ(lines[3], "Battery Voltage     " "  25.0" " V       Max  29.0V     Min  25.0V   ..");
  EXPECT_EQ(lines[4], "Charge Current     22.0 A       Charge             7 Ah.");
  EXPECT_EQ(lines[5], "Load Current     " "  12.0" " A       Discharge    9999 Ah.");
}

TEST(LogEntry, IsComposedAsTheReportWithOnlyTheCurrentStateInEachLanguage) {
  SiteData data = sampleSite();
  data.scaling = Scaling{4, 2, 4, true};
  LogReading reading{9, data.scaling, data.current};
  for (const Language language : {Language::English, Language::French, Language::Chinese}) {
    EXPECT_EQ(composeLogEntry(reading, language, kStamp),
              composeReport(data, language, 9, kCurrentState, kStamp));
  }
}

}  // namespace
}  // namespace solwire
