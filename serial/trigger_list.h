// A port's triggers: one-shot timers, status triggers and the data-available
// trigger length, with their handles. Not locked: the dispatcher guards it.
//
// Handles are multiples of 8 from a counter that restarts at every open (8,
// 16, ... 4095 * 8); once the counter is used up, the smallest free multiple of
// 8 is taken. A status trigger's handle carries its type in the low three bits.
// Handle 1 stands for the data-available trigger.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "serial/timer_deadline.h"

namespace solwire {

inline constexpr std::uint16_t kDataAvailableHandle = 1;
inline constexpr std::uint16_t kMaxHandleIndex = 4095;

enum StatusType : std::uint8_t {
  stModem = 1,
  stLineError = 2,
  stOutputFree = 3,
  stOutputUsed = 4,
  stOutputSent = 5,
};

struct TimerTriggerRecord {
  std::uint16_t handle = 0;
  TimerDeadline deadline;
  std::uint32_t ticks = 0;   // the count last given
  bool active = false;
  std::uint16_t arming = 0;  // counts armings, so that a late hit can be recognised
};

struct StatusTriggerRecord {
  std::uint16_t handle = 0;
  std::uint8_t type = 0;
  std::uint16_t value = 0;      // line mask, error mask or byte count
  std::uint8_t reference = 0;   // masked modem status at arming
  bool active = false;
  std::uint16_t arming = 0;     // counts armings, as for timers
};

// What status triggers are evaluated against.
struct StatusInputs {
  std::uint8_t modemStatus = 0;
  std::uint16_t lineErrors = 0;
  std::size_t outputFree = 0;
  std::size_t outputUsed = 0;
  bool outputSent = false;
};

struct TimerHit {
  std::uint16_t handle;
  std::uint16_t arming;
};

struct StatusHit {
  std::uint16_t handle;
  std::uint8_t type;
  std::uint16_t data;        // byte count for output-buffer triggers, else 0
  std::uint16_t lineErrors;  // the error bits, for a line-error trigger
  std::uint16_t arming;
};

// Everything a close saves and the next open restores.
struct SavedTriggers {
  std::vector<TimerTriggerRecord> timers;
  std::vector<StatusTriggerRecord> statuses;
  std::uint16_t triggerLength = 1;
};

class TriggerList {
 public:
  // Empty lists, handle counter back to the start, trigger length 1.
  void reset();

  // A handle, or comm_error::kNoMoreTriggers.
  int addTimer();
  // A handle, or kBadArgument (type not 1..5) / kNoMoreTriggers.
  int addStatus(int type);
  // 0 or kBadTriggerHandle.
  int armTimer(std::uint16_t handle, std::uint32_t ticks, bool activate, std::int64_t nowMs);
  int armStatus(std::uint16_t handle, std::uint16_t value, bool activate, std::uint8_t modemStatus);
  int remove(std::uint16_t handle);

  std::uint16_t triggerLength() const { return triggerLength_; }
  void setTriggerLength(std::uint16_t length) { triggerLength_ = length; }

  // The first active timer that is due, made inactive.
  std::optional<TimerHit> takeExpiredTimer(std::int64_t nowMs);
  // The first active status trigger that hits, made inactive.
  std::optional<StatusHit> takeStatusHit(const StatusInputs& inputs);
  // When the earliest active timer falls due.
  std::optional<std::int64_t> nextDue() const;
  bool modemTriggerArmed() const;
  // Whether `hit` is the latest arming of a timer that has not been re-armed since.
  bool isCurrentHit(const TimerHit& hit) const;
  // A hit of the trigger's latest arming that could not be delivered: the
  // trigger is armed again, as it was before the hit (a timer stays due).
  void giveBack(std::uint16_t handle, std::uint16_t arming);

  SavedTriggers save() const;
  void restore(const SavedTriggers& saved);

 private:
  int newHandle();
  bool handleInUse(std::uint16_t base) const;
  TimerTriggerRecord* findTimer(std::uint16_t handle);
  StatusTriggerRecord* findStatus(std::uint16_t handle);
  const TimerTriggerRecord* findTimer(std::uint16_t handle) const;

  std::vector<TimerTriggerRecord> timers_;
  std::vector<StatusTriggerRecord> statuses_;
  std::uint16_t triggerLength_ = 1;
  std::uint16_t counter_ = 1;
};

}  // namespace solwire
