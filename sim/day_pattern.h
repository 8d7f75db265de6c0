// The day and night of a solar site: the sun drives the charge current between
// 06:00 and 18:00, the battery climbs from its resting voltage towards the
// boost voltage while charging and sinks back overnight under the load, and
// the amp-hour counters run from midnight. Clouds thin the sun by a factor
// drawn for each date, so a site's day is the same whenever it is replayed.
#pragma once

#include <cstdint>

#include "protocol/link_environment.h"

namespace solwire::sim {

// The physical make-up of one site.
struct SolarProfile {
  double arrayPeakAmps = 30.0;    // charge current at noon under a clear sky
  double baseLoadAmps = 3.0;      // load drawn around the clock
  double eveningLoadAmps = 2.0;   // extra load from 18:00 to 23:00
  int restVoltage = 122;          // battery at dawn, tenths of a volt per 12 V
  std::uint64_t weatherSeed = 0;  // picks each date's cloud cover
};

// The voltages the regulator charges to, tenths of a volt per 12 V.
struct ChargeLimits {
  int floatVoltage = 138;
  int boostVoltage = 145;
};

// Regulator state codes the simulated sites report.
inline constexpr int kStateNight = 1;
inline constexpr int kStateBoost = 2;
inline constexpr int kStateFloat = 3;

// A site's condition at one moment; voltages in tenths of a volt per 12 V.
struct DayConditions {
  double chargeAmps = 0;
  double loadAmps = 0;
  double voltage = 0;
  double dailyMaxVoltage = 0;
  double dailyMinVoltage = 0;
  double chargeAh = 0;  // since midnight
  double loadAh = 0;
  int stateCode = kStateNight;
};

DayConditions conditionsAt(const SolarProfile& profile, const ChargeLimits& limits,
                           const LocalTime& now);

// Share of a clear sky's sunshine that reaches the array on that date, 0.5..1.
double cloudFactor(const SolarProfile& profile, const LocalTime& date);

}  // namespace solwire::sim
