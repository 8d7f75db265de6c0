// How a session waits on its main thread for something to happen: it runs the
// thread's events until `done` holds or `limit` of its clock's time has
// passed, and returns whether `done` holds. The program's clock is the
// system's, so the wait is in real time; a test that moves its clock by hand
// passes a wait that moves it.
#pragma once

#include <chrono>
#include <functional>

#include "serial/queue_main_thread.h"

namespace solwire::cli {

using SessionWait =
    std::function<bool(QueueMainThread& ui, const std::function<bool()>& done, std::chrono::milliseconds limit)>;

inline bool waitInRealTime(QueueMainThread& ui, const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return ui.runUntil(done, limit);
}

}  // namespace solwire::cli
