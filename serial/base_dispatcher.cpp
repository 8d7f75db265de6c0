#include "serial/base_dispatcher.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "serial/comm_exception.h"
#include "serial/modem_status.h"

namespace solwire {

TBaseDispatcher::TBaseDispatcher(std::unique_ptr<SerialDevice> device, MonotonicClock& clock)
    : device_(std::move(device)), clock_(clock) {
  // A clock moved by hand wakes the waits that are bounded by it: the
  // dispatch thread's timers and a line change's drain.
  clockListener_ = clock_.addListener([this] {
    {
      std::lock_guard lock(mutex_);
      dispatchWake_.notify_all();
    }
    std::lock_guard lock(outMutex_);
    outProgress_.notify_all();
  });
}

TBaseDispatcher::~TBaseDispatcher() {
  bool stopNow = false;
  {
    std::lock_guard lock(mutex_);
    stopNow = initialised_ && !stopRequested_;
  }
  if (stopNow) finish();
  {
    std::lock_guard lock(mutex_);
    stopThreads_ = true;
  }
  wakeAllThreads();
  joinThreads();
  closeDevice();
  clock_.removeListener(clockListener_);
}

int TBaseDispatcher::initialise(const LineSettings& line, std::uint16_t outSize) {
  {
    std::lock_guard lock(mutex_);
    if (initialised_) throw std::logic_error("Dispatcher already started");
    initialised_ = true;
  }
  if (const int rc = device_->open(); rc < 0) return rc;
  deviceOpen_ = true;
  ring_ = std::make_unique<ReceiveRing>();
  output_ = std::make_unique<OutputRing>(outSize);
  const auto lines = device_->modemLines();
  {
    std::lock_guard lock(mutex_);
    triggers_.reset();
    hasModemLines_ = lines.has_value();
    modemStatus_ = static_cast<std::uint8_t>(lines.value_or(0) & modem::kLines);
    lineErrors_ = 0;
  }
  int rc = device_->setLine(line);
  if (rc >= 0) {
    line_ = line;
    rc = setDtr(line.dtr);
  }
  if (rc >= 0) rc = setRts(line.rts);
  if (rc < 0) {
    closeDevice();
    return rc;
  }
  device_->takeLineErrors();

  try {
    startThread(eventThread_, &TBaseDispatcher::eventLoop);
    startThread(dispatchThread_, &TBaseDispatcher::dispatchLoop);
    startThread(outputThread_, &TBaseDispatcher::outputLoop);
  } catch (const std::system_error& e) {
    {
      std::lock_guard lock(mutex_);
      stopRequested_ = true;
      stopThreads_ = true;
    }
    wakeAllThreads();
    joinThreads();
    closeDevice();
    return e.code().value() > 0 ? -e.code().value() : -EAGAIN;
  }
  return 0;
}

bool TBaseDispatcher::finish(bool waitForNotification) {
  {
    std::unique_lock lock(mutex_);
    if (!initialised_ || stopRequested_) return !threadsRunning();
    stopRequested_ = true;  // no notification starts from now on
    if (notifying_) {
      const bool onDispatchThread = std::this_thread::get_id() == dispatchThread_.get_id();
      if (!waitForNotification || onDispatchThread) {
        deferredFinish_ = true;
        dispatchWake_.notify_all();
        return false;
      }
      notificationEnded_.wait(lock, [&] { return !notifying_; });
    }
    stopThreads_ = true;
  }
  wakeAllThreads();
  joinThreads();
  closeDevice();
  return true;
}

void TBaseDispatcher::setOnStopped(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  onStopped_ = std::move(callback);
}

void TBaseDispatcher::joinThreads() {
  for (std::thread* thread : {&outputThread_, &eventThread_, &dispatchThread_}) {
    if (thread->joinable()) thread->join();
  }
}

void TBaseDispatcher::closeDevice() {
  if (!deviceOpen_) return;
  device_->purgeOutput();
  device_->purgeInput();
  device_->close();
  deviceOpen_ = false;
}

// ---- line

int TBaseDispatcher::setLine(std::int32_t baud, Parity parity, std::uint16_t dataBits, std::uint16_t stopBits) {
  LineSettings next = lineSettings();
  if (baud != 0) next.baud = baud;
  next.parity = parity;
  next.dataBits = dataBits;
  next.stopBits = stopBitsFor(stopBits, dataBits, next.stopBits);
  return programLine(next);
}

int TBaseDispatcher::setLineSettings(const LineSettings& settings) { return programLine(settings); }

LineSettings TBaseDispatcher::lineSettings() const {
  std::lock_guard lock(mutex_);
  return line_;
}

void TBaseDispatcher::waitForClock(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                                   std::int64_t deadlineMs) const {
  const auto wakeAt = clock_.wakeTimeFor(deadlineMs);
  if (wakeAt == std::chrono::steady_clock::time_point::max()) {
    wake.wait(lock);
  } else {
    wake.wait_until(lock, wakeAt);
  }
}

// Until the output buffer and the device's queue are empty, or the limit.
// Progress of the output thread ends a wait at once; the device's queue has
// no such signal and is polled.
void TBaseDispatcher::drainOutput() {
  const std::int64_t deadline = clock_.nowMs() + kDrainLimitMs;
  for (;;) {
    const std::int64_t now = clock_.nowMs();
    std::unique_lock lock(outMutex_);
    if (output_ && output_->used() > 0 && threadsRunning()) {
      if (now >= deadline) return;
      waitForClock(outProgress_, lock, deadline);
      continue;
    }
    lock.unlock();
    if (device_->outputQueued() == 0 || now >= deadline) return;
    lock.lock();
    waitForClock(outProgress_, lock, std::min(deadline, now + kDrainPollMs));
  }
}

int TBaseDispatcher::programLine(const LineSettings& next) {
  if (next == lineSettings()) return 0;
  drainOutput();
  if (const int rc = device_->setLine(next); rc < 0) return rc;
  {
    std::lock_guard lock(mutex_);
    line_ = next;
  }
  setDtr(next.dtr);
  setRts(next.rts);
  return 0;
}

int TBaseDispatcher::setDtr(bool on) {
  bool automatic;
  {
    std::lock_guard lock(mutex_);
    line_.dtr = on;
    automatic = (line_.hardwareFlow & hwfUseDTR) != 0;
  }
  if (automatic) return 0;
  return device_->setDtr(on) < 0 ? comm_error::kBadArgument : 0;
}

int TBaseDispatcher::setRts(bool on) {
  bool automatic;
  {
    std::lock_guard lock(mutex_);
    line_.rts = on;
    automatic = (line_.hardwareFlow & hwfUseRTS) != 0;
  }
  if (automatic) return 0;
  return device_->setRts(on) < 0 ? comm_error::kBadArgument : 0;
}

// ---- output

int TBaseDispatcher::putBlock(std::span<const std::uint8_t> data) {
  std::lock_guard lock(outMutex_);
  if (!output_ || !output_->put(data)) return comm_error::kOutputBufferTooSmall;
  outWake_.notify_one();
  return 0;
}

std::size_t TBaseDispatcher::outputUsed() const {
  std::lock_guard lock(outMutex_);
  return output_ ? output_->used() : 0;
}

std::size_t TBaseDispatcher::outputFree() const {
  std::lock_guard lock(outMutex_);
  return output_ ? output_->freeSpace() : 0;
}

void TBaseDispatcher::flushOutput() {
  {
    std::unique_lock lock(outMutex_);
    if (!output_) return;
    flushRequested_ = true;
    const std::uint64_t wanted = flushAcks_ + 1;
    outWake_.notify_all();
    lock.unlock();
    device_->interruptWrite();
    lock.lock();
    const bool acknowledged = outProgress_.wait_for(lock, kFlushWait, [&] { return flushAcks_ >= wanted; });
    if (!acknowledged && !threadsRunning()) {
      output_->clear();
      flushRequested_ = false;
    }
  }
  device_->purgeOutput();
}

// ---- input

std::size_t TBaseDispatcher::takeRead(std::uint8_t* out, std::size_t count, bool exact) {
  std::size_t taken = 0;
  bool consumed = false;
  {
    std::lock_guard lock(ringMutex_);
    if (!ring_) return 0;
    const std::size_t unread = ring_->unread();
    const bool ahead = readAhead_ && reader_ != nullptr;
    const std::size_t offset = ahead ? std::min(reader_->readCount, unread) : 0;
    const std::size_t available = unread - offset;
    if (exact && available < count) return 0;
    taken = std::min(count, available);
    ring_->copyOut(offset, out, taken);
    if (ahead) {
      reader_->readCount = offset + taken;
      readAheadMax_ = std::max(readAheadMax_, reader_->readCount);
    } else {
      ring_->consume(taken);
      consumed = taken > 0;
    }
  }
  if (consumed) spaceFreed();
  return taken;
}

int TBaseDispatcher::getChar(std::uint8_t& byte) {
  return takeRead(&byte, 1, true) == 1 ? 0 : comm_error::kBufferIsEmpty;
}

int TBaseDispatcher::getBlock(std::span<std::uint8_t> out) {
  if (out.empty()) return 0;
  return takeRead(out.data(), out.size(), true) == out.size() ? static_cast<int>(out.size())
                                                              : comm_error::kBufferIsEmpty;
}

std::size_t TBaseDispatcher::unreadCount() const {
  std::lock_guard lock(ringMutex_);
  if (!ring_) return 0;
  const std::size_t unread = ring_->unread();
  if (readAhead_ && reader_ != nullptr) return unread - std::min(reader_->readCount, unread);
  return unread;
}

void TBaseDispatcher::flushInput() {
  device_->purgeInput();
  {
    std::lock_guard lock(ringMutex_);
    if (!ring_) return;
    ring_->discard();
    newData_ = false;
  }
  spaceFreed();
}

void TBaseDispatcher::spaceFreed() {
  // The event thread stopped watching for data while the ring was full.
  if (ringBlocked_.exchange(false)) device_->wake();
}

// ---- modem lines

void TBaseDispatcher::refreshModemStatus() {
  const auto lines = device_->modemLines();
  if (!lines) return;
  std::lock_guard lock(mutex_);
  modemStatus_ = modem::updatedStatus(modemStatus_, *lines);
}

std::uint8_t TBaseDispatcher::modemStatus() {
  refreshModemStatus();
  std::lock_guard lock(mutex_);
  const std::uint8_t status = modemStatus_;
  modemStatus_ &= modem::kLines;
  return status;
}

bool TBaseDispatcher::carrier() {
  refreshModemStatus();
  std::lock_guard lock(mutex_);
  const bool on = (modemStatus_ & modem::kDCD) != 0;
  modemStatus_ &= static_cast<std::uint8_t>(~modem::kDeltaDCD);
  return on;
}

bool TBaseDispatcher::deviceLost() const { return deviceLost_.load(); }

// ---- triggers

int TBaseDispatcher::addTimerTrigger() {
  std::lock_guard lock(mutex_);
  return triggers_.addTimer();
}

int TBaseDispatcher::setTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) {
  const std::int64_t now = activate ? clock_.nowMs() : 0;  // disarming needs no time
  std::lock_guard lock(mutex_);
  const int rc = triggers_.armTimer(handle, ticks, activate, now);
  if (activate) dispatchWake_.notify_all();  // the earliest deadline may have changed
  return rc;
}

