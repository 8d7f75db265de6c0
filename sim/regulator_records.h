// What a regulator keeps and reports, in the units it puts on the line.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/request_frames.h"

namespace solwire::sim {

inline constexpr int kHistoryDays = 32;
inline constexpr int kDaysPerBlock = 4;
inline constexpr int kAlarmInputCount = 13;
inline constexpr int kCalibrationBytes = 16;  // addresses 0..15; settings follow at 16..31

using Memory = std::array<std::uint8_t, kMemorySize>;

// The live readings of a current-state reply, as raw line values.
struct CurrentState {
  std::uint16_t batteryVoltage = 0;  // volts x 640 (or the inverted scale of some models)
  std::uint16_t chargeCurrent = 0;   // amperes x 640 / the model's charge scale
  std::uint16_t loadCurrent = 0;     // amperes x 640 / the model's load scale
  std::uint8_t dailyMaxVoltage = 0;  // tenths of a volt per 12 V
  std::uint8_t dailyMinVoltage = 0;
  std::uint16_t chargeAmpHours = 0;  // whole Ah since midnight
  std::uint16_t loadAmpHours = 0;
  std::uint8_t stateCode = 0;

  bool operator==(const CurrentState&) const = default;
};

// One logged day.
struct HistoryDay {
  std::uint8_t minVoltage = 0;  // tenths of a volt per 12 V
  std::uint8_t maxVoltage = 0;
  std::uint16_t chargeAh = 0;
  std::uint16_t dischargeAh = 0;

  bool operator==(const HistoryDay&) const = default;
};

using History = std::array<HistoryDay, kHistoryDays>;

// true = the input is active.
using AlarmInputs = std::array<bool, kAlarmInputCount>;

}  // namespace solwire::sim
