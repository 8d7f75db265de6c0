#include "cli/zoned_time.h"

namespace solwire::cli {

ZonedTime zonedTimeAt(std::time_t instant) {
  std::tm tm{};
  localtime_r(&instant, &tm);
  return {{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec}, tm.tm_gmtoff};
}

ZonedTime systemZonedTime() { return zonedTimeAt(std::time(nullptr)); }

}  // namespace solwire::cli
