// The state payload of a reading: the numbers the current-state window
// shows, the voltage class and codes, alarms when read, and the error of a
// failed reading.
#include <gtest/gtest.h>

#include <string>

#include "fleet/state_payload.h"
#include "protocol/value_format.h"

namespace solwire::fleet {
namespace {

// The number at the start of a window text: "53.1 V" -> 53.1.
double numberIn(const std::string& text) { return std::stod(text); }

SiteReading goodReading(const Scaling& scaling, const CurrentStateRecord& current) {
  SiteReading reading;
  reading.site = 3;
  reading.time = "2024-05-17T14:03:09+02:00";
  reading.ok = true;
  reading.scaling = scaling;
  reading.current = current;
  return reading;
}

CurrentStateRecord sampleCurrent(int typeCode) {
  CurrentStateRecord c;
  c.typeCode = typeCode;
  c.batteryVoltageReading = 34000;  // 53.125 V
  c.chargeCurrentReading = 1000;
  c.loadCurrentReading = 7999;
  c.dailyMaxVoltage = 141;
  c.dailyMinVoltage = 120;
  c.chargeAh = 12345;
  c.loadAh = 87;
  c.stateCode = 6;
  return c;
}

void expectWindowNumbers(const Json& json, const Scaling& s, const CurrentStateRecord& c) {
  EXPECT_DOUBLE_EQ(json["battery_voltage"].get<double>(), numberIn(batteryVoltageText(s, c)));
  EXPECT_DOUBLE_EQ(json["charge_current"].get<double>(), numberIn(chargeCurrentText(s, c)));
  EXPECT_DOUBLE_EQ(json["load_current"].get<double>(), numberIn(loadCurrentText(s, c)));
  EXPECT_DOUBLE_EQ(json["daily_max_voltage"].get<double>(), numberIn(dailyVoltageText(s.voltageMultiplier, c.dailyMaxVoltage)));
  EXPECT_DOUBLE_EQ(json["daily_min_voltage"].get<double>(), numberIn(dailyVoltageText(s.voltageMultiplier, c.dailyMinVoltage)));
  EXPECT_EQ(json["voltage_class"].get<int>(), numberIn(voltageClassText(s)));
}

TEST(StatePayload, AGoodReadingCarriesTheWindowsNumbers) {
  const Scaling scaling{4, 4, 1, false};
  const Json json = statePayload(goodReading(scaling, sampleCurrent(2)));
  expectWindowNumbers(json, scaling, sampleCurrent(2));
  EXPECT_EQ(json.dump(),
            R"({"site":3,"time":"2024-05-17T14:03:09+02:00","ok":true,"battery_voltage":53.1,"charge_current":6.2,)"
            R"("load_current":12.4,"charge_ah":12345,"load_ah":87,"daily_max_voltage":56.4,"daily_min_voltage":48.0,)"
            R"("state_code":6,"voltage_class":48,"type_code":2})");
}

TEST(StatePayload, TheAlternateScaleCountsDownAsTheWindowDoes) {
  const Scaling scaling{2, 4, 1, true};
  CurrentStateRecord current = sampleCurrent(4);
  current.batteryVoltageReading = 30000;  // (974 - 468.75) / 10 = 50.525
  const Json json = statePayload(goodReading(scaling, current));
  expectWindowNumbers(json, scaling, current);
  EXPECT_DOUBLE_EQ(json["battery_voltage"].get<double>(), 50.5);
  EXPECT_EQ(json["voltage_class"], 24);
}

TEST(StatePayload, ValuesAreTruncatedLikeTheWindowNotRounded) {
  const Scaling scaling{1, 1, 1, false};
  CurrentStateRecord current = sampleCurrent(10);
  current.batteryVoltageReading = 8128;  // 12.7 exactly: must not become 12.6
  current.chargeCurrentReading = 639;    // 0.998 A shows 0.9
  const Json json = statePayload(goodReading(scaling, current));
  expectWindowNumbers(json, scaling, current);
  EXPECT_DOUBLE_EQ(json["battery_voltage"].get<double>(), 12.7);
  EXPECT_DOUBLE_EQ(json["charge_current"].get<double>(), 0.9);
  EXPECT_EQ(json["voltage_class"], 12);
}

TEST(StatePayload, AlarmsAreThirteenBooleansInAlarmNumberOrder) {
  AlarmRecord record;
  record.state[0] = 2;   // active: any non-zero masked bit
  record.state[3] = 16;
  record.state[12] = 64;
  SiteReading reading = goodReading({1, 1, 1, false}, sampleCurrent(10));
  reading.alarms = activeAlarmInputs(record);
  const Json json = statePayload(reading);
  ASSERT_EQ(json["alarms"].size(), 13U);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(json["alarms"][static_cast<std::size_t>(i)], i == 0 || i == 3 || i == 12) << i;
  EXPECT_FALSE(statePayload(goodReading({1, 1, 1, false}, sampleCurrent(10))).contains("alarms"));
}

TEST(StatePayload, AFailedReadingSaysWhyAndCarriesNoValues) {
  SiteReading reading = goodReading({4, 1, 1, false}, sampleCurrent(2));
  reading.ok = false;
  reading.error = "Data Timeout: site 3 did not answer";
  reading.alarms = AlarmInputs{};
  EXPECT_EQ(statePayload(reading).dump(),
            R"({"site":3,"time":"2024-05-17T14:03:09+02:00","ok":false,"error":"Data Timeout: site 3 did not answer"})");
  EXPECT_EQ(statePayload(reading, "2024-05-17T13:03:09+02:00").dump(),
            R"({"site":3,"time":"2024-05-17T14:03:09+02:00","ok":false,"last_seen":"2024-05-17T13:03:09+02:00",)"
            R"("error":"Data Timeout: site 3 did not answer"})");
}

}  // namespace
}  // namespace solwire::fleet
