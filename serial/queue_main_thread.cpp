#include "serial/queue_main_thread.h"

#include <algorithm>

namespace solwire {

QueueMainThread::QueueMainThread(MonotonicClock& clock) : clock_(clock), owner_(std::this_thread::get_id()) {
  listenerId_ = clock_.addListener([this] {
    std::lock_guard lock(mutex_);
    clockMoved_ = true;
    workArrived_.notify_all();
  });
}

QueueMainThread::~QueueMainThread() { clock_.removeListener(listenerId_); }

bool QueueMainThread::isMainThread() const { return std::this_thread::get_id() == owner_; }

void QueueMainThread::post(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  workArrived_.notify_all();
}

MainThreadTimers::TimerId QueueMainThread::startTimer(std::chrono::milliseconds delay, std::function<void()> task) {
  const std::int64_t due = clock_.nowMs() + delay.count();
  std::lock_guard lock(mutex_);
  const TimerId id = nextTimerId_++;
  timers_.emplace(TimerKey{due, id}, std::move(task));
  timerDue_.emplace(id, due);
  workArrived_.notify_all();
  return id;
}

void QueueMainThread::stopTimer(TimerId id) {
  std::lock_guard lock(mutex_);
  auto found = timerDue_.find(id);
  if (found == timerDue_.end()) return;
  timers_.erase(TimerKey{found->second, id});
  timerDue_.erase(found);
}

bool QueueMainThread::takeTask(std::function<void()>& task) {
  std::lock_guard lock(mutex_);
  if (tasks_.empty()) return false;
  task = std::move(tasks_.front());
  tasks_.pop_front();
  return true;
}

bool QueueMainThread::takeDueTimer(std::function<void()>& task) {
  std::lock_guard lock(mutex_);
  if (timers_.empty() || timers_.begin()->first.first > clock_.nowMs()) return false;
  auto first = timers_.begin();
  task = std::move(first->second);
  timerDue_.erase(first->first.second);
  timers_.erase(first);
  return true;
}

std::size_t QueueMainThread::processEvents() {
  std::size_t ran = 0;
  // Only the work present now: tasks queued by these tasks wait for the next call.
  std::size_t budget;
  {
    std::lock_guard lock(mutex_);
    budget = tasks_.size();
    clockMoved_ = false;
  }
  std::function<void()> task;
  for (; budget > 0 && takeTask(task); --budget) {
    task();
    ++ran;
  }
  while (takeDueTimer(task)) {
    task();
    ++ran;
  }
  return ran;
}

void QueueMainThread::waitForWork(std::chrono::steady_clock::time_point limit) {
  std::unique_lock lock(mutex_);
  if (!tasks_.empty() || clockMoved_) return;
  auto wakeAt = limit;
  if (!timers_.empty()) {
    const std::int64_t due = timers_.begin()->first.first;
    if (due <= clock_.nowMs()) return;
    wakeAt = std::min(wakeAt, clock_.wakeTimeFor(due));
  }
  workArrived_.wait_until(lock, wakeAt);
}

bool QueueMainThread::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto limit = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    processEvents();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= limit) return false;
    waitForWork(limit);
  }
}

void QueueMainThread::runFor(std::chrono::milliseconds timeout) {
  runUntil([] { return false; }, timeout);
}

bool QueueMainThread::waitForTask(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return workArrived_.wait_for(lock, timeout, [&] { return !tasks_.empty(); });
}

std::size_t QueueMainThread::pendingTimers() const {
  std::lock_guard lock(mutex_);
  return timers_.size();
}

}  // namespace solwire
