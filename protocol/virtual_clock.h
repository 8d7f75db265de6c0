// A clock whose time moves only when told to. It runs the controller's
// scheduled tasks in virtual time: the demo reads a simulated site without
// waiting, and tests step through hours of operation in microseconds.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "protocol/link_environment.h"

namespace solwire {

class VirtualClock : public Clock {
 public:
  explicit VirtualClock(LocalTime start = {});

  LocalTime localNow() const override;
  void callAfter(std::chrono::milliseconds delay, std::function<void()> task) override;

  std::chrono::milliseconds elapsed() const { return elapsed_; }
  // Moves time forward by `step`, running every task that falls due on the way
  // at its own time, in order.
  void advance(std::chrono::milliseconds step);
  // Moves time to the next scheduled task and runs it; false when none is left.
  bool runNext();
  bool hasPendingTasks() const { return !tasks_.empty(); }
  std::chrono::milliseconds nextDue() const;

 private:
  using Key = std::pair<std::chrono::milliseconds, std::uint64_t>;  // due time, order of scheduling
  std::chrono::sys_seconds start_;
  std::chrono::milliseconds elapsed_{0};
  std::uint64_t sequence_ = 0;
  std::map<Key, std::function<void()>> tasks_;
};

}  // namespace solwire
