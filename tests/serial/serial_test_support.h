// Shared pieces of the serial transport tests: a port on an in-memory line
// with a hand-moved clock, and a counter that threads can wait on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serial/com_port.h"
#include "serial/comm_exception.h"
#include "serial/in_memory_serial_device.h"
#include "serial/manual_clock.h"
#include "serial/queue_main_thread.h"
#include "serial/virtual_device_registry.h"

namespace solwire::testing {

inline constexpr std::chrono::milliseconds kPatience{5000};

// Counts events raised on any thread; waits with a generous deadline.
class Counter {
 public:
  void add() {
    std::lock_guard lock(mutex_);
    ++count_;
    changed_.notify_all();
  }
  int value() const {
    std::lock_guard lock(mutex_);
    return count_;
  }
  bool waitFor(int count, std::chrono::milliseconds timeout = kPatience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return count_ >= count; });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
};

inline std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// A port on an in-memory line, set up as the program sets its ports up
// (no auto-open, no port prompt), with the clock under the test's control.
class PortTest : public ::testing::Test {
 protected:
  PortTest() {
    registry.add("line-a", [this] { return line->makeDevice(); });
    registry.add("line-b", [this] { return lineB->makeDevice(); });
    port = makePort(line);
  }

  std::unique_ptr<TComPort> makePort(const std::shared_ptr<InMemoryLine>& on) {
    auto p = std::make_unique<TComPort>(ui, DeviceDirectory(), clock);
    p->setDeviceFactory([on] { return on->makeDevice(); });
    configure(*p);
    return p;
  }

  // A port whose COM1 is `line` and COM2 `lineB`, set to COM1.
  std::unique_ptr<TComPort> makeComPort() {
    PortNames names([](int n) { return std::optional<std::string>(n == 1 ? "line-a" : "line-b"); });
    auto p = std::make_unique<TComPort>(ui, DeviceDirectory(names, &registry), clock);
    p->setComNumber(1);
    configure(*p);
    return p;
  }

  void configure(TComPort& p) {
    p.setAutoOpen(false);
    p.setPromptForPort(false);
    p.OnTriggerOutbuffFree = [this](TComPort&) { ++fenceEvents; };
    p.setErrorSink([this](std::exception_ptr e) {
      try {
        std::rethrow_exception(e);
      } catch (const std::exception& ex) {
        errors.push_back(ex.what());
      }
    });
  }

  bool pump(const std::function<bool()>& done) { return ui.runUntil(done, kPatience); }

  // Returns once the dispatch thread has finished every pass that began
  // before the call: two rounds of an output-free trigger, which hits at once.
  // Needs OnTriggerOutbuffFree assigned before the port was opened.
  void fence() {
    if (fenceTrigger == 0) fenceTrigger = port->NewStatusTrigger(3);
    for (int round = 0; round < 2; ++round) {
      const int wanted = fenceEvents + 1;
      port->ArmStatusTrigger(fenceTrigger, 0, true);
      ASSERT_TRUE(pump([&] { return fenceEvents >= wanted; }));
    }
  }

  ManualClock clock;
  QueueMainThread ui{clock};
  std::shared_ptr<InMemoryLine> line = InMemoryLine::create();
  std::shared_ptr<InMemoryLine> lineB = InMemoryLine::create();
  VirtualDeviceRegistry registry;  // outlives the ports
  std::vector<std::string> errors;
  int fenceEvents = 0;
  std::uint16_t fenceTrigger = 0;
  std::unique_ptr<TComPort> port;
};

}  // namespace solwire::testing
