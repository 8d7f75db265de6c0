// A site's live readings: its day pattern, seen through its regulator model
// and charge settings, turned into the raw values of a current-state reply.
#pragma once

#include "protocol/link_environment.h"
#include "sim/day_pattern.h"
#include "sim/regulator_records.h"

namespace solwire::sim {

// Memory addresses of the charge voltages the pattern climbs to.
inline constexpr int kBoostMaximumAddress = 16;
inline constexpr int kFloatMaximumAddress = 19;

ChargeLimits chargeLimitsOf(const Memory& memory);

CurrentState liveState(const SolarProfile& profile, const Memory& memory, int typeCode,
                       const LocalTime& now);

}  // namespace solwire::sim
