// One simulated regulator: its type code, 32-byte memory (calibration at
// 0..15, settings at 16..31), 32 days of history, 13 alarm inputs and live
// state, answering read commands and taking memory writes as a real one does.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "protocol/link_environment.h"
#include "sim/day_pattern.h"
#include "sim/fault.h"
#include "sim/regulator_records.h"
#include "sim/reply.h"

namespace solwire::sim {

class RegulatorSite {
 public:
  // A regulator at site `number` (0..31) with plausible contents drawn from
  // `seed`. Throws std::out_of_range for a site or type code outside 0..31.
  RegulatorSite(int number, int typeCode, std::uint64_t seed);

  int number() const { return number_; }

  // Sent as the header byte of a current-state reply; it also selects how the
  // live readings are scaled. Throws std::out_of_range outside 0..31.
  int typeCode() const { return typeCode_; }
  void setTypeCode(int typeCode);

  Memory& memory() { return memory_; }
  const Memory& memory() const { return memory_; }
  History& history() { return history_; }
  const History& history() const { return history_; }
  AlarmInputs& alarmInputs() { return alarms_; }
  const AlarmInputs& alarmInputs() const { return alarms_; }
  SolarProfile& profile() { return profile_; }
  const SolarProfile& profile() const { return profile_; }

  // The live readings at `now`: the day pattern, unless pinned.
  CurrentState currentState(const LocalTime& now) const;
  // Holds the live readings at `state` until followDayPattern().
  void pinCurrentState(const CurrentState& state) { pinned_ = state; }
  void followDayPattern() { pinned_.reset(); }

  void setFault(Fault fault, std::chrono::milliseconds lateBy = {});
  Fault fault() const { return fault_; }

  // The reply to a read command, after the fault; nullopt for a command the
  // regulator does not know or when it stays silent.
  std::optional<Reply> answer(std::uint8_t command, const LocalTime& now) const;
  // A memory write; an address outside 0..31 is ignored, and so is every write
  // to a regulator with the IgnoresWrites fault.
  void write(int address, std::uint8_t data);

 private:
  std::optional<std::vector<std::uint8_t>> replyBytes(std::uint8_t command,
                                                      const LocalTime& now) const;

  int number_;
  int typeCode_;
  Memory memory_{};
  History history_{};
  AlarmInputs alarms_{};
  SolarProfile profile_{};
  std::optional<CurrentState> pinned_;
  Fault fault_ = Fault::None;
  std::chrono::milliseconds lateBy_{};
};

}  // namespace solwire::sim
