#include "serial/trigger_list.h"

#include <algorithm>

#include "serial/comm_exception.h"

namespace solwire {
namespace {

constexpr std::uint16_t kTypeBits = 0x7;

bool statusHits(const StatusTriggerRecord& t, const StatusInputs& in) {
  switch (t.type) {
    case stModem: return ((t.reference ^ in.modemStatus) & t.value) != 0;
    case stLineError: return (in.lineErrors & t.value) != 0;
    case stOutputFree: return in.outputFree >= t.value;
    case stOutputUsed: return in.outputUsed < t.value;
    case stOutputSent: return in.outputSent;
    default: return false;
  }
}

std::uint16_t statusData(const StatusTriggerRecord& t, const StatusInputs& in) {
  if (t.type == stOutputFree) return static_cast<std::uint16_t>(std::min<std::size_t>(in.outputFree, 0xFFFF));
  if (t.type == stOutputUsed) return static_cast<std::uint16_t>(std::min<std::size_t>(in.outputUsed, 0xFFFF));
  return 0;
}

}  // namespace

void TriggerList::reset() {
  timers_.clear();
  statuses_.clear();
  triggerLength_ = 1;
  counter_ = 1;
}

bool TriggerList::handleInUse(std::uint16_t base) const {
  auto same = [base](std::uint16_t handle) { return (handle & ~kTypeBits) == base; };
  return std::any_of(timers_.begin(), timers_.end(), [&](const auto& t) { return same(t.handle); }) ||
         std::any_of(statuses_.begin(), statuses_.end(), [&](const auto& t) { return same(t.handle); });
}

int TriggerList::newHandle() {
  while (counter_ <= kMaxHandleIndex) {
    const auto base = static_cast<std::uint16_t>(counter_++ * 8);
    if (!handleInUse(base)) return base;
  }
  for (std::uint16_t index = 1; index <= kMaxHandleIndex; ++index) {
    const auto base = static_cast<std::uint16_t>(index * 8);
    if (!handleInUse(base)) return base;
  }
  return comm_error::kNoMoreTriggers;
}

int TriggerList::addTimer() {
  const int handle = newHandle();
  if (handle < 0) return handle;
  timers_.push_back({static_cast<std::uint16_t>(handle), {}, 0, false, 0});
  return handle;
}

int TriggerList::addStatus(int type) {
  if (type < stModem || type > stOutputSent) return comm_error::kBadArgument;
  const int base = newHandle();
  if (base < 0) return base;
  const auto handle = static_cast<std::uint16_t>(base | type);
  statuses_.push_back({handle, static_cast<std::uint8_t>(type), 0, 0, false, 0});
  return handle;
}

int TriggerList::armTimer(std::uint16_t handle, std::uint32_t ticks, bool activate, std::int64_t nowMs) {
  TimerTriggerRecord* t = findTimer(handle);
  if (t == nullptr) return comm_error::kBadTriggerHandle;
  if (activate) {
    if (ticks != 0) t->ticks = ticks;
    t->deadline = startTimerDeadline(nowMs, t->ticks);
  }
  ++t->arming;  // a hit of an earlier arming is no longer delivered
  t->active = activate;
  return 0;
}

int TriggerList::armStatus(std::uint16_t handle, std::uint16_t value, bool activate, std::uint8_t modemStatus) {
  StatusTriggerRecord* t = findStatus(handle);
  if (t == nullptr) return comm_error::kBadTriggerHandle;
  if (activate) {
    t->value = value;
    if (t->type == stModem) t->reference = static_cast<std::uint8_t>(modemStatus & value);
  }
  ++t->arming;
  t->active = activate;
  return 0;
}

int TriggerList::remove(std::uint16_t handle) {
  if (handle == kDataAvailableHandle) {
    triggerLength_ = 0;
    return 0;
  }
  if (std::erase_if(timers_, [handle](const auto& t) { return t.handle == handle; }) > 0) return 0;
  if (std::erase_if(statuses_, [handle](const auto& t) { return t.handle == handle; }) > 0) return 0;
  return comm_error::kBadTriggerHandle;
}

std::optional<TimerHit> TriggerList::takeExpiredTimer(std::int64_t nowMs) {
  for (auto& t : timers_) {
    if (t.active && deadlineReached(t.deadline, nowMs)) {
      t.active = false;
      return TimerHit{t.handle, t.arming};
    }
  }
  return std::nullopt;
}

std::optional<StatusHit> TriggerList::takeStatusHit(const StatusInputs& inputs) {
  for (auto& t : statuses_) {
    if (t.active && statusHits(t, inputs)) {
      t.active = false;
      const std::uint16_t errors = t.type == stLineError ? inputs.lineErrors : std::uint16_t{0};
      return StatusHit{t.handle, t.type, statusData(t, inputs), errors, t.arming};
    }
  }
  return std::nullopt;
}

std::optional<std::int64_t> TriggerList::nextDue() const {
  std::optional<std::int64_t> due;
  for (const auto& t : timers_) {
    if (t.active && (!due || t.deadline.dueMs < *due)) due = t.deadline.dueMs;
  }
  return due;
}

bool TriggerList::modemTriggerArmed() const {
  return std::any_of(statuses_.begin(), statuses_.end(), [](const auto& t) { return t.active && t.type == stModem; });
}

bool TriggerList::isCurrentHit(const TimerHit& hit) const {
  const TimerTriggerRecord* t = findTimer(hit.handle);
  return t != nullptr && !t->active && t->arming == hit.arming;
}

void TriggerList::giveBack(std::uint16_t handle, std::uint16_t arming) {
  if (TimerTriggerRecord* t = findTimer(handle); t != nullptr && t->arming == arming) t->active = true;
  if (StatusTriggerRecord* t = findStatus(handle); t != nullptr && t->arming == arming) t->active = true;
}

SavedTriggers TriggerList::save() const { return {timers_, statuses_, triggerLength_}; }

void TriggerList::restore(const SavedTriggers& saved) {
  timers_ = saved.timers;
  statuses_ = saved.statuses;
  triggerLength_ = saved.triggerLength;
}

TimerTriggerRecord* TriggerList::findTimer(std::uint16_t handle) {
  auto found = std::find_if(timers_.begin(), timers_.end(), [handle](const auto& t) { return t.handle == handle; });
  return found == timers_.end() ? nullptr : &*found;
}

const TimerTriggerRecord* TriggerList::findTimer(std::uint16_t handle) const {
  auto found = std::find_if(timers_.begin(), timers_.end(), [handle](const auto& t) { return t.handle == handle; });
  return found == timers_.end() ? nullptr : &*found;
}

StatusTriggerRecord* TriggerList::findStatus(std::uint16_t handle) {
  auto found = std::find_if(statuses_.begin(), statuses_.end(), [handle](const auto& t) { return t.handle == handle; });
  return found == statuses_.end() ? nullptr : &*found;
}

}  // namespace solwire
