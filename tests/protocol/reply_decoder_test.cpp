#include "protocol/reply_decoder.h"

#include <gtest/gtest.h>

#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using test::alarmReply;
using test::currentStateReply;
using test::historyReply;
using test::memoryReply;

std::vector<int> zeros(int n) { return std::vector<int>(static_cast<std::size_t>(n), 0); }

TEST(ReplyFraming, CurrentStateReplyWrittenOutByHand) {
  // Type code 2; battery 0x1E00, charge 0x0280, load 0x0140, max 141, min 120,
  // charge 300 Ah, load 0x0102 Ah, state 5.
  const std::vector<std::uint8_t> reply{
      0x02, 0x21, 0x2E, 0x20, 0x20, 0x20, 0x22, 0x28, 0x20, 0x20, 0x21, 0x24, 0x20, 0x28,
      0x2D, 0x27, 0x28, 0x20, 0x21, 0x22, 0x2C, 0x20, 0x21, 0x20, 0x22, 0x20, 0x25};
  ASSERT_EQ(reply.size(), 27u);
  EXPECT_TRUE(replyFramingOk(RequestKind::CurrentState, reply));

  SiteData data;
  storeReply(data, RequestKind::CurrentState, reply, 0);
  EXPECT_EQ(data.current.batteryVoltageReading, 0x1E00);
  EXPECT_EQ(data.current.chargeCurrentReading, 0x0280);
  EXPECT_EQ(data.current.loadCurrentReading, 0x0140);
  EXPECT_EQ(data.current.dailyMaxVoltage, 141);
  EXPECT_EQ(data.current.dailyMinVoltage, 120);
  EXPECT_EQ(data.current.chargeAh, 300);
  EXPECT_EQ(data.current.loadAh, 0x0102);
  EXPECT_EQ(data.current.stateCode, 5);
  EXPECT_EQ(data.scaling.voltageMultiplier, 4);
  EXPECT_EQ(data.scaling.chargeCurrentMultiplier, 4);
}

TEST(ReplyFraming, EveryKindRejectsAWrongHeaderTagOrLength) {
  auto current = currentStateReply(0x1F, zeros(13));
  EXPECT_TRUE(replyFramingOk(RequestKind::CurrentState, current));
  current[0] = 0x20;  // type codes stop at 0x1F
  EXPECT_FALSE(replyFramingOk(RequestKind::CurrentState, current));

  auto settings = memoryReply(zeros(16));
  EXPECT_TRUE(replyFramingOk(RequestKind::Settings, settings));
  EXPECT_TRUE(replyFramingOk(RequestKind::Calibration, settings));
  settings[32] = 0x70;  // last tag wrong
  EXPECT_FALSE(replyFramingOk(RequestKind::Settings, settings));

  auto history = historyReply(zeros(24));
  EXPECT_TRUE(replyFramingOk(RequestKind::HistoryBlock, history));
  history[0] = 0x50;
  EXPECT_FALSE(replyFramingOk(RequestKind::HistoryBlock, history));

  auto alarms = alarmReply(0, 0);
  EXPECT_TRUE(replyFramingOk(RequestKind::AlarmInputs, alarms));
  alarms.pop_back();
  EXPECT_FALSE(replyFramingOk(RequestKind::AlarmInputs, alarms));
  // A reply of one kind never passes as another.
  EXPECT_FALSE(replyFramingOk(RequestKind::CurrentState, memoryReply(zeros(16))));
}

TEST(ReplyFraming, ByteOneWithHighNibbleThreeFailsTheCheck) {
  auto reply = currentStateReply(0, zeros(13));
  reply[1] = 0x31;
  EXPECT_FALSE(replyFramingOk(RequestKind::CurrentState, reply));
}

TEST(CurrentStateDecoding, StateCodeAboveSixtyNineLosesSixtyFour) {
  auto stateFor = [](int p13) {
    std::vector<int> p = zeros(13);
    p[12] = p13;
    SiteData data;
    storeReply(data, RequestKind::CurrentState, currentStateReply(0, p), 0);
    return data.current.stateCode;
  };
  EXPECT_EQ(stateFor(70), 6);
  EXPECT_EQ(stateFor(69), 69);
  EXPECT_EQ(stateFor(133), 69);
  EXPECT_EQ(stateFor(255), 191);
}

// The scaling table as the regulator documentation lists it, row by row:
// V, C, L, A.
struct ScalingRow {
  int v, c, l;
  bool a;
};
constexpr ScalingRow kScalingTable[32] = {
    {1, 4, 1, false}, {2, 4, 1, false}, {4, 4, 1, false}, {1, 4, 1, true},  {2, 4, 1, true},  {4, 4, 1, true},
    {1, 1, 1, false}, {1, 1, 1, false}, {1, 1, 1, false}, {1, 1, 1, false}, {1, 1, 1, false}, {1, 1, 1, false},
    {1, 1, 1, false}, {1, 1, 1, false}, {2, 1, 4, true},  {1, 2, 1, false}, {1, 2, 1, false}, {2, 2, 1, false},
    {4, 2, 1, false}, {1, 1, 1, false}, {1, 1, 1, false}, {2, 1, 1, false}, {2, 1, 1, false}, {4, 1, 1, false},
    {4, 1, 1, false}, {1, 1, 1, true},  {1, 2, 1, true},  {2, 1, 1, true},  {2, 2, 1, true},  {4, 1, 1, true},
    {4, 2, 1, true},  {1, 1, 1, false},
};

