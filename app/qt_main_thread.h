// The user-interface thread as the serial transport sees it, over Qt's event
// loop: worker threads post their events to it and wait.
#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <thread>

#include "serial/main_thread.h"

namespace solwire {

// Must be created on the thread that runs the Qt event loop.
class QtMainThread : public QObject, public MainThread, public MainThreadTimers {
  Q_OBJECT
 public:
  QtMainThread();

  void post(std::function<void()> task) override;
  bool isMainThread() const override;

  TimerId startTimer(std::chrono::milliseconds delay, std::function<void()> task) override;
  void stopTimer(TimerId id) override;

 private:
  std::thread::id mainThreadId_;
  TimerId nextTimerId_ = 1;
  std::map<TimerId, QTimer*> timers_;
};

}  // namespace solwire
