#include "cli/sample_schedule.h"

#include <algorithm>

namespace solwire::cli {

bool HourChangeSchedule::due(std::int64_t, const LocalTime& local) {
  if (local.hour == lastHour_) return false;
  lastHour_ = local.hour;
  hoursLeft_ = std::max(hoursLeft_ - 1, 0);
  if (hoursLeft_ >= 1) return false;
  hoursLeft_ = rateHours_;
  return true;
}

bool IntervalSchedule::due(std::int64_t nowMs, const LocalTime&) {
  return !lastStart_ || nowMs >= *lastStart_ + every_.count();
}

std::chrono::milliseconds IntervalSchedule::untilNextLook(std::int64_t nowMs) const {
  if (!lastStart_) return std::chrono::milliseconds(0);
  return std::chrono::milliseconds(std::max<std::int64_t>(*lastStart_ + every_.count() - nowMs, 0));
}

}  // namespace solwire::cli
