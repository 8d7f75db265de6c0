#include "sim/day_pattern.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/seeded_random.h"

namespace solwire::sim {

namespace {

constexpr double kSunrise = 6.0;
constexpr double kSunset = 18.0;
constexpr double kDaylightHours = kSunset - kSunrise;
constexpr double kEveningEnd = 23.0;
// The battery is full once this multiple of the day's sunshine share is in.
constexpr double kFullAfterShare = 1.5;
constexpr double kSampleStepHours = 1.0 / 6.0;

double hourOfDay(const LocalTime& now) {
  const double h = now.hour + now.minute / 60.0 + now.second / 3600.0;
  return std::clamp(h, 0.0, 24.0);
}

double sunAngle(double hour) { return std::numbers::pi * (hour - kSunrise) / kDaylightHours; }

bool isDaylight(double hour) { return hour > kSunrise && hour < kSunset; }

// Clear-sky sunshine, 0 at night and 1 at noon.
double sunshine(double hour) { return isDaylight(hour) ? std::sin(sunAngle(hour)) : 0.0; }

// Share of the day's sunshine that has fallen by this hour.
double sunshineSoFar(double hour) {
  if (hour <= kSunrise) return 0.0;
  if (hour >= kSunset) return 1.0;
  return (1.0 - std::cos(sunAngle(hour))) / 2.0;
}

// 0 = battery at rest voltage, 1 = charged to the float voltage. Filled by the
// sun during the day, drained by the load evenly from sunset to sunrise.
double stateOfCharge(double hour) {
  if (hour >= kSunset) return 1.0 - (hour - kSunset) / (24.0 - kDaylightHours);
  if (hour < kSunrise) return 1.0 - (hour + 24.0 - kSunset) / (24.0 - kDaylightHours);
  return std::min(1.0, kFullAfterShare * sunshineSoFar(hour));
}

double batteryVoltage(const SolarProfile& profile, const ChargeLimits& limits, double hour) {
  const double charge = stateOfCharge(hour);
  const double rest = profile.restVoltage;
  const double towardsFloat = charge * (limits.floatVoltage - rest);
  const double boostLift = sunshine(hour) * charge * (limits.boostVoltage - limits.floatVoltage);
  return rest + towardsFloat + boostLift;
}

double loadAmps(const SolarProfile& profile, double hour) {
  const bool evening = hour >= kSunset && hour < kEveningEnd;
  return profile.baseLoadAmps + (evening ? profile.eveningLoadAmps : 0.0);
}

double loadAmpHours(const SolarProfile& profile, double hour) {
  const double eveningHours = std::clamp(hour - kSunset, 0.0, kEveningEnd - kSunset);
  return profile.baseLoadAmps * hour + profile.eveningLoadAmps * eveningHours;
}

// Integral of the charge current from midnight.
double chargeAmpHours(double peakAmps, double hour) {
  return peakAmps * 2.0 * kDaylightHours / std::numbers::pi * sunshineSoFar(hour);
}

int stateCodeAt(double hour) {
  if (!isDaylight(hour)) return kStateNight;
  return stateOfCharge(hour) < 1.0 ? kStateBoost : kStateFloat;
}

void trackDailyExtremes(DayConditions& c, const SolarProfile& profile, const ChargeLimits& limits,
                        double hour) {
  c.dailyMaxVoltage = c.dailyMinVoltage = c.voltage;
  for (double h = 0.0; h < hour; h += kSampleStepHours) {
    const double v = batteryVoltage(profile, limits, h);
    c.dailyMaxVoltage = std::max(c.dailyMaxVoltage, v);
    c.dailyMinVoltage = std::min(c.dailyMinVoltage, v);
  }
}

}  // namespace

double cloudFactor(const SolarProfile& profile, const LocalTime& date) {
  const auto day = static_cast<std::uint64_t>(date.year * 10000 + date.month * 100 + date.day);
  SeededRandom random(mixSeed(profile.weatherSeed, day));
  return 0.5 + 0.5 * random.unit();
}

DayConditions conditionsAt(const SolarProfile& profile, const ChargeLimits& limits,
                           const LocalTime& now) {
  const double hour = hourOfDay(now);
  const double peakAmps = profile.arrayPeakAmps * cloudFactor(profile, now);
  DayConditions c;
  c.chargeAmps = peakAmps * sunshine(hour);
  c.loadAmps = loadAmps(profile, hour);
  c.voltage = batteryVoltage(profile, limits, hour);
  c.chargeAh = chargeAmpHours(peakAmps, hour);
  c.loadAh = loadAmpHours(profile, hour);
  c.stateCode = stateCodeAt(hour);
  trackDailyExtremes(c, profile, limits, hour);
  return c;
}

}  // namespace solwire::sim
