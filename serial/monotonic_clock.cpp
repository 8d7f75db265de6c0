#include "serial/monotonic_clock.h"

namespace solwire {

std::int64_t SystemClock::nowMs() const {
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
}

std::chrono::steady_clock::time_point SystemClock::wakeTimeFor(std::int64_t deadlineMs) const {
  return std::chrono::steady_clock::time_point(std::chrono::milliseconds(deadlineMs));
}

std::uint64_t SystemClock::addListener(std::function<void()>) { return 0; }

void SystemClock::removeListener(std::uint64_t) {}

MonotonicClock& systemClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace solwire