TEST(Scaling, TheTableMatchesForEveryTypeCode) {
  for (int t = 0; t < 32; ++t) {
    const ScalingRow& row = kScalingTable[t];
    const Scaling s = scalingForCurrentState(t);
    EXPECT_EQ(s.voltageMultiplier, row.v) << "type " << t;
    EXPECT_EQ(s.chargeCurrentMultiplier, row.c) << "type " << t;
    EXPECT_EQ(s.loadCurrentMultiplier, row.l) << "type " << t;
    EXPECT_EQ(s.alternateVoltageScale, row.a) << "type " << t;
  }
}

// A log entry and a spreadsheet row show what the current-state window shows,
// so a log reading takes all four items from the same table, whatever scaling
// the record held before.
TEST(Scaling, ALogReadingIsScaledByTheCurrentStateTable) {
  for (int t = 0; t < 32; ++t) {
    LogReading reading;
    reading.scaling = {7, 7, 9, true};
    storeLogReply(reading, currentStateReply(t, zeros(13)));
    EXPECT_EQ(reading.scaling, scalingForCurrentState(t)) << "type " << t;

    SiteData decoded;  // a captured log reading decoded alone
    decoded.scaling = {7, 7, 9, true};
    storeReply(decoded, RequestKind::LogCurrentState, currentStateReply(t, zeros(13)), 0);
    EXPECT_EQ(decoded.scaling, scalingForCurrentState(t)) << "type " << t;
  }
}

TEST(Scaling, TypeFourteenInALogReadingIsA24VoltSiteOnTheAlternateScale) {
  LogReading reading;
  reading.scaling = {4, 4, 0, false};
  storeLogReply(reading, currentStateReply(14, zeros(13)));
  EXPECT_EQ(reading.scaling.voltageMultiplier, 2);
  EXPECT_EQ(reading.scaling.chargeCurrentMultiplier, 1);
  EXPECT_EQ(reading.scaling.loadCurrentMultiplier, 4);
  EXPECT_TRUE(reading.scaling.alternateVoltageScale);
}

TEST(Scaling, TypeCodeAboveThirtyOneGivesUnitMultipliers) {
  const Scaling s = scalingForCurrentState(0x55);
  EXPECT_EQ(s.voltageMultiplier, 1);
  EXPECT_EQ(s.chargeCurrentMultiplier, 1);
  EXPECT_EQ(s.loadCurrentMultiplier, 1);
  EXPECT_FALSE(s.alternateVoltageScale);
}

TEST(SettingsDecoding, SharedBytesSplitIntoTheirEntries) {
  std::vector<int> p(16);
  for (int i = 0; i < 16; ++i) p[static_cast<std::size_t>(i)] = 100 + i;  // addresses 16..31
  p[2] = 0x1B;                 // address 18: banks in bits 0-1, delay in bits 2-7
  p[6] = (5 << 5) | 17;        // address 22: temperature compensation and display temperature
  p[12] = (4 << 5) | 9;        // address 28: baud code and the low bits
  SiteData data;
  storeReply(data, RequestKind::Settings, memoryReply(p), 0);
  const SettingsRecord& s = data.settings;
  EXPECT_EQ(s[NumberOfBanksUsed], 4);
  EXPECT_EQ(s[StateChangeDelay], 6);
  EXPECT_EQ(s[TemperatureCompensation], 5);
  EXPECT_EQ(s[DisplayTemperatureSetting], 17);
  EXPECT_EQ(s[CommunicationBaudRate], 4);
  EXPECT_EQ(s[BaudByteLowBits], 9);
  EXPECT_EQ(s[BoostMaximumVoltage], 100);
  EXPECT_EQ(s[BoostCutInVoltage], 105);
  EXPECT_EQ(s[DisplayContrast], 107);
  EXPECT_EQ(s[LowBatteryAlarm], 111);
  EXPECT_EQ(s[AbsoluteMaximumVoltage], 113);  // P14, address 29
}

TEST(CalibrationDecoding, ChannelsTakeGAndOFromConsecutiveAddresses) {
  std::vector<int> p(16);
  for (int i = 0; i < 16; ++i) p[static_cast<std::size_t>(i)] = i * 16 + 1;
  SiteData data;
  storeReply(data, RequestKind::Calibration, memoryReply(p), 0);
  EXPECT_EQ(data.calibration.g[0], 0x01);
  EXPECT_EQ(data.calibration.o[0], 0x11);
  EXPECT_EQ(data.calibration.g[7], 0xE1);
  EXPECT_EQ(data.calibration.o[7], 0xF1);
}

