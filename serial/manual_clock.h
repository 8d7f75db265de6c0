// A clock that moves only when told to: tests and simulations drive timer
// triggers and time-outs with it instead of sleeping.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "serial/monotonic_clock.h"

namespace solwire {

class ManualClock final : public MonotonicClock {
 public:
  explicit ManualClock(std::int64_t startMs = 1'000'000) : now_(startMs) {}

  std::int64_t nowMs() const override { return now_.load(); }
  std::chrono::steady_clock::time_point wakeTimeFor(std::int64_t deadlineMs) const override;
  std::uint64_t addListener(std::function<void()> listener) override;
  void removeListener(std::uint64_t id) override;

  // Moves the clock forward and wakes every waiter.
  void advance(std::int64_t ms);
  void advanceTo(std::int64_t ms);

 private:
  struct Listener {
    std::uint64_t id;
    std::function<void()> call;
  };
  void notifyListeners();

  std::atomic<std::int64_t> now_;
  std::mutex listenersMutex_;
  std::vector<Listener> listeners_;
  std::uint64_t nextId_ = 1;
};

}  // namespace solwire