int TBaseDispatcher::addStatusTrigger(int type) {
  std::lock_guard lock(mutex_);
  return triggers_.addStatus(type);
}

int TBaseDispatcher::setStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate) {
  refreshModemStatus();
  std::lock_guard lock(mutex_);
  const int rc = triggers_.armStatus(handle, value, activate, modemStatus_);
  if (rc == 0 && activate) {
    wakeRequested_ = true;  // it may hit at once (output-buffer triggers)
    dispatchWake_.notify_all();
  }
  return rc;
}

int TBaseDispatcher::removeTrigger(std::uint16_t handle) {
  std::lock_guard lock(mutex_);
  return triggers_.remove(handle);
}

void TBaseDispatcher::setTriggerLength(std::uint16_t length) {
  std::lock_guard lock(mutex_);
  triggers_.setTriggerLength(length);
}

std::uint16_t TBaseDispatcher::triggerLength() const {
  std::lock_guard lock(mutex_);
  return triggers_.triggerLength();
}

SavedTriggers TBaseDispatcher::saveTriggers() const {
  std::lock_guard lock(mutex_);
  return triggers_.save();
}

void TBaseDispatcher::restoreTriggers(const SavedTriggers& saved) {
  std::lock_guard lock(mutex_);
  triggers_.restore(saved);
  wakeRequested_ = true;
  dispatchWake_.notify_all();
}

