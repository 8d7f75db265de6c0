// Plausible contents for a fresh simulated regulator, drawn from a seed:
// settings inside the ranges the settings editor accepts, calibration bytes
// near mid-scale, 32 days of history, a few active alarm inputs and the
// physical make-up of the site.
#pragma once

#include <cstdint>

#include "sim/day_pattern.h"
#include "sim/regulator_records.h"

namespace solwire::sim {

struct SiteContents {
  Memory memory{};
  History history{};
  AlarmInputs alarms{};
  SolarProfile profile{};
};

SiteContents plausibleContents(std::uint64_t seed);

}  // namespace solwire::sim
