// The dispatcher on an in-memory line, without a port: the receive ring's
// limit, read-ahead with several targets, line settings and waking.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>

#include "serial/base_dispatcher.h"
#include "serial/comm_exception.h"
#include "serial_test_support.h"

namespace solwire {
namespace {

using testing::Counter;
using testing::kPatience;

class DispatcherTest : public ::testing::Test {
 protected:
  void open() {
    dispatcher = std::make_unique<TBaseDispatcher>(line->makeDevice(), clock);
    LineSettings settings;
    settings.baud = 2400;
    ASSERT_EQ(dispatcher->initialise(settings, 64), 0);
  }

  ManualClock clock;
  std::shared_ptr<InMemoryLine> line = InMemoryLine::create();
  std::unique_ptr<TBaseDispatcher> dispatcher;
};

TEST_F(DispatcherTest, RingHoldsAtMost8192AndTheRestWaitsInTheDeviceUntilThereIsRoom) {
  open();
  Counter notified;
  std::size_t lastCount = 0;
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code != notify::kDataAvailable) return;
    lastCount = n.param;
    notified.add();
  });
  const std::string burst(10'000, 'x');
  line->write(burst);
  ASSERT_TRUE(notified.waitFor(1));
  EXPECT_EQ(lastCount, ReceiveRing::kSize);
  EXPECT_EQ(dispatcher->unreadCount(), ReceiveRing::kSize);
  EXPECT_EQ(line->pendingToPort(), 10'000 - ReceiveRing::kSize);

  // Reading makes room: the waiting bytes come in and are announced again.
  std::vector<std::uint8_t> some(1000);
  ASSERT_EQ(dispatcher->getBlock(some), 1000);
  ASSERT_TRUE(notified.waitFor(2));
  EXPECT_EQ(lastCount, ReceiveRing::kSize);
  EXPECT_EQ(line->pendingToPort(), 10'000 - ReceiveRing::kSize - 1000);
  std::vector<std::uint8_t> all(ReceiveRing::kSize);
  ASSERT_EQ(dispatcher->getBlock(all), static_cast<int>(all.size()));
  ASSERT_TRUE(notified.waitFor(3));
  EXPECT_EQ(lastCount, 808u);
  EXPECT_EQ(line->pendingToPort(), 0u);
}

TEST_F(DispatcherTest, TwoTargetsReadTheSameBytesAndThePositionAdvancesByTheLargerCount) {
  open();
  Counter done;
  std::string seenByFirst, seenBySecond;
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code != notify::kDataAvailable) return;
    std::uint8_t b;
    for (int i = 0; i < 3 && dispatcher->getChar(b) == 0; ++i) seenByFirst.push_back(static_cast<char>(b));
  });
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code != notify::kDataAvailable) return;
    EXPECT_EQ(dispatcher->unreadCount(), n.param);  // its own view starts at the read position
    std::vector<std::uint8_t> five(5);
    if (dispatcher->getBlock(five) == 5) seenBySecond.assign(five.begin(), five.end());
    done.add();
  });
  line->write("abcdefgh");
  ASSERT_TRUE(done.waitFor(1));
  EXPECT_EQ(seenByFirst, "abc");
  EXPECT_EQ(seenBySecond, "abcde");
  EXPECT_EQ(dispatcher->unreadCount(), 3u);  // f, g, h
  std::uint8_t b = 0;
  ASSERT_EQ(dispatcher->getChar(b), 0);
  EXPECT_EQ(b, 'f');
}

TEST_F(DispatcherTest, TargetRemovedDuringANotificationIsOnlyMarked) {
  open();
  Counter first, second;
  TBaseDispatcher::TargetId secondId = 0;
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code != notify::kDataAvailable) return;
    dispatcher->removeTarget(secondId);  // the second target is skipped from now on
    first.add();
  });
  secondId = dispatcher->addTarget([&](const Notification&) { second.add(); });
  line->write("a");
  ASSERT_TRUE(first.waitFor(1));
  line->write("b");
  ASSERT_TRUE(first.waitFor(2));
  EXPECT_EQ(second.value(), 0);
}

TEST_F(DispatcherTest, BytesThatCameWhileNobodyListenedAreAnnouncedToTheFirstTarget) {
  open();
  line->write("abc");
  ASSERT_TRUE(line->waitUntilPortIdle(kPatience));  // read into the ring, with no target to tell
  EXPECT_EQ(dispatcher->unreadCount(), 3u);
  Counter notified;
  std::uint16_t count = 0;
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code != notify::kDataAvailable) return;
    count = n.param;
    notified.add();
  });
  ASSERT_TRUE(notified.waitFor(1));  // without waiting for one more byte
  EXPECT_EQ(count, 3);
}

