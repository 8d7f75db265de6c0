// The history chart's scale, bars, labels and grid as plain geometry.
#include <gtest/gtest.h>

#include <random>

#include "views/graph_rules.h"
#include "views/texts/graph_texts.h"

namespace solwire {
namespace {

HistoryRecord filled(std::int32_t value) {
  HistoryRecord history;
  for (auto* values : {&history.chargeAh, &history.dischargeAh, &history.maxVoltage, &history.minVoltage})
    values->fill(value);
  return history;
}

std::vector<std::string> gridNumbers(const ChartPicture& picture) {
  std::vector<std::string> numbers;
  for (const ChartText& label : picture.gridLabels) numbers.push_back(label.text);
  return numbers;
}

TEST(GraphRules, AllZeroGivesTopHundredAndOnePixelBars) {
  const ChartPicture ah = chartPicture(ChartMode::AmpHours, filled(0), 4);
  EXPECT_EQ(ah.top, 100);
  ASSERT_EQ(ah.bars.size(), 64u);
  for (const ChartRect& bar : ah.bars) {
    EXPECT_EQ(bar.top, kChartY0 - 1);
    EXPECT_EQ(bar.bottom, kChartY0);
  }
  EXPECT_EQ(gridNumbers(ah), (std::vector<std::string>{"10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
  const ChartPicture volts = chartPicture(ChartMode::Voltage, filled(0), 4);
  EXPECT_EQ(gridNumbers(volts), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
}

TEST(GraphRules, TheScaleAlwaysLeavesRoomAboveTheLargestBar) {
  HistoryRecord history = filled(0);
  history.dischargeAh[17] = 300;
  ChartSeries series = chartSeries(ChartMode::AmpHours, history, 1);
  EXPECT_EQ(chartTop(series), 400);
  history.dischargeAh[17] = 299;
  EXPECT_EQ(chartTop(chartSeries(ChartMode::AmpHours, history, 1)), 300);
  history.chargeAh[0] = 1020;  // the sample history's largest day
  const ChartPicture picture = chartPicture(ChartMode::AmpHours, history, 1);
  EXPECT_EQ(picture.top, 1100);
  EXPECT_EQ(picture.bars[0].top, kChartY0 - 1020 * 320 / 1100);
  EXPECT_EQ(picture.gridLabels.back().text, "1100");
}

TEST(GraphRules, NegativeAndZeroDaysShowOnePixelBars) {
  HistoryRecord history = filled(50);
  history.chargeAh[3] = -20;
  history.dischargeAh[3] = 0;
  const ChartPicture picture = chartPicture(ChartMode::AmpHours, history, 1);
  EXPECT_EQ(picture.top, 100);
  EXPECT_EQ(picture.bars[6].top, kChartY0 - 1);
  EXPECT_EQ(picture.bars[7].top, kChartY0 - 1);
  EXPECT_EQ(picture.bars[8].top, kChartY0 - 160);
  EXPECT_EQ(barTopY(barHeight(1, 400)), kChartY0 - 1);  // rounds down to nothing
}

TEST(GraphRules, TheVoltageChartAppliesTheClassMultiplier) {
  HistoryRecord history = filled(0);
  history.maxVoltage[5] = 152;
  history.minVoltage[5] = 117;
  const ChartPicture picture = chartPicture(ChartMode::Voltage, history, 4);
  EXPECT_EQ(picture.top, 700);  // 608 is the largest
  EXPECT_EQ(picture.unit, "V");
  EXPECT_EQ(picture.firstColour, kChartLime);
  EXPECT_EQ(picture.secondColour, kChartRed);
  EXPECT_EQ(picture.bars[10], (ChartRect{40 + 90 + 2, 380 - 608 * 320 / 700, 40 + 90 + 9, 380, kChartLime}));
  EXPECT_EQ(picture.bars[11], (ChartRect{40 + 90 + 9, 380 - 468 * 320 / 700, 40 + 90 + 17, 380, kChartRed}));
  EXPECT_EQ(gridNumbers(picture).front(), "7");  // whole volts per grid line
  EXPECT_EQ(gridNumbers(picture).back(), "70");
}

TEST(GraphRules, TheAmpHourChartIsBlueAndYellowInDayOrder) {
  const HistoryRecord history = HistoryRecord::sampleValues();
  const ChartPicture picture = chartPicture(ChartMode::AmpHours, history, 4);
  EXPECT_EQ(picture.unit, "Ah");
  EXPECT_EQ(picture.firstColour, kChartBlue);
  EXPECT_EQ(picture.secondColour, kChartYellow);
  EXPECT_EQ(picture.bars[0], (ChartRect{42, 380 - 720 * 320 / 1100, 49, 380, kChartBlue}));
  EXPECT_EQ(picture.bars[63], (ChartRect{40 + 18 * 31 + 9, 380 - 455 * 320 / 1100, 40 + 18 * 31 + 17, 380, kChartYellow}));
}

TEST(GraphRules, DayLabelsRunOneToThirtyTwoUnderTheirBars) {
  const ChartPicture picture = chartPicture(ChartMode::AmpHours, filled(0), 1);
  ASSERT_EQ(picture.dayLabels.size(), 32u);
  EXPECT_EQ(picture.dayLabels[0], (ChartText{47, 388, "1"}));
  EXPECT_EQ(picture.dayLabels[8], (ChartText{40 + 144 + 7, 388, "9"}));
  EXPECT_EQ(picture.dayLabels[9], (ChartText{40 + 162 + 4, 388, "10"}));
  EXPECT_EQ(picture.dayLabels[31], (ChartText{40 + 558 + 4, 388, "32"}));
}

TEST(GraphRules, AxesAndGridSitAtTheirFixedPlaces) {
  const ChartPicture picture = chartPicture(ChartMode::AmpHours, filled(0), 1);
  EXPECT_EQ(picture.axes, (std::vector<ChartLine>{{36, 380, 620, 380}, {40, 380, 40, 40}}));
  EXPECT_EQ(picture.zeroLabel, (ChartText{8, 370, "0"}));
  ASSERT_EQ(picture.gridLines.size(), 10u);
  EXPECT_EQ(picture.gridLines[0], (ChartLine{36, 348, 620, 348}));
  EXPECT_EQ(picture.gridLines[9], (ChartLine{36, 60, 620, 60}));
  EXPECT_EQ(picture.gridLabels[9], (ChartText{5, 52, "100"}));
  EXPECT_EQ(picture.clearArea, (ChartRect{0, 50, 690, 380, {255, 255, 255}}));
}

// Whatever the regulator logged, every bar stays inside the chart and
// starts on the axis.
TEST(GraphRules, BarsStayWithinTheChartForAnyHistory) {
  std::mt19937 random(7);
  std::uniform_int_distribution<std::int32_t> value(-1000, 65535);
  std::uniform_int_distribution<std::int32_t> multiplier(1, 4);
  for (int round = 0; round < 200; ++round) {
    HistoryRecord history;
    for (auto* values : {&history.chargeAh, &history.dischargeAh, &history.maxVoltage, &history.minVoltage})
      for (auto& v : *values) v = value(random);
    for (const ChartMode mode : {ChartMode::AmpHours, ChartMode::Voltage}) {
      const ChartPicture picture = chartPicture(mode, history, multiplier(random));
      for (const ChartRect& bar : picture.bars) {
        ASSERT_GT(bar.top, kChartY0 - kFullScale);
        ASSERT_LE(bar.top, kChartY0 - 1);
        ASSERT_EQ(bar.bottom, kChartY0);
      }
    }
  }
}

}  // namespace
}  // namespace solwire

namespace solwire {
namespace {

// The legend names what the bars are: amp-hours in one mode, volts in the
// other, in every language.
TEST(GraphTexts, TheLegendNamesAmpHoursAndVoltsApartInEveryLanguage) {
  for (int language = 0; language < 3; ++language) {
    const auto text = [language](GraphText which) { return graphText(which).text[language]; };
    EXPECT_NE(text(GraphText::FirstSeriesAh), text(GraphText::FirstSeriesVolts)) << language;
    EXPECT_NE(text(GraphText::SecondSeriesAh), text(GraphText::SecondSeriesVolts)) << language;
    EXPECT_NE(text(GraphText::FirstSeriesAh).find("Ah"), std::string_view::npos) << language;
  }
}

}  // namespace
}  // namespace solwire
