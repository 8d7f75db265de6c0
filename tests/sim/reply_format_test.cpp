// Replies checked against byte sequences worked out by hand from the reply
// format: header byte, tag nibbles, data bytes as nibble pairs high first.
#include <gtest/gtest.h>

#include "sim/regulator_bus.h"
#include "tests/sim/sim_test_support.h"

namespace solwire::sim {
namespace {

using testing::ask;
using testing::bytes;
using testing::Bytes;
using testing::dataBytes;

class ReplyFormat : public ::testing::Test {
 protected:
  RegulatorBus bus{3};
  RegulatorSite& site = bus.addSite(5, 14);
};

TEST_F(ReplyFormat, CurrentStateCarriesTypeCodeAndReadingsHighByteFirst) {
  CurrentState state;
  state.batteryVoltage = 0x8340;
  state.chargeCurrent = 0x1234;
  state.loadCurrent = 0x0A0B;
  state.dailyMaxVoltage = 0x91;
  state.dailyMinVoltage = 0x7A;
  state.chargeAmpHours = 0x0102;
  state.loadAmpHours = 0x00FF;
  state.stateCode = 0x46;
  site.pinCurrentState(state);

  const Bytes expected = bytes({0x0E,                          // type code 14
                                0x28, 0x23, 0x24, 0x20,        // battery 0x8340
                                0x21, 0x22, 0x23, 0x24,        // charge 0x1234
                                0x20, 0x2A, 0x20, 0x2B,        // load 0x0A0B
                                0x29, 0x21, 0x27, 0x2A,        // max 0x91, min 0x7A
                                0x20, 0x21, 0x20, 0x22,        // charge Ah 0x0102
                                0x20, 0x20, 0x2F, 0x2F,        // load Ah 0x00FF
                                0x24, 0x26});                  // state 0x46
  EXPECT_EQ(ask(bus, 5, 'N'), expected);

  site.setTypeCode(31);
  EXPECT_EQ(ask(bus, 5, 'N').front(), 0x1F);
  EXPECT_THROW(site.setTypeCode(32), std::out_of_range);
  EXPECT_THROW(site.setTypeCode(-1), std::out_of_range);
}

TEST_F(ReplyFormat, SettingsAndCalibrationAreTheTwoHalvesOfMemory) {
  for (int address = 0; address < kMemorySize; ++address)
    site.memory()[static_cast<std::size_t>(address)] =
        static_cast<std::uint8_t>(0x80 + address * 3);
  site.memory()[15] = 0x5C;
  site.memory()[16] = 0x91;
  site.memory()[31] = 0xAB;

  const Bytes settings = ask(bus, 5, '~');
  ASSERT_EQ(settings.size(), 33u);
  EXPECT_EQ(settings[0], 0x50);
  EXPECT_EQ(Bytes(settings.begin() + 1, settings.begin() + 3), bytes({0x69, 0x61}));
  EXPECT_EQ(Bytes(settings.begin() + 31, settings.end()), bytes({0x6A, 0x6B}));

  const Bytes calibration = ask(bus, 5, '}');
  ASSERT_EQ(calibration.size(), 33u);
  EXPECT_EQ(calibration[0], 0x50);
  EXPECT_EQ(Bytes(calibration.begin() + 1, calibration.begin() + 3), bytes({0x68, 0x60}));  // 0x80
  EXPECT_EQ(Bytes(calibration.begin() + 31, calibration.end()), bytes({0x65, 0x6C}));     // 0x5C

  for (std::size_t i = 1; i < 33; ++i) {
    EXPECT_EQ(settings[i] >> 4, 0x6) << i;
    EXPECT_EQ(calibration[i] >> 4, 0x6) << i;
  }
  const auto p = dataBytes(settings);
  for (std::size_t k = 1; k <= 16; ++k) EXPECT_EQ(p[k - 1], site.memory()[15 + k]) << k;
}

TEST_F(ReplyFormat, HistoryBlockCarriesFourDaysWithAmpHoursLowByteFirst) {
  site.history()[9] = HistoryDay{0x7B, 0x92, 0x1234, 0x0567};
  site.history()[31] = HistoryDay{0x70, 0x96, 0xBEEF, 0x0001};
  site.history()[0] = HistoryDay{0x71, 0x8F, 0x02D0, 0x0230};

  // Block 3 holds days 8..11; day 9 is the second group, P7..P12 in bytes 13..24.
  const Bytes block3 = ask(bus, 5, 0x22);
  ASSERT_EQ(block3.size(), 49u);
  EXPECT_EQ(block3[0], 0x90);
  EXPECT_EQ(Bytes(block3.begin() + 13, block3.begin() + 25),
            bytes({0xA7, 0xAB,     // min 0x7B
                   0xA9, 0xA2,     // max 0x92
                   0xA3, 0xA4,     // charge low byte 0x34
                   0xA1, 0xA2,     // charge high byte 0x12
                   0xA6, 0xA7,     // discharge low byte 0x67
                   0xA0, 0xA5}));  // discharge high byte 0x05
  for (std::size_t i = 1; i < 49; ++i) EXPECT_EQ(block3[i] >> 4, 0xA) << i;

  // Block 8 ends with day 31 (P19..P24, bytes 37..48); block 1 starts with day 0.
  const Bytes block8 = ask(bus, 5, 0x27);
  EXPECT_EQ(Bytes(block8.begin() + 37, block8.end()),
            bytes({0xA7, 0xA0, 0xA9, 0xA6, 0xAE, 0xAF, 0xAB, 0xAE, 0xA0, 0xA1, 0xA0, 0xA0}));
  const Bytes block1 = ask(bus, 5, 0x20);
  EXPECT_EQ(Bytes(block1.begin() + 1, block1.begin() + 13),
            bytes({0xA7, 0xA1, 0xA8, 0xAF, 0xAD, 0xA0, 0xA0, 0xA2, 0xA3, 0xA0, 0xA0, 0xA2}));
}

TEST_F(ReplyFormat, EveryHistoryDayComesBackFromItsBlock) {
  for (int block = 1; block <= 8; ++block) {
    const auto p = dataBytes(ask(bus, 5, 0x1F + block));
    ASSERT_EQ(p.size(), 24u);
    for (int j = 0; j < 4; ++j) {
      const HistoryDay& day = site.history()[static_cast<std::size_t>(4 * (block - 1) + j)];
      const auto at = [&](int offset) { return p[static_cast<std::size_t>(6 * j + offset - 1)]; };
      EXPECT_EQ(at(1), day.minVoltage);
      EXPECT_EQ(at(2), day.maxVoltage);
      EXPECT_EQ(at(4) * 256 + at(3), day.chargeAh);
      EXPECT_EQ(at(6) * 256 + at(5), day.dischargeAh);
    }
  }
}

// The host's reading of P1, P2: input 3 is active when its bit is clear.
AlarmInputs decodeAlarms(int p1, int p2) {
  return {(p2 & 2) != 0,  (p2 & 4) != 0,  (p2 & 128) != 0, (p2 & 16) == 0, (p2 & 1) != 0,
          (p2 & 64) != 0, (p1 & 1) != 0,  (p1 & 2) != 0,   (p1 & 4) != 0,  (p1 & 8) != 0,
          (p1 & 16) != 0, (p1 & 32) != 0, (p1 & 64) != 0};
}

TEST_F(ReplyFormat, AlarmInputsWithInputThreeActiveLow) {
  site.alarmInputs().fill(false);
  EXPECT_EQ(ask(bus, 5, 'V'), bytes({0xD0, 0xE0, 0xE0, 0xE1, 0xE0}));  // P2 = 0x10

  site.alarmInputs()[3] = true;
  EXPECT_EQ(ask(bus, 5, 'V'), bytes({0xD0, 0xE0, 0xE0, 0xE0, 0xE0}));

  site.alarmInputs().fill(true);
  EXPECT_EQ(ask(bus, 5, 'V'), bytes({0xD0, 0xE7, 0xEF, 0xEC, 0xE7}));  // P1 0x7F, P2 0xC7

  // Each input alone, and a few mixtures, read back as the host reads them.
  for (int mask = 0; mask < (1 << kAlarmInputCount); mask += 97) {
    AlarmInputs inputs{};
    for (int i = 0; i < kAlarmInputCount; ++i)
      inputs[static_cast<std::size_t>(i)] = ((mask >> i) & 1) != 0;
    site.alarmInputs() = inputs;
    const auto p = dataBytes(ask(bus, 5, 'V'));
    EXPECT_EQ(decodeAlarms(p[0], p[1]), inputs) << mask;
  }
  for (int i = 0; i < kAlarmInputCount; ++i) {
    site.alarmInputs().fill(false);
    site.alarmInputs()[static_cast<std::size_t>(i)] = true;
    const auto p = dataBytes(ask(bus, 5, 'V'));
    EXPECT_EQ(decodeAlarms(p[0], p[1]), site.alarmInputs()) << "input " << i;
  }
}

}  // namespace
}  // namespace solwire::sim
