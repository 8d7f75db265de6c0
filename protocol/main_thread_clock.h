// The link controller's clock on the serial transport's main thread: waits
// run on its timers (and so on its clock), local time comes from the system.
#pragma once

#include "protocol/link_environment.h"
#include "serial/main_thread.h"

namespace solwire {

class MainThreadClock : public Clock {
 public:
  explicit MainThreadClock(MainThreadTimers& timers) : timers_(timers) {}
  LocalTime localNow() const override;
  void callAfter(std::chrono::milliseconds delay, std::function<void()> task) override;

 private:
  MainThreadTimers& timers_;
};

LocalTime systemLocalTime();

}  // namespace solwire
