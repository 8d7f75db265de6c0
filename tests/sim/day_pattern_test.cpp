// The live state through a simulated day, read off the line as the host
// would, and the plausibility of freshly seeded sites.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/regulator_bus.h"
#include "tests/sim/sim_test_support.h"

namespace solwire::sim {
namespace {

using testing::ask;
using testing::at;
using testing::bytes;
using testing::dataBytes;
using testing::send;
using testing::word;

constexpr int kPlain12V = 6;  // 12 V class, currents unscaled

// A current-state reply of a plain 12 V regulator, in volts and amperes.
struct Reading {
  double volts, chargeAmps, loadAmps;
  int dailyMax, dailyMin, chargeAh, loadAh, stateCode;
};

Reading readState(RegulatorBus& bus, int site, const LocalTime& now) {
  const auto p = dataBytes(ask(bus, site, 'N', now));
  return Reading{word(p, 1, 2) / 640.0, word(p, 3, 4) / 640.0, word(p, 5, 6) / 640.0,
                 p[6], p[7], word(p, 9, 10), word(p, 11, 12), p[12]};
}

class DayPattern : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    for (int site = 0; site < 4; ++site) bus.addSite(site, kPlain12V);
  }
  RegulatorBus bus{static_cast<std::uint32_t>(GetParam())};
};

TEST_P(DayPattern, ChargeCurrentFollowsTheSun) {
  for (int site = 0; site < 4; ++site) {
    for (int hour : {0, 3, 5, 19, 22}) EXPECT_EQ(readState(bus, site, at(hour)).chargeAmps, 0.0) << hour;
    const double morning = readState(bus, site, at(7)).chargeAmps;
    const double midMorning = readState(bus, site, at(9, 30)).chargeAmps;
    const double noon = readState(bus, site, at(12)).chargeAmps;
    EXPECT_GT(morning, 0.0);
    EXPECT_GT(midMorning, morning);
    EXPECT_GT(noon, midMorning);
    EXPECT_GT(noon, readState(bus, site, at(16)).chargeAmps);
    EXPECT_GT(readState(bus, site, at(20)).loadAmps, 0.0);
  }
}

TEST_P(DayPattern, BatteryRisesWhileChargingAndFallsAtNight) {
  for (int site = 0; site < 4; ++site) {
    const double dawn = readState(bus, site, at(5, 30)).volts;
    EXPECT_GT(readState(bus, site, at(13)).volts, dawn + 0.5);
    EXPECT_GT(readState(bus, site, at(19)).volts, readState(bus, site, at(23)).volts);
    EXPECT_GT(readState(bus, site, at(23)).volts, readState(bus, site, at(4)).volts);
    for (int hour = 0; hour < 24; ++hour) {
      const double volts = readState(bus, site, at(hour)).volts;
      EXPECT_GT(volts, 11.5) << hour;
      EXPECT_LT(volts, 15.5) << hour;
    }
  }
}

TEST_P(DayPattern, ChargeVoltageFollowsTheBoostSetting) {
  const double before = readState(bus, 1, at(11)).volts;
  send(bus, bytes({0xC1, 0xA5, 0x10, 170, 0xE1}), at(11));  // boost maximum 17.0 V
  EXPECT_GT(readState(bus, 1, at(11)).volts, before + 0.5);
}

TEST_P(DayPattern, AmpHoursAccumulateFromMidnight) {
  for (int site = 0; site < 4; ++site) {
    EXPECT_EQ(readState(bus, site, at(0)).chargeAh, 0);
    EXPECT_EQ(readState(bus, site, at(0)).loadAh, 0);
    Reading previous = readState(bus, site, at(0));
    for (int hour = 1; hour < 24; ++hour) {
      const Reading now = readState(bus, site, at(hour));
      EXPECT_GE(now.chargeAh, previous.chargeAh) << hour;
      EXPECT_GT(now.loadAh, previous.loadAh) << hour;
      previous = now;
    }
    EXPECT_GT(readState(bus, site, at(10)).chargeAh, readState(bus, site, at(7)).chargeAh);
    EXPECT_GT(previous.chargeAh, 50);
    EXPECT_EQ(readState(bus, site, at(0, 30, 16)).chargeAh, 0);  // the next day starts from zero
  }
}

TEST_P(DayPattern, DailyExtremesBracketTheVoltageAndOnlyWiden) {
  for (int site = 0; site < 4; ++site) {
    int lastMax = 0;
    int lastMin = 255;
    for (int step = 0; step < 48; ++step) {
      const Reading now = readState(bus, site, at(step / 2, step % 2 * 30));
      const double tenths = now.volts * 10.0;
      EXPECT_GE(now.dailyMax + 1, tenths) << step;
      EXPECT_LE(now.dailyMin - 1, tenths) << step;
      EXPECT_GE(now.dailyMax, lastMax) << step;
      EXPECT_LE(now.dailyMin, lastMin) << step;
      lastMax = now.dailyMax;
      lastMin = now.dailyMin;
    }
    EXPECT_GT(lastMax, lastMin + 10);
  }
}

