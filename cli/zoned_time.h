// A local time together with the offset from UTC in force at that instant.
// The local time alone does not tell the offset: in the hour that repeats
// when the clocks go back, 02:30 comes once at +02:00 and once at +01:00.
#pragma once

#include <ctime>

#include "protocol/link_environment.h"

namespace solwire::cli {

struct ZonedTime {
  LocalTime local;
  long utcOffsetSeconds = 0;  // east of UTC
};

// The system time zone's local time at `instant`.
ZonedTime zonedTimeAt(std::time_t instant);
// The system time zone's local time now.
ZonedTime systemZonedTime();

}  // namespace solwire::cli
