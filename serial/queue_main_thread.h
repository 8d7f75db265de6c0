// A main thread made of a task queue and timers, drained by its owner's loop
// (processEvents / runUntil). Used by the tests and the command-line tool.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "serial/main_thread.h"
#include "serial/monotonic_clock.h"

namespace solwire {

class QueueMainThread final : public MainThread, public MainThreadTimers {
 public:
  // The constructing thread is the main thread. Timers run on `clock`.
  explicit QueueMainThread(MonotonicClock& clock = systemClock());
  ~QueueMainThread() override;
  QueueMainThread(const QueueMainThread&) = delete;
  QueueMainThread& operator=(const QueueMainThread&) = delete;

  void post(std::function<void()> task) override;
  bool isMainThread() const override;

  TimerId startTimer(std::chrono::milliseconds delay, std::function<void()> task) override;
  void stopTimer(TimerId id) override;

  MonotonicClock& clock() const { return clock_; }

  // Runs the queued tasks and the timers that are due; returns how many ran.
  // Must be called on the main thread. An exception from a task propagates.
  std::size_t processEvents();
  // Processes events, sleeping while there is nothing to do, until `done`
  // returns true (checked after every batch) or `timeout` of real time has
  // passed. Returns the last value of `done`.
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Processes events for `timeout` of real time.
  void runFor(std::chrono::milliseconds timeout);

  // Waits (at most `timeout` of real time) until a task is queued, without
  // running it. Returns whether one is.
  bool waitForTask(std::chrono::milliseconds timeout);

  // Timers waiting.
  std::size_t pendingTimers() const;

 private:
  using TimerKey = std::pair<std::int64_t, TimerId>;  // due time, id

  bool takeTask(std::function<void()>& task);
  bool takeDueTimer(std::function<void()>& task);
  void waitForWork(std::chrono::steady_clock::time_point limit);

  MonotonicClock& clock_;
  std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable workArrived_;
  std::deque<std::function<void()>> tasks_;
  std::map<TimerKey, std::function<void()>> timers_;
  std::map<TimerId, std::int64_t> timerDue_;
  TimerId nextTimerId_ = 1;
  bool clockMoved_ = false;
  std::uint64_t listenerId_ = 0;
};

}  // namespace solwire
