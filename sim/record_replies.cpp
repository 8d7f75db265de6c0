#include "sim/record_replies.h"

#include <cstddef>

#include "sim/alarm_bits.h"
#include "sim/tagged_nibbles.h"

namespace solwire::sim {

namespace {

std::uint8_t highByte(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
std::uint8_t lowByte(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

void appendHighFirst(std::vector<std::uint8_t>& data, std::uint16_t value) {
  data.push_back(highByte(value));
  data.push_back(lowByte(value));
}

void appendLowFirst(std::vector<std::uint8_t>& data, std::uint16_t value) {
  data.push_back(lowByte(value));
  data.push_back(highByte(value));
}

std::vector<std::uint8_t> memoryReply(const Memory& memory, std::size_t first) {
  const std::span<const std::uint8_t> half(memory.data() + first, kCalibrationBytes);
  return tagNibbles(kMemoryHeader, kMemoryTag, half);
}

}  // namespace

std::vector<std::uint8_t> currentStateReply(int typeCode, const CurrentState& state) {
  std::vector<std::uint8_t> data;
  appendHighFirst(data, state.batteryVoltage);
  appendHighFirst(data, state.chargeCurrent);
  appendHighFirst(data, state.loadCurrent);
  data.push_back(state.dailyMaxVoltage);
  data.push_back(state.dailyMinVoltage);
  appendHighFirst(data, state.chargeAmpHours);
  appendHighFirst(data, state.loadAmpHours);
  data.push_back(state.stateCode);
  return tagNibbles(static_cast<std::uint8_t>(typeCode & 0x1F), kCurrentStateTag, data);
}

std::vector<std::uint8_t> settingsReply(const Memory& memory) {
  return memoryReply(memory, kCalibrationBytes);
}

std::vector<std::uint8_t> calibrationReply(const Memory& memory) { return memoryReply(memory, 0); }

std::vector<std::uint8_t> historyBlockReply(const History& history, int block) {
  std::vector<std::uint8_t> data;
  const auto firstDay = static_cast<std::size_t>((block - 1) * kDaysPerBlock);
  for (std::size_t day = firstDay; day < firstDay + kDaysPerBlock; ++day) {
    const HistoryDay& entry = history.at(day);
    data.push_back(entry.minVoltage);
    data.push_back(entry.maxVoltage);
    appendLowFirst(data, entry.chargeAh);
    appendLowFirst(data, entry.dischargeAh);
  }
  return tagNibbles(kHistoryHeader, kHistoryTag, data);
}

std::vector<std::uint8_t> alarmReply(const AlarmInputs& inputs) {
  const auto data = alarmDataBytes(inputs);
  return tagNibbles(kAlarmHeader, kAlarmTag, data);
}

}  // namespace solwire::sim
