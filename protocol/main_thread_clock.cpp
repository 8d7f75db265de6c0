#include "protocol/main_thread_clock.h"

#include <ctime>

namespace solwire {

LocalTime systemLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

LocalTime MainThreadClock::localNow() const { return systemLocalTime(); }

void MainThreadClock::callAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  timers_.startTimer(delay, std::move(task));
}

}  // namespace solwire
