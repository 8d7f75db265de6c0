// The millisecond clock the transport's timers run on. The dispatcher and the
// queue main thread take one in their constructors, so tests hand them a clock
// they move by hand instead of sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace solwire {

class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;

  // Milliseconds on a clock that never goes back.
  virtual std::int64_t nowMs() const = 0;

  // When a thread waiting for this clock to reach `deadlineMs` should wake up,
  // on the real steady clock. A clock moved by hand answers "never" and wakes
  // its waiters through listeners instead.
  virtual std::chrono::steady_clock::time_point wakeTimeFor(std::int64_t deadlineMs) const = 0;

  // Calls `listener` after every move of a hand-moved clock (never for the real
  // clock). Listeners must not add or remove listeners. Returns an id for removal.
  virtual std::uint64_t addListener(std::function<void()> listener) = 0;
  virtual void removeListener(std::uint64_t id) = 0;
};

// The real clock: std::chrono::steady_clock in milliseconds.
class SystemClock final : public MonotonicClock {
 public:
  std::int64_t nowMs() const override;
  std::chrono::steady_clock::time_point wakeTimeFor(std::int64_t deadlineMs) const override;
  std::uint64_t addListener(std::function<void()> listener) override;
  void removeListener(std::uint64_t id) override;
};

// The process's real clock (stateless, so sharing it is harmless).
MonotonicClock& systemClock();

}  // namespace solwire