TEST(HistoryDecoding, AmpHoursArriveLowByteFirstIntoTheBlocksDays) {
  // Day 0 of block 3 (day index 8): min 120, max 150, charge 0x1234, discharge 0x0201.
  std::vector<int> p = zeros(24);
  p[0] = 120;
  p[1] = 150;
  p[2] = 0x34;
  p[3] = 0x12;
  p[4] = 0x01;
  p[5] = 0x02;
  p[23] = 0xFF;  // high byte of day 11's discharge
  const auto reply = historyReply(p);
  EXPECT_EQ(reply[5], 0xA3);  // the charge Ah low byte's nibbles come first
  EXPECT_EQ(reply[6], 0xA4);

  SiteData data;
  storeReply(data, RequestKind::HistoryBlock, reply, 3);
  EXPECT_EQ(data.history.minVoltage[8], 120);
  EXPECT_EQ(data.history.maxVoltage[8], 150);
  EXPECT_EQ(data.history.chargeAh[8], 0x1234);
  EXPECT_EQ(data.history.dischargeAh[8], 0x0201);
  EXPECT_EQ(data.history.dischargeAh[11], 0xFF00);
  // Days outside the block keep their sample values.
  EXPECT_EQ(data.history.chargeAh[7], 849);
  EXPECT_EQ(data.history.chargeAh[12], 850);
}

TEST(HistoryDecoding, BlockOutsideOneToEightStoresNothing) {
  SiteData data;
  storeReply(data, RequestKind::HistoryBlock, historyReply(std::vector<int>(24, 9)), 0);
  storeReply(data, RequestKind::HistoryBlock, historyReply(std::vector<int>(24, 9)), 9);
  EXPECT_EQ(data.history.minVoltage, HistoryRecord::sampleValues().minVoltage);
}

TEST(AlarmDecoding, InputThreeIsActiveLow) {
  const auto states = decodeAlarmInputs(DataBytes(alarmReply(0, 0), 5));
  for (int i = 0; i < kAlarmInputs; ++i) EXPECT_EQ(states[static_cast<std::size_t>(i)] != 0, i == 3) << i;

  const auto allHigh = decodeAlarmInputs(DataBytes(alarmReply(0xFF, 0xFF), 5));
  for (int i = 0; i < kAlarmInputs; ++i) EXPECT_EQ(allHigh[static_cast<std::size_t>(i)] != 0, i != 3) << i;
}

TEST(AlarmDecoding, EachInputReadsItsOwnBit) {
  struct Bit {
    int p1, p2, input;
  };
  const Bit bits[] = {{0, 2, 0},  {0, 4, 1},  {0, 128, 2}, {0, 1, 4},  {0, 64, 5},  {1, 0, 6}, {2, 0, 7},
                      {4, 0, 8},  {8, 0, 9},  {16, 0, 10}, {32, 0, 11}, {64, 0, 12}};
  for (const Bit& b : bits) {
    const auto states = decodeAlarmInputs(DataBytes(alarmReply(b.p1, b.p2 | 16), 5));
    for (int i = 0; i < kAlarmInputs; ++i)
      EXPECT_EQ(states[static_cast<std::size_t>(i)] != 0, i == b.input) << "bit for input " << b.input;
  }
  // The unused bits (P2 bit 3, P1 bit 7) raise nothing.
  const auto unused = decodeAlarmInputs(DataBytes(alarmReply(128, 8 | 16), 5));
  for (int s : unused) EXPECT_EQ(s, 0);
}

TEST(AlarmDecoding, AnyChangeRaisesTheFlashFlagAndNothingClearsIt) {
  AlarmRecord alarms;
  std::array<std::int32_t, kAlarmInputs> states{};
  states[6] = 1;
  applyAlarmInputs(alarms, states);
  EXPECT_EQ(alarms.flash[6], 1);
  EXPECT_EQ(alarms.flash[5], 0);

  states[6] = 0;  // active to inactive also flashes
  alarms.flash[6] = 0;
  applyAlarmInputs(alarms, states);
  EXPECT_EQ(alarms.previousState[6], 1);
  EXPECT_EQ(alarms.flash[6], 1);

  applyAlarmInputs(alarms, states);  // no change: the flag stays raised
  EXPECT_EQ(alarms.flash[6], 1);
}

TEST(StartValues, SampleHistoryAndStoredMultipliers) {
  const SiteData data = startValues(2, 4);
  EXPECT_EQ(data.current.batteryVoltageReading, 24);
  EXPECT_EQ(data.scaling.voltageMultiplier, 2);
  EXPECT_EQ(data.scaling.chargeCurrentMultiplier, 4);
  EXPECT_EQ(data.scaling.loadCurrentMultiplier, 0);
  EXPECT_EQ(data.history.chargeAh[0], 720);
  EXPECT_EQ(data.history.dischargeAh[31], 455);
  EXPECT_EQ(data.history.maxVoltage[4], 152);
  EXPECT_EQ(data.history.minVoltage[9], 115);
  EXPECT_FALSE(data.SettingsRead);
}

}  // namespace
}  // namespace solwire