TEST_F(DispatcherTest, AnUnchangedLineSettingDoesNotTouchTheDevice) {
  open();
  const int before = line->lineChanges();
  EXPECT_EQ(dispatcher->setLine(2400, Parity::pNone, 8, 1), 0);
  EXPECT_EQ(line->lineChanges(), before);
  EXPECT_EQ(dispatcher->setLine(0, Parity::pNone, 8, 3), 0);  // 0 and 3 keep baud and stop bits
  EXPECT_EQ(line->lineChanges(), before);
  EXPECT_EQ(dispatcher->setLine(9600, Parity::pEven, 7, 2), 0);
  EXPECT_EQ(line->lineChanges(), before + 1);
  EXPECT_EQ(line->lineSettings()->stopBits, StopBitsSetting::Two);
  EXPECT_EQ(dispatcher->setLine(0, Parity::pEven, 5, 1), 0);
  EXPECT_EQ(line->lineSettings()->stopBits, StopBitsSetting::OneAndHalf);
}

TEST_F(DispatcherTest, ChangingTheBaudWaitsForQueuedOutputToBeWritten) {
  open();
  line->stallWrites(true);
  const std::string request = "\xC5N";
  ASSERT_EQ(dispatcher->putBlock({reinterpret_cast<const std::uint8_t*>(request.data()), request.size()}), 0);
  const int before = line->lineChanges();
  auto change = std::async(std::launch::async, [&] { return dispatcher->setLine(9600, Parity::pNone, 8, 1); });
  // An observation window: the change must still be waiting for the stalled output.
  EXPECT_EQ(change.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  EXPECT_EQ(line->lineChanges(), before);
  line->stallWrites(false);
  ASSERT_EQ(change.wait_for(kPatience), std::future_status::ready);
  EXPECT_EQ(change.get(), 0);
  EXPECT_EQ(testing::text(line->takeSent()), request);
  EXPECT_EQ(line->lineSettings()->baud, 9600);
}

// Every reading moves it on by a millisecond and a wait for it never blocks,
// so a wait bounded by it ends after a known stretch of its time.
class SteppingClock final : public MonotonicClock {
 public:
  std::int64_t nowMs() const override { return now_.fetch_add(1); }
  std::chrono::steady_clock::time_point wakeTimeFor(std::int64_t) const override {
    return std::chrono::steady_clock::now();
  }
  std::uint64_t addListener(std::function<void()>) override { return 0; }
  void removeListener(std::uint64_t) override {}

 private:
  mutable std::atomic<std::int64_t> now_{1'000'000};
};

TEST(DispatcherDrain, ABaudChangeGivesOutputTheFarEndDoesNotTakeAtMost100Ms) {
  SteppingClock clock;
  auto line = InMemoryLine::create();
  TBaseDispatcher dispatcher(line->makeDevice(), clock);
  LineSettings settings;
  settings.baud = 2400;
  ASSERT_EQ(dispatcher.initialise(settings, 64), 0);
  line->stallWrites(true);
  const std::string request = "\xC5N";
  ASSERT_EQ(dispatcher.putBlock({reinterpret_cast<const std::uint8_t*>(request.data()), request.size()}), 0);
  const std::int64_t before = clock.nowMs();
  EXPECT_EQ(dispatcher.setLine(9600, Parity::pNone, 8, 1), 0);
  EXPECT_GE(clock.nowMs() - before, 100);  // it did give the output its 100 ms
  EXPECT_EQ(line->lineSettings()->baud, 9600);
  EXPECT_EQ(dispatcher.outputUsed(), request.size());  // still stuck: the far end's business
  line->stallWrites(false);
  ASSERT_TRUE(line->waitForSent(request.size(), kPatience));
  EXPECT_EQ(testing::text(line->takeSent()), request);
}

TEST_F(DispatcherTest, StartingTwiceIsRefused) {
  open();
  EXPECT_THROW(dispatcher->initialise(LineSettings{}, 64), std::logic_error);
}

TEST_F(DispatcherTest, IdleDispatcherDoesNotWakeAndTimersWakeItOnlyWhenDue) {
  open();
  Counter fired;
  const auto h = static_cast<std::uint16_t>(dispatcher->addTimerTrigger());
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code == notify::kTimer && n.param == h) fired.add();
  });
  const auto passes = dispatcher->stats().dispatchPasses;
  clock.advance(60'000);  // a minute with nothing armed
  ASSERT_EQ(dispatcher->setTimerTrigger(h, 24, true), 0);
  clock.advance(1320);
  clock.advance(1);
  ASSERT_TRUE(fired.waitFor(1));
  // At most: the pass for the arming and the pass for the expiry.
  EXPECT_LE(dispatcher->stats().dispatchPasses - passes, 2u);
}

TEST_F(DispatcherTest, FinishDuringANotificationIsDeferredUntilItEnds) {
  open();
  Counter stopped;
  bool finishedAtOnce = true;
  dispatcher->setOnStopped([&] { stopped.add(); });
  dispatcher->addTarget([&](const Notification& n) {
    if (n.code == notify::kDataAvailable) finishedAtOnce = dispatcher->finish();
  });
  line->write("x");
  ASSERT_TRUE(stopped.waitFor(1));
  EXPECT_FALSE(finishedAtOnce);
  dispatcher->joinThreads();
  EXPECT_FALSE(dispatcher->threadsRunning());
  EXPECT_FALSE(line->portOpen());
}

}  // namespace
}  // namespace solwire