TEST_P(DayPattern, StateCodeIsSmallAndTellsNightFromDay) {
  for (int site = 0; site < 4; ++site) {
    const int night = readState(bus, site, at(2)).stateCode;
    EXPECT_NE(night, readState(bus, site, at(10)).stateCode);
    EXPECT_EQ(night, readState(bus, site, at(21)).stateCode);
    for (int hour = 0; hour < 24; ++hour)
      EXPECT_LT(readState(bus, site, at(hour)).stateCode, 64) << hour;
  }
}

TEST_P(DayPattern, CloudsChangeFromDayToDayButReplayAlike) {
  const double noon = readState(bus, 0, at(12, 0, 15)).chargeAmps;
  EXPECT_EQ(readState(bus, 0, at(12, 0, 15)).chargeAmps, noon);
  bool anotherDayDiffers = false;
  for (int day = 1; day <= 10; ++day)
    anotherDayDiffers |= readState(bus, 0, at(12, 0, day)).chargeAmps != noon;
  EXPECT_TRUE(anotherDayDiffers);
}

INSTANTIATE_TEST_SUITE_P(Seeds, DayPattern, ::testing::Values(1, 2, 977));

// The type code sets the scaling of the readings; the host undoes it with the
// multipliers and, for some models, the inverted voltage formula.
TEST(ModelScaling, EveryModelReadsBackToTheSameBattery) {
  struct Model {
    int typeCode, voltageClass, chargeMultiplier, loadMultiplier;
    bool inverted;
  };
  const Model models[] = {{0, 1, 4, 1, false}, {3, 1, 4, 1, true},  {14, 2, 1, 4, true},
                          {23, 4, 1, 1, false}, {30, 4, 2, 1, true}, {17, 2, 2, 1, false}};
  RegulatorBus bus(21);
  RegulatorSite& site = bus.addSite(9, kPlain12V);
  const Reading plain = readState(bus, 9, at(11));
  for (const Model& m : models) {
    site.setTypeCode(m.typeCode);
    const auto p = dataBytes(ask(bus, 9, 'N', at(11)));
    const double reading = word(p, 1, 2);
    const double volts = m.inverted ? (974 - reading / 64) / 10 : reading / 640;
    EXPECT_NEAR(volts / m.voltageClass, plain.volts, 0.01) << m.typeCode;
    EXPECT_NEAR(m.chargeMultiplier * word(p, 3, 4) / 640.0, plain.chargeAmps, 0.01) << m.typeCode;
    EXPECT_NEAR(m.loadMultiplier * word(p, 5, 6) / 640.0, plain.loadAmps, 0.01) << m.typeCode;
    EXPECT_EQ(p[6], plain.dailyMax) << m.typeCode;  // tenths per 12 V whatever the class
  }
}

TEST(SeededSites, ContentsArePlausible) {
  for (std::uint32_t seed : {1u, 2u, 3u, 40u, 5000u}) {
    RegulatorBus bus(seed);
    for (int number = 0; number < kSiteCount; ++number) {
      const RegulatorSite& site = bus.addSite(number, number);
      const auto& m = site.memory();
      const auto within = [&](int address, int low, int high) {
        EXPECT_GE(m[static_cast<std::size_t>(address)], low) << "address " << address;
        EXPECT_LE(m[static_cast<std::size_t>(address)], high) << "address " << address;
      };
      within(16, 135, 180);  // boost maximum
      within(17, 135, 170);  // boost taper
      within(19, 130, 150);  // float maximum
      within(20, 125, 150);  // float minimum
      within(21, 115, 140);  // boost cut-in
      within(23, 5, 200);    // contrast
      within(24, 95, 125);   // load disconnect
      within(25, 115, 170);  // load reconnect
      within(26, 2, 250);    // disconnect delay
      within(27, 95, 130);   // low battery alarm
      within(29, 135, 180);  // absolute maximum
      EXPECT_LE(m[18] >> 2, 60);
      EXPECT_LE(m[28] >> 5, 4);  // a baud rate with a name
      EXPECT_LT(m[20], m[19]);
      EXPECT_LT(m[19], m[16]);
      EXPECT_LE(m[16], m[29]);
      EXPECT_LT(m[24], m[25]);

      for (const HistoryDay& day : site.history()) {
        EXPECT_GE(day.minVoltage, 110);
        EXPECT_LT(day.minVoltage, day.maxVoltage);
        EXPECT_LE(day.maxVoltage, 160);
        EXPECT_GT(day.chargeAh, 0);
        EXPECT_GT(day.dischargeAh, 0);
      }
      const auto& alarms = site.alarmInputs();
      EXPECT_TRUE(std::any_of(alarms.begin(), alarms.end(), [](bool active) { return active; }));
      EXPECT_FALSE(std::all_of(alarms.begin(), alarms.end(), [](bool active) { return active; }));
    }
  }
}

}  // namespace
}  // namespace solwire::sim
