#include "sim/live_state.h"

#include <algorithm>
#include <cmath>

#include "sim/model_scaling.h"

namespace solwire::sim {

namespace {

std::uint8_t tenthsByte(double tenths) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(tenths), 0L, 255L));
}

std::uint16_t wholeAmpHours(double ampHours) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(ampHours), 0L, 65535L));
}

}  // namespace

ChargeLimits chargeLimitsOf(const Memory& memory) {
  return ChargeLimits{memory[kFloatMaximumAddress], memory[kBoostMaximumAddress]};
}

CurrentState liveState(const SolarProfile& profile, const Memory& memory, int typeCode,
                       const LocalTime& now) {
  const DayConditions day = conditionsAt(profile, chargeLimitsOf(memory), now);
  const ModelScaling scaling = scalingOf(typeCode);
  const double volts = day.voltage / 10.0 * scaling.voltageClass;
  CurrentState state;
  state.batteryVoltage = batteryVoltageReading(volts, scaling);
  state.chargeCurrent = currentReading(day.chargeAmps, scaling.chargeScale);
  state.loadCurrent = currentReading(day.loadAmps, scaling.loadScale);
  state.dailyMaxVoltage = tenthsByte(day.dailyMaxVoltage);
  state.dailyMinVoltage = tenthsByte(day.dailyMinVoltage);
  state.chargeAmpHours = wholeAmpHours(day.chargeAh);
  state.loadAmpHours = wholeAmpHours(day.loadAh);
  state.stateCode = static_cast<std::uint8_t>(day.stateCode);
  return state;
}

}  // namespace solwire::sim
