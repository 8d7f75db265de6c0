// The dispatch thread's work in one pass: moving received bytes into the ring
// and evaluating the triggers.
#include <algorithm>

#include "serial/base_dispatcher.h"

namespace solwire {

std::size_t TBaseDispatcher::readDevice() {
  if (deviceLost_.load()) return 0;
  std::size_t total = 0;
  // Everything the driver holds, straight into the ring's free space (nobody
  // reads there; a second read when the free space wraps), until a read finds
  // the driver empty or the ring is full; what does not fit stays in the
  // driver until the ring has room. Reading until empty rather than stopping
  // at a short read gathers larger blocks under a steady stream.
  for (;;) {
    std::span<std::uint8_t> free;
    {
      std::lock_guard lock(ringMutex_);
      free = ring_->firstFree();
    }
    if (free.empty()) break;
    const IoResult result = device_->read(free.data(), free.size());
    reads_.fetch_add(1, std::memory_order_relaxed);
    if (result.status == IoResult::Status::Gone) markDeviceLost();
    if (result.status != IoResult::Status::Ok || result.count == 0) break;  // a failed read counts as 0 bytes
    {
      std::lock_guard lock(ringMutex_);
      ring_->commit(result.count);
      newData_ = true;
      total += result.count;
    }
  }
  std::lock_guard lock(ringMutex_);
  if (ring_->full()) ringBlocked_.store(true);
  return total;
}

void TBaseDispatcher::markDeviceLost() { deviceLost_.store(true); }

void TBaseDispatcher::reportDeviceLost() {
  {
    std::lock_guard lock(mutex_);
    if (lostReported_) return;
    lostReported_ = true;
  }
  Notification n;
  n.code = notify::kDeviceLost;
  notifyTargets(n);
}

void TBaseDispatcher::runStatusTriggers() {
  for (;;) {
    StatusInputs inputs;
    {
      std::lock_guard lock(outMutex_);
      inputs.outputFree = output_->freeSpace();
      inputs.outputUsed = output_->used();
    }
    std::optional<StatusHit> hit;
    {
      std::lock_guard lock(mutex_);
      if (stopRequested_) break;  // no hit is taken that could not be delivered
      inputs.modemStatus = modemStatus_;
      inputs.lineErrors = lineErrors_;
      inputs.outputSent = outputSent_;
      hit = triggers_.takeStatusHit(inputs);
    }
    if (!hit) break;
    Notification n;
    n.code = notify::kStatus;
    n.param = hit->handle;
    n.data = hit->data;
    n.statusType = hit->type;
    n.lineErrors = hit->lineErrors;
    n.arming = hit->arming;
    // The sweep restarts after each hit. One that came just as the stop was
    // requested goes back to its trigger.
    if (!notifyTargets(n) && stopRequested()) giveBackHit(n);
  }
  std::lock_guard lock(mutex_);
  outputSent_ = false;
  lineErrors_ = 0;
}

void TBaseDispatcher::runTimerTriggers() {
  for (;;) {
    std::optional<TimerHit> hit;
    {
      std::lock_guard lock(mutex_);
      if (stopRequested_) break;  // no hit is taken that could not be delivered
      const std::optional<std::int64_t> due = triggers_.nextDue();
      if (!due) break;  // none armed: no need to read the clock
      const std::int64_t now = clock_.nowMs();
      if (now < *due) break;
      hit = triggers_.takeExpiredTimer(now);
    }
    if (!hit) break;
    Notification n;
    n.code = notify::kTimer;
    n.param = hit->handle;
    n.arming = hit->arming;
    if (!notifyTargets(n) && stopRequested()) giveBackHit(n);
  }
}

void TBaseDispatcher::runDataAvailable() {
  std::uint16_t length;
  {
    std::lock_guard lock(mutex_);
    length = triggers_.triggerLength();
  }
  std::size_t unread;
  {
    std::lock_guard lock(ringMutex_);
    unread = ring_->unread();
    // Only when bytes arrived since the last notification: a handler that
    // leaves bytes unread is not called again for them alone.
    if (length == 0 || unread < length || !newData_) return;
  }
  Notification n;
  n.code = notify::kDataAvailable;
  n.param = static_cast<std::uint16_t>(std::min<std::size_t>(unread, 0xFFFF));
  // Bytes nobody was told about yet (no target so far) are announced to the
  // first target that comes (addTarget).
  if (!notifyTargets(n)) return;
  std::lock_guard lock(ringMutex_);
  newData_ = false;
}

}  // namespace solwire
