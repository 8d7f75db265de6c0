// Port timers count in ticks of 55 ms. A timer armed for n ticks when the
// clock reads t ms falls due when it reads t + min(n, kMaxTimerTicks) * 55 + 1:
// the reading at arming is rounded down, so the extra millisecond makes sure
// the timer never fires before n * 55 ms of real time. The dispatch thread
// sleeps until exactly that moment rather than rounding to tick edges. The
// clock is a 64-bit monotonic millisecond count, so there is no wrap-round.
#pragma once

#include <cstdint>

#include "serial/link_operations.h"

namespace solwire {

// The longest timer: 39045157 ticks (2147483635 ms, just under 2^31 ms).
inline constexpr std::uint32_t kMaxTimerTicks = 39045157;

struct TimerDeadline {
  std::int64_t startMs = 0;
  std::int64_t dueMs = 0;  // the first clock reading at which it has expired
};

inline TimerDeadline startTimerDeadline(std::int64_t nowMs, std::uint32_t ticks) {
  const std::uint32_t clamped = ticks < kMaxTimerTicks ? ticks : kMaxTimerTicks;
  return {nowMs, nowMs + static_cast<std::int64_t>(clamped) * kTickMilliseconds + 1};
}

inline bool deadlineReached(const TimerDeadline& deadline, std::int64_t nowMs) { return nowMs >= deadline.dueMs; }

}  // namespace solwire
