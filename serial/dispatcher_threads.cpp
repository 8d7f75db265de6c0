// The three worker threads of a dispatcher and how they start and stop.
#include <algorithm>
#include <utility>

#include "serial/base_dispatcher.h"
#include "serial/link_operations.h"

namespace solwire {

void TBaseDispatcher::startThread(std::thread& thread, void (TBaseDispatcher::*loop)()) {
  {
    std::lock_guard lock(startMutex_);
    started_ = false;
  }
  thread = std::thread([this, loop] { (this->*loop)(); });
  std::unique_lock lock(startMutex_);
  if (!startedSignal_.wait_for(lock, kThreadStartWait, [&] { return started_; })) {
    throw std::system_error(std::make_error_code(std::errc::timed_out), "worker thread did not start");
  }
}

void TBaseDispatcher::threadStarted() {
  running_.fetch_add(1);
  std::lock_guard lock(startMutex_);
  started_ = true;
  startedSignal_.notify_all();
}

void TBaseDispatcher::threadEnded() {
  std::function<void()> onStopped;
  {
    std::lock_guard lock(mutex_);
    const bool last = running_.fetch_sub(1) == 1;
    threadsChanged_.notify_all();
    if (last && deferredFinish_) onStopped = onStopped_;
  }
  // The callback may lead to this dispatcher being destroyed once the threads
  // are joined, so nothing is touched after it.
  if (onStopped) onStopped();
}

void TBaseDispatcher::wakeAllThreads() {
  {
    std::lock_guard lock(outMutex_);
    outWake_.notify_all();
  }
  device_->interruptWrite();
  {
    std::lock_guard lock(mutex_);
    eventDone_.notify_all();
    dispatchWake_.notify_all();
  }
  device_->wake();
}

// ---- event thread

void TBaseDispatcher::eventLoop() {
  threadStarted();
  const bool watchLines = hasModemLines_;
  while (!stopThreads_.load()) {
    const bool lost = deviceLost_.load();
    DeviceWaitRequest request;
    request.readable = !lost && !ringBlocked_.load();
    request.modemChange = !lost && watchLines && device_->canReportModemChanges();
    request.hangUp = !lost;
    const DeviceEvents events = device_->wait(request);
    eventWaits_.fetch_add(1, std::memory_order_relaxed);
    if (stopThreads_.load()) break;

    std::unique_lock lock(mutex_);
    pendingEvents_.readable |= events.readable;
    pendingEvents_.modemChange |= events.modemChange;
    pendingEvents_.lineError |= events.lineError;
    pendingEvents_.hangUp |= events.hangUp;
    pendingEvents_.woken |= events.woken;
    eventPending_ = true;
    eventHandled_ = false;
    dispatchWake_.notify_all();
    // One device event at a time: the next wait starts once this one is dealt with.
    eventDone_.wait(lock, [&] { return eventHandled_ || stopThreads_.load(); });
  }
  threadEnded();
}

// ---- dispatch thread

bool TBaseDispatcher::modemPollingNeeded() const {
  return hasModemLines_ && !deviceLost_.load() && triggers_.modemTriggerArmed() &&
         !device_->canReportModemChanges();
}

void TBaseDispatcher::waitForDispatchWork(std::unique_lock<std::mutex>& lock) {
  for (;;) {
    if (stopThreads_.load() || stopRequested_ || eventPending_ || wakeRequested_) return;
    std::optional<std::int64_t> due = triggers_.nextDue();
    if (modemPollingNeeded()) due = due ? std::min(*due, nextModemPoll_) : nextModemPoll_;
    if (!due) {
      dispatchWake_.wait(lock);
      continue;
    }
    if (clock_.nowMs() >= *due) return;
    waitForClock(dispatchWake_, lock, *due);
  }
}

void TBaseDispatcher::dispatchLoop() {
  threadStarted();
  std::unique_lock lock(mutex_);
  for (;;) {
    waitForDispatchWork(lock);
    if (stopThreads_.load() || stopRequested_) break;
    const bool fromEventThread = eventPending_;
    const DeviceEvents events = std::exchange(pendingEvents_, DeviceEvents{});
    eventPending_ = false;
    wakeRequested_ = false;
    lock.unlock();
    passes_.fetch_add(1, std::memory_order_relaxed);
    runPass(events);
    lock.lock();
    if (fromEventThread) {
      eventHandled_ = true;
      eventDone_.notify_all();
    }
  }
  const bool deferred = deferredFinish_;
  if (deferred) {
    // finish() came during a notification: this thread completes it.
    stopThreads_.store(true);
    lock.unlock();
    wakeAllThreads();
    lock.lock();
    threadsChanged_.wait(lock, [&] { return running_.load() == 1; });
    lock.unlock();
    closeDevice();
  } else {
    lock.unlock();
  }
  threadEnded();
}

void TBaseDispatcher::runPass(const DeviceEvents& events) {
  bool pollLines = false;
  {
    std::lock_guard lock(mutex_);
    if (modemPollingNeeded()) {
      const std::int64_t now = clock_.nowMs();
      if (now >= nextModemPoll_) {
        pollLines = true;
        nextModemPoll_ = now + kTickMilliseconds;
      }
    }
  }
  if (events.modemChange || pollLines) refreshModemStatus();
  if (events.lineError) {
    const std::uint16_t errors = device_->takeLineErrors();
    std::lock_guard lock(mutex_);
    lineErrors_ |= errors;
  }
  const bool read = events.readable || events.woken || events.hangUp;
  // Bytes that arrive while the targets run are read in the same pass (a
  // few rounds at most, so that line changes are not kept waiting): a steady
  // stream does not need the event thread for every block.
  constexpr int kReadRounds = 8;
  bool more = true;
  for (int round = 0; more && round < kReadRounds; ++round) {
    more = read && readDevice() > 0;
    if (events.hangUp) markDeviceLost();
    runStatusTriggers();
    runDataAvailable();
    runTimerTriggers();
    if (stopRequested() || deviceLost_.load()) break;
  }
  if (deviceLost_.load()) reportDeviceLost();
}

// ---- output thread

void TBaseDispatcher::outputLoop() {
  threadStarted();
  std::unique_lock lock(outMutex_);
  for (;;) {
    outWake_.wait(lock, [&] { return stopThreads_.load() || flushRequested_ || output_->used() > 0; });
    if (stopThreads_.load()) break;
    if (flushRequested_) {
      output_->clear();
      flushRequested_ = false;
      ++flushAcks_;
      outProgress_.notify_all();
      continue;
    }
    const auto pending = output_->pending();
    lock.unlock();
    const IoResult result = device_->write(pending.data(), pending.size());
    lock.lock();
    if (flushRequested_ || result.status == IoResult::Status::Interrupted) continue;
    const bool sent = result.status == IoResult::Status::Ok && result.count > 0;
    if (result.status == IoResult::Status::Ok) {
      output_->advance(result.count);
    } else {
      output_->clear();  // a device that fails to take output must not make this thread spin
    }
    outProgress_.notify_all();
    lock.unlock();
    if (result.status == IoResult::Status::Gone) markDeviceLost();
    {
      std::lock_guard triggerLock(mutex_);
      outputSent_ = outputSent_ || sent;
      wakeRequested_ = true;
      dispatchWake_.notify_all();
    }
    lock.lock();
  }
  lock.unlock();
  threadEnded();
}

}  // namespace solwire
