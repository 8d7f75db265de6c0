#include "protocol/value_format.h"

#include <gtest/gtest.h>

namespace solwire {
namespace {

TEST(OneDecimal, TruncatesAndCapsAtNineHundredNinetyNine) {
  EXPECT_EQ(oneDecimal(12.37), "12.3");
  EXPECT_EQ(oneDecimal(0.0), "0.0");
  EXPECT_EQ(oneDecimal(999.99), "999.9");
  EXPECT_EQ(oneDecimal(1000.0), "999");
  EXPECT_EQ(oneDecimal(123456.0), "999");
}

TEST(OneDecimal, ExactReadingsDoNotLoseATenthToBinaryRounding) {
  // 8128 / 640 is exactly 12.7; 4544 / 640 is 7.1.
  EXPECT_EQ(oneDecimal(8128 / 640.0), "12.7");
  EXPECT_EQ(oneDecimal(4544 / 640.0), "7.1");
  for (int tenths = 0; tenths < 2000; ++tenths) {
    const int reading = tenths * 64;  // volts = reading / 640 = tenths / 10
    const std::string expected = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    ASSERT_EQ(oneDecimal(reading / 640.0), tenths >= 10000 ? "999" : expected) << reading;
  }
}

TEST(CurrentStateText, UnitsAndScales) {
  Scaling s{4, 2, 4, false};
  CurrentStateRecord c;
  c.batteryVoltageReading = 0x7800;  // 48.0 V
  c.chargeCurrentReading = 6400;     // 10 A raw, x2
  c.loadCurrentReading = 320;        // 0.5 A raw, x4
  c.dailyMinVoltage = 120;
  c.dailyMaxVoltage = 141;
  EXPECT_EQ(batteryVoltageText(s, c), "48.0 V");
  EXPECT_EQ(chargeCurrentText(s, c), "20.0 A");
  EXPECT_EQ(loadCurrentText(s, c), "2.0 A");
  EXPECT_EQ(minMaxVoltageText(s, c), "48.0<>56.4");
  EXPECT_EQ(voltageClassText(s), "48V");
  EXPECT_EQ(voltageClassText({1, 1, 1, false}), "12V");
  EXPECT_EQ(voltageClassText({2, 1, 1, false}), "24V");

  s.alternateVoltageScale = true;
  c.batteryVoltageReading = 0;
  EXPECT_EQ(batteryVoltageText(s, c), "97.4 V");
  c.batteryVoltageReading = 6400;  // (974 - 100) / 10
  EXPECT_EQ(batteryVoltageText(s, c), "87.4 V");

  c.chargeCurrentReading = 0xFFFF;  // 4 x 65535 / 640 is over 999
  s.chargeCurrentMultiplier = 16;
  EXPECT_EQ(chargeCurrentText(s, c), "999 A");
}

TEST(CurrentStateText, AmpHoursAndStateCode) {
  EXPECT_EQ(ampHoursText(0), "0 Ah");
  EXPECT_EQ(ampHoursText(9999), "9999 Ah");
  EXPECT_EQ(ampHoursText(10000), "9999 Ah");
  EXPECT_EQ(ampHoursText(65535), "9999 Ah");
  EXPECT_EQ(stateNumberText(255), ": *");
  EXPECT_EQ(stateNumberText(254), ": 254");
  EXPECT_EQ(stateNumberText(6), ": 6");
}

TEST(SettingsText, DisplayRulesByRow) {
  EXPECT_EQ(settingValueText(BoostMaximumVoltage, 144, 2), "28.8");
  EXPECT_EQ(settingValueText(BoostMaximumVoltage, 180, 4), "72.0");
  EXPECT_EQ(settingValueText(StateChangeDelay, 60, 4), "6.0");
  EXPECT_EQ(settingValueText(NumberOfBanksUsed, 3, 4), "3");
  EXPECT_EQ(settingValueText(TemperatureCompensation, 3, 4), "-3");
  EXPECT_EQ(settingValueText(CommunicationBaudRate, 4, 4), "2400");
  EXPECT_EQ(settingValueText(CommunicationBaudRate, 0, 4), "110");
  EXPECT_EQ(settingValueText(CommunicationBaudRate, 5, 4), "4800");
  EXPECT_EQ(settingValueText(CommunicationBaudRate, 6, 4), "9600");
  EXPECT_EQ(settingValueText(CommunicationBaudRate, 7, 4), "?");
  EXPECT_EQ(settingRow(AbsoluteMaximumVoltage).address, 29);
  EXPECT_STREQ(settingRow(StateChangeDelay).unit[2], "分");
  EXPECT_EQ(hexByteText(0x7F), "7F");
  EXPECT_EQ(hexByteText(5), "05");
}

}  // namespace
}  // namespace solwire
