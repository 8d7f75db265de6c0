// Trigger handles, timer deadlines and status trigger evaluation.
#include <gtest/gtest.h>

#include <set>

#include "serial/comm_exception.h"
#include "serial/modem_status.h"
#include "serial/trigger_list.h"

namespace solwire {
namespace {

TEST(TriggerHandles, AreMultiplesOfEightWithTheStatusTypeInTheLowBits) {
  TriggerList list;
  EXPECT_EQ(list.addTimer(), 8);
  EXPECT_EQ(list.addStatus(stModem), 16 + 1);
  EXPECT_EQ(list.addStatus(stOutputSent), 24 + 5);
  EXPECT_EQ(list.addTimer(), 32);
  EXPECT_EQ(list.addStatus(0), comm_error::kBadArgument);
  EXPECT_EQ(list.addStatus(6), comm_error::kBadArgument);
  list.reset();  // a new open starts the counter again
  EXPECT_EQ(list.addTimer(), 8);
}

TEST(TriggerHandles, AfterTheCounterRunsOutTheSmallestFreeMultipleIsReused) {
  TriggerList list;
  for (int i = 1; i <= kMaxHandleIndex; ++i) ASSERT_EQ(list.addTimer(), i * 8);
  EXPECT_EQ(list.addTimer(), comm_error::kNoMoreTriggers);
  ASSERT_EQ(list.remove(800), 0);
  ASSERT_EQ(list.remove(80), 0);
  EXPECT_EQ(list.addStatus(stModem), 80 + 1);
  EXPECT_EQ(list.addTimer(), 800);
  EXPECT_EQ(list.addTimer(), comm_error::kNoMoreTriggers);
}

TEST(TriggerHandles, NewHandlesNeverEqualRestoredOnes) {
  TriggerList list;
  list.addTimer();                  // 8
  list.addStatus(stModem);          // 17
  ASSERT_EQ(list.remove(8), 0);
  const SavedTriggers saved = list.save();
  list.reset();
  list.restore(saved);
  std::set<int> handles{17};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(handles.insert(list.addTimer()).second);
  EXPECT_EQ(handles, (std::set<int>{8, 17, 24, 32}));
}

TEST(TriggerHandles, WrongKindOrUnknownHandleIsRejected) {
  TriggerList list;
  const int timer = list.addTimer();
  const int status = list.addStatus(stModem);
  EXPECT_EQ(list.armTimer(static_cast<std::uint16_t>(status), 10, true, 0), comm_error::kBadTriggerHandle);
  EXPECT_EQ(list.armStatus(static_cast<std::uint16_t>(timer), 0x80, true, 0), comm_error::kBadTriggerHandle);
  EXPECT_EQ(list.remove(1000), comm_error::kBadTriggerHandle);
  EXPECT_EQ(list.remove(kDataAvailableHandle), 0);  // handle 1: the data-available trigger
  EXPECT_EQ(list.triggerLength(), 0);
}

TEST(TimerTriggers, FallDueJustAfterTicksTimes55MsAndOnlyOnce) {
  TriggerList list;
  const auto h = static_cast<std::uint16_t>(list.addTimer());
  const std::int64_t armedAt = 1'000'037;  // not on a tick boundary
  ASSERT_EQ(list.armTimer(h, 24, true, armedAt), 0);
  EXPECT_EQ(list.nextDue(), armedAt + 1321);
  EXPECT_FALSE(list.takeExpiredTimer(armedAt + 1320));  // never before 24 * 55 ms
  auto hit = list.takeExpiredTimer(armedAt + 1321);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->handle, h);
  EXPECT_FALSE(list.takeExpiredTimer(armedAt + 5000));  // once per arming
  EXPECT_FALSE(list.nextDue());
  EXPECT_TRUE(list.isCurrentHit(*hit));
}

TEST(TimerTriggers, ZeroTicksReusesTheLastCountAndReArmingMakesOldHitsStale) {
  TriggerList list;
  const auto h = static_cast<std::uint16_t>(list.addTimer());
  list.armTimer(h, 30, true, 0);
  auto first = list.takeExpiredTimer(1651);
  ASSERT_TRUE(first);
  list.armTimer(h, 0, true, 2000);
  EXPECT_EQ(list.nextDue(), 2000 + 1651);
  EXPECT_FALSE(list.isCurrentHit(*first));
  list.armTimer(h, 0, false, 2100);  // disarmed
  EXPECT_FALSE(list.takeExpiredTimer(10'000));
}

TEST(TimerTriggers, VeryLongCountsAreClamped) {
  TriggerList list;
  const auto h = static_cast<std::uint16_t>(list.addTimer());
  list.armTimer(h, 0xFFFFFFFFu, true, 0);
  EXPECT_EQ(list.nextDue(), static_cast<std::int64_t>(kMaxTimerTicks) * 55 + 1);
}

TEST(StatusTriggers, FireOncePerArmingByType) {
  TriggerList list;
  const auto dcd = static_cast<std::uint16_t>(list.addStatus(stModem));
  const auto used = static_cast<std::uint16_t>(list.addStatus(stOutputUsed));
  list.armStatus(dcd, modem::kDCD, true, /*carrier absent*/ 0x30);
  list.armStatus(used, 1, true, 0);
  StatusInputs in;
  in.modemStatus = 0x30;  // CTS and DSR change, DCD does not
  in.outputUsed = 5;
  EXPECT_FALSE(list.takeStatusHit(in));
  in.modemStatus = 0xB0;  // carrier present
  auto hit = list.takeStatusHit(in);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->handle, dcd);
  EXPECT_FALSE(list.takeStatusHit(in));  // not again until re-armed
  in.outputUsed = 0;
  hit = list.takeStatusHit(in);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->handle, used);
  EXPECT_EQ(hit->data, 0);
}

TEST(ModemStatusByte, KeepsChangeBitsUntilTaken) {
  std::uint8_t status = modem::updatedStatus(0, modem::kCTS);
  EXPECT_EQ(status, modem::kCTS | modem::kDeltaCTS);
  status = modem::updatedStatus(status, modem::kCTS | modem::kDCD);
  EXPECT_EQ(status, modem::kCTS | modem::kDCD | modem::kDeltaCTS | modem::kDeltaDCD);
}

}  // namespace
}  // namespace solwire
