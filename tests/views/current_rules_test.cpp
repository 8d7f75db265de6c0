// What the current-state window writes for each value.
#include <gtest/gtest.h>

#include "views/current_rules.h"

namespace solwire {
namespace {

CurrentStateTexts textsFor(Scaling scaling, CurrentStateRecord current) {
  return currentStateTexts(scaling, current);
}

TEST(CurrentRules, ValuesCarryTheirUnits) {
  CurrentStateRecord current;
  current.batteryVoltageReading = 33376;  // 52.15 V
  current.chargeCurrentReading = 7917;    // x2 / 640 = 24.74 A
  current.loadCurrentReading = 1000;      // x4 / 640 = 6.25 A
  current.chargeAh = 123;
  current.loadAh = 45;
  const CurrentStateTexts texts = textsFor({4, 2, 4, false}, current);
  EXPECT_EQ(texts.batvlab, "52.1 V");  // truncated, never rounded
  EXPECT_EQ(texts.chargelab, "24.7 A");
  EXPECT_EQ(texts.loadlab, "6.2 A");
  EXPECT_EQ(texts.camphrlab, "123 Ah");
  EXPECT_EQ(texts.lamphrlab, "45 Ah");
}

TEST(CurrentRules, ZeroReadingsShowZerosWithUnits) {
  CurrentStateRecord current;
  current.batteryVoltageReading = 0;
  const CurrentStateTexts texts = textsFor({1, 1, 1, false}, current);
  EXPECT_EQ(texts.batvlab, "0.0 V");
  EXPECT_EQ(texts.chargelab, "0.0 A");
  EXPECT_EQ(texts.loadlab, "0.0 A");
  EXPECT_EQ(texts.camphrlab, "0 Ah");
  EXPECT_EQ(texts.maxminlab, "0.0<>0.0");
  EXPECT_EQ(texts.statenumlab, ": 0");
}

TEST(CurrentRules, LargeValuesAreCappedInTheirText) {
  CurrentStateRecord current;
  current.chargeCurrentReading = 640 * 1000;  // 1000 A
  current.loadCurrentReading = 640 * 999 + 639;  // 999.9 A stays as it is
  current.chargeAh = 9999;
  current.loadAh = 10000;
  CurrentStateTexts texts = textsFor({1, 1, 1, false}, current);
  EXPECT_EQ(texts.chargelab, "999 A");
  EXPECT_EQ(texts.loadlab, "999.9 A");
  EXPECT_EQ(texts.camphrlab, "9999 Ah");
  EXPECT_EQ(texts.lamphrlab, "9999 Ah");
  current.loadAh = 65535;
  EXPECT_EQ(textsFor({1, 1, 1, false}, current).lamphrlab, "9999 Ah");
}

TEST(CurrentRules, TheStateLabelShowsTheWholeCode) {
  CurrentStateRecord current;
  for (const auto& [code, text] : std::vector<std::pair<int, std::string>>{
           {17, ": 17"}, {16, ": 16"}, {6, ": 6"}, {254, ": 254"}, {255, ": *"}, {300, ": *"}}) {
    current.stateCode = code;
    EXPECT_EQ(textsFor({4, 1, 1, false}, current).statenumlab, text) << code;
  }
}

TEST(CurrentRules, TheVoltageClassAndDailyRangeFollowTheMultiplier) {
  CurrentStateRecord current;
  current.dailyMinVoltage = 120;
  current.dailyMaxVoltage = 141;
  EXPECT_EQ(textsFor({1, 1, 1, false}, current).typelab, "12V");
  EXPECT_EQ(textsFor({2, 1, 1, false}, current).typelab, "24V");
  const CurrentStateTexts texts = textsFor({4, 1, 1, false}, current);
  EXPECT_EQ(texts.typelab, "48V");
  EXPECT_EQ(texts.maxminlab, "48.0<>56.4");  // minimum first
  EXPECT_EQ(textsFor({2, 1, 1, false}, current).maxminlab, "24.0<>28.2");
}

TEST(CurrentRules, TheAlternateScaleReadsTheBatteryTheOtherWay) {
  CurrentStateRecord current;
  current.batteryVoltageReading = 32000;  // (974 - 500) / 10 = 47.4
  EXPECT_EQ(textsFor({4, 4, 1, true}, current).batvlab, "47.4 V");
  EXPECT_EQ(textsFor({4, 4, 1, false}, current).batvlab, "50.0 V");
}

}  // namespace
}  // namespace solwire
