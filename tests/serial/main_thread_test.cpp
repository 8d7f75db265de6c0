// The queue main thread: waiting for tasks from other threads, dropping those
// that were not started in time, and timers on an injected clock.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "serial/manual_clock.h"
#include "serial/queue_main_thread.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

TEST(QueueMainThread, RunAndWaitFromAWorkerRunsOnTheMainThreadAndReturnsWhenDone) {
  QueueMainThread ui;
  const auto mainId = std::this_thread::get_id();
  std::thread::id ranOn;
  auto worker = std::async(std::launch::async, [&] { return ui.runAndWait([&] { ranOn = std::this_thread::get_id(); }, 5000ms); });
  ASSERT_TRUE(ui.runUntil([&] { return ranOn != std::thread::id(); }, 5000ms));
  EXPECT_TRUE(worker.get());
  EXPECT_EQ(ranOn, mainId);
}

TEST(QueueMainThread, ATaskNotStartedWithinTheWaitIsDroppedNotRunLater) {
  QueueMainThread ui;
  std::atomic<bool> ran{false};
  auto worker = std::async(std::launch::async, [&] { return ui.runAndWait([&] { ran = true; }, 20ms); });
  EXPECT_FALSE(worker.get());  // nobody drained the queue
  ui.processEvents();
  EXPECT_FALSE(ran.load());
}

TEST(QueueMainThread, OnTheMainThreadRunAndWaitRunsAtOnceAndPostWaitsForTheLoop) {
  QueueMainThread ui;
  std::vector<int> order;
  ui.post([&] { order.push_back(2); });
  EXPECT_TRUE(ui.runAndWait([&] { order.push_back(1); }, 0ms));
  ui.post([&] { order.push_back(3); });
  EXPECT_EQ(ui.processEvents(), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(QueueMainThread, TimersFireInDueOrderWhenTheClockGetsThere) {
  ManualClock clock;
  QueueMainThread ui(clock);
  std::vector<int> fired;
  ui.startTimer(300ms, [&] { fired.push_back(300); });
  const auto cancelled = ui.startTimer(200ms, [&] { fired.push_back(200); });
  ui.startTimer(100ms, [&] { fired.push_back(100); });
  ui.stopTimer(cancelled);
  clock.advance(99);
  ui.processEvents();
  EXPECT_TRUE(fired.empty());
  clock.advance(1000);
  ui.processEvents();
  EXPECT_EQ(fired, (std::vector<int>{100, 300}));
}

TEST(QueueMainThread, RunUntilWakesWhenAnotherThreadMovesTheClock) {
  ManualClock clock;
  QueueMainThread ui(clock);
  bool fired = false;
  ui.startTimer(3000ms, [&] { fired = true; });
  std::thread mover([&] { clock.advance(3000); });
  EXPECT_TRUE(ui.runUntil([&] { return fired; }, 5000ms));
  mover.join();
}

}  // namespace
}  // namespace solwire
