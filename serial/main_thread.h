// The user-interface thread as the transport sees it. Worker threads hand
// every event to it and wait; components with timers of their own (TP_Packet)
// run them on it. The desktop client implements this over its event loop;
// tests and the command-line tool use QueueMainThread.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>

namespace solwire {

// An implementation provides post() and isMainThread(); a Qt one posts to the
// application object's event loop. A worker that waits for a task it posted
// does so through a port's EventGate.
class MainThread {
 public:
  virtual ~MainThread() = default;

  // Queues `task` to run on the main thread later, in order, and returns at once.
  virtual void post(std::function<void()> task) = 0;

  virtual bool isMainThread() const = 0;
};

// Single-shot timers whose tasks run on the main thread.
class MainThreadTimers {
 public:
  using TimerId = std::uint64_t;

  virtual ~MainThreadTimers() = default;
  // Runs `task` once on the main thread, `delay` from now. Returns a non-zero id.
  virtual TimerId startTimer(std::chrono::milliseconds delay, std::function<void()> task) = 0;
  // Cancels a timer; ids of timers that have fired or were stopped are ignored.
  virtual void stopTimer(TimerId id) = 0;
};

// Where an exception escaping an event handler goes instead of a worker thread.
using ErrorSink = std::function<void(std::exception_ptr error)>;

// Prints the exception's message to stderr.
void printErrorToStderr(std::exception_ptr error);

}  // namespace solwire