bool TBaseDispatcher::isCurrentTimerHit(std::uint16_t handle, std::uint16_t arming) const {
  std::lock_guard lock(mutex_);
  return triggers_.isCurrentHit({handle, arming});
}

void TBaseDispatcher::giveBackHit(const Notification& n) {
  if (n.code != notify::kTimer && n.code != notify::kStatus) return;
  std::lock_guard lock(mutex_);
  triggers_.giveBack(n.param, n.arming);
  wakeRequested_ = true;
  dispatchWake_.notify_all();
}

// ---- targets

TBaseDispatcher::TargetId TBaseDispatcher::addTarget(Target target, TargetKind kind) {
  TargetId id;
  {
    std::lock_guard lock(targetsMutex_);
    id = nextTargetId_++;
    targets_.push_back(std::make_shared<TargetRecord>(TargetRecord{id, std::move(target), kind}));
  }
  bool unannounced;
  {
    std::lock_guard lock(ringMutex_);
    unannounced = ring_ && newData_;
  }
  if (unannounced) {
    // Bytes came while nobody listened: a pass announces them to this target.
    std::lock_guard lock(mutex_);
    wakeRequested_ = true;
    dispatchWake_.notify_all();
  }
  return id;
}

void TBaseDispatcher::removeTarget(TargetId id) {
  std::lock_guard lock(targetsMutex_);
  for (auto& target : targets_) {
    if (target->id == id) target->removed = true;
  }
  if (!iterating_) purgeRemovedTargets();
}

void TBaseDispatcher::purgeRemovedTargets() {
  std::erase_if(targets_, [](const auto& target) { return target->removed; });
}

bool TBaseDispatcher::notifying() const {
  std::lock_guard lock(mutex_);
  return notifying_;
}

DispatcherStats TBaseDispatcher::stats() const {
  return {passes_.load(), eventWaits_.load(), reads_.load(), notifications_.load()};
}

}  // namespace solwire
