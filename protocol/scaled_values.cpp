#include "protocol/scaled_values.h"

namespace solwire {

namespace {

constexpr double kCountsPerUnit = 640.0;

}  // namespace

double batteryVolts(const Scaling& s, const CurrentStateRecord& c) {
  if (s.alternateVoltageScale) return (974.0 - c.batteryVoltageReading / 64.0) / 10.0;
  return c.batteryVoltageReading / kCountsPerUnit;
}

double chargeAmperes(const Scaling& s, const CurrentStateRecord& c) {
  return s.chargeCurrentMultiplier * c.chargeCurrentReading / kCountsPerUnit;
}

double loadAmperes(const Scaling& s, const CurrentStateRecord& c) {
  return s.loadCurrentMultiplier * c.loadCurrentReading / kCountsPerUnit;
}

std::int32_t dailyVoltageTenths(std::int32_t voltageMultiplier, std::int32_t value) { return voltageMultiplier * value; }

}  // namespace solwire
