// The queue main thread and the event gate through which a worker runs a task
// on it and waits: dropping tasks that were not started in time or when the
// gate closes, and timers on an injected clock.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "serial/event_gate.h"
#include "serial/manual_clock.h"
#include "serial/queue_main_thread.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

TEST(EventGate, AWorkersTaskRunsOnTheMainThreadAndTheWorkerWaitsForItsEnd) {
  QueueMainThread ui;
  EventGate gate(ui);
  const auto mainId = std::this_thread::get_id();
  std::thread::id ranOn;
  bool insideWhileRunning = false;
  auto worker = std::async(std::launch::async, [&] {
    return gate.runAndWait(
        [&] {
          ranOn = std::this_thread::get_id();
          insideWhileRunning = gate.insideTask();
        },
        5000ms);
  });
  ASSERT_TRUE(ui.runUntil([&] { return ranOn != std::thread::id(); }, 5000ms));
  EXPECT_TRUE(worker.get());
  EXPECT_EQ(ranOn, mainId);
  EXPECT_TRUE(insideWhileRunning);
  EXPECT_FALSE(gate.insideTask());
}

TEST(EventGate, ATaskNotStartedWithinTheWaitIsDroppedNotRunLater) {
  QueueMainThread ui;
  EventGate gate(ui);
  std::atomic<bool> ran{false};
  auto worker = std::async(std::launch::async, [&] { return gate.runAndWait([&] { ran = true; }, 20ms); });
  EXPECT_FALSE(worker.get());  // nobody drained the queue
  ui.processEvents();
  EXPECT_FALSE(ran.load());
}

TEST(EventGate, ClosingDropsTheWaitingTaskAtOnceAndRefusesNewOnesUntilOpened) {
  QueueMainThread ui;
  EventGate gate(ui);
  std::atomic<int> ran{0};
  auto worker = std::async(std::launch::async, [&] { return gate.runAndWait([&] { ++ran; }, 60'000ms); });
  ASSERT_TRUE(ui.waitForTask(5000ms));
  gate.close();  // the worker returns now, not after its minute
  ASSERT_EQ(worker.wait_for(5000ms), std::future_status::ready);
  EXPECT_FALSE(worker.get());
  auto refused = std::async(std::launch::async, [&] { return gate.runAndWait([&] { ++ran; }, 60'000ms); });
  ASSERT_EQ(refused.wait_for(5000ms), std::future_status::ready);
  EXPECT_FALSE(refused.get());
  ui.processEvents();
  EXPECT_EQ(ran.load(), 0);
  gate.open();
  auto accepted = std::async(std::launch::async, [&] { return gate.runAndWait([&] { ++ran; }, 5000ms); });
  ASSERT_TRUE(ui.runUntil([&] { return ran.load() == 1; }, 5000ms));
  EXPECT_TRUE(accepted.get());
}

TEST(EventGate, OnTheMainThreadATaskRunsAtOnceInsideTheGate) {
  QueueMainThread ui;
  EventGate gate(ui);
  std::vector<int> order;
  ui.post([&] { order.push_back(2); });
  EXPECT_TRUE(gate.runAndWait([&] { order.push_back(gate.insideTask() ? 1 : -1); }, 0ms));
  EXPECT_EQ(ui.processEvents(), 1u);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
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
