// How a port's worker thread hands an event to the main thread and waits for
// it. Unlike a bare MainThread::runAndWait, the port can close the gate: a
// task still waiting in the queue is then dropped and the worker goes on at
// once, so that a close from outside the port's handlers never has to wait
// for the main thread it is running on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "serial/main_thread.h"

namespace solwire {

class EventGate {
 public:
  explicit EventGate(MainThread& mainThread);
  ~EventGate();
  EventGate(const EventGate&) = delete;
  EventGate& operator=(const EventGate&) = delete;

  // Runs `task` on the main thread and waits for it at most `timeout`.
  // Returns true when it ran to completion; false when it timed out, was
  // dropped, or the gate is closed. On the main thread it runs at once.
  bool runAndWait(std::function<void()> task, std::chrono::milliseconds timeout);

  // Main thread: whether a task run through this gate is executing now.
  bool insideTask() const { return depth_ > 0; }

  // Main thread: drops the task waiting to start, if any, and refuses new
  // ones until open() is called.
  void close();
  void open();
  // Any thread: whether close() was called and open() has not been since.
  bool closed() const;

 private:
  struct Shared;
  struct Call;

  MainThread& mainThread_;
  std::shared_ptr<Shared> shared_;
  int depth_ = 0;
};

}  // namespace solwire
