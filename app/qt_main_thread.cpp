#include "app/qt_main_thread.h"

namespace solwire {

QtMainThread::QtMainThread() : mainThreadId_(std::this_thread::get_id()) {}

bool QtMainThread::isMainThread() const { return std::this_thread::get_id() == mainThreadId_; }

void QtMainThread::post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

MainThreadTimers::TimerId QtMainThread::startTimer(std::chrono::milliseconds delay, std::function<void()> task) {
  const TimerId id = nextTimerId_++;
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  connect(timer, &QTimer::timeout, this, [this, id, task = std::move(task)] {
    stopTimer(id);
    task();
  });
  timers_[id] = timer;
  timer->start(delay);
  return id;
}

void QtMainThread::stopTimer(TimerId id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

}  // namespace solwire
