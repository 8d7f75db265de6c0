// A link controller on the built-in simulated line, for the data windows'
// tests: the real serial stack (TComPort, its dispatcher threads and the reply
// matcher) on the in-memory line "sim", with the program's Qt main thread, so
// the windows under test see the same events in the same order as in the
// running program.
//
// Time: the line answers in real time (paced by its own thread); everything
// that waits on purpose runs on clocks the test moves by hand:
//   - lineClock: the transport's clock (the matcher's time-out, port timer
//     triggers), a ManualClock;
//   - controllerClock: the controller's waits (1000 ms between history blocks,
//     1200 ms before a deferred request) and its local time, a VirtualClock.
// advance() moves both. Nothing here sleeps; the run helpers spin the Qt event
// loop until a condition holds, bounded in real time so a broken test fails
// instead of hanging.
//
// Use:
//   ViewHarness harness;                       // site 0, a 48 V regulator
//   TCurrentform form(harness.controller());
//   harness.views.on.labelupdate = [&form] { form.labelupdate(); };
//   form.FormClick();
//   ASSERT_TRUE(harness.settle());
//
// Callbacks are plain std::function members (no-ops by default). Point them
// at a window through a QPointer, or clear them, when the test may destroy the
// window before the harness. The harness records every link status text,
// history progress position and beep as well.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt_main_thread.h"
#include "protocol/link_controller.h"
#include "protocol/virtual_clock.h"
#include "serial/device_directory.h"
#include "serial/manual_clock.h"
#include "serial/program_link.h"
#include "serial/virtual_device_registry.h"
#include "sim/simulated_line_service.h"

namespace solwire::test {

using namespace std::chrono_literals;

// The controller's view interface, forwarded to whatever the test points it at.
class ForwardingViews : public LinkViews {
 public:
  struct Callbacks {
    std::function<void(LinkStatus)> showLinkStatus;
    std::function<void()> hideCurrentStateWait;
    std::function<void()> labelupdate;
    std::function<void()> setdisplay;
    std::function<void()> caldisplay;
    std::function<void()> hideHistoryWait;
    std::function<void(int)> setHistoryProgress;
    std::function<void()> drawgraph;
    std::function<void()> repaintAlarmStatus;
    std::function<void(bool)> setAlarmPollPending;
    std::function<void(SaveOption)> enableSaveOption;
    std::function<void()> disableSaveOptions;
  };
  Callbacks on;

  // What the controller said, in order.
  std::vector<LinkStatus> statuses;
  std::vector<int> historyProgress;

  LinkStatus lastStatus() const { return statuses.empty() ? LinkStatus::Closed : statuses.back(); }

  void showLinkStatus(LinkStatus status) override {
    statuses.push_back(status);
    call(on.showLinkStatus, status);
  }
  void showClock(const LocalTime&) override {}
  void showLinkInStatus(int, int) override {}
  void showHoursToLog(int, bool) override {}
  void hideCurrentStateWait() override { call(on.hideCurrentStateWait); }
  void labelupdate() override { call(on.labelupdate); }
  void setdisplay() override { call(on.setdisplay); }
  void caldisplay() override { call(on.caldisplay); }
  void hideHistoryWait() override { call(on.hideHistoryWait); }
  void setHistoryProgress(int position) override {
    historyProgress.push_back(position);
    call(on.setHistoryProgress, position);
  }
  void drawgraph() override { call(on.drawgraph); }
  void repaintAlarmStatus() override { call(on.repaintAlarmStatus); }
  void setAlarmPollPending(bool pending) override { call(on.setAlarmPollPending, pending); }
  void enableSaveOption(SaveOption option) override { call(on.enableSaveOption, option); }
  void disableSaveOptions() override { call(on.disableSaveOptions); }

 private:
  template <typename... Args>
  static void call(const std::function<void(Args...)>& callback, Args... args) {
    if (callback) callback(args...);
  }
};

class HarnessFeedback : public Feedback {
 public:
  void beep() override { ++beeps; }
  int beeps = 0;
};

class HarnessLogWriter : public LogWriter {
 public:
  void writeLogEntry(const LogReading& reading) override { readings.push_back(reading); }
  std::vector<LogReading> readings;
};

class HarnessDialSupervisor : public DialSupervisor {
 public:
  void superviseCalls() override {}
  void dialup(DialReason reason, const std::string&) override { dials.push_back(reason); }
  std::vector<DialReason> dials;
};

struct ViewHarnessOptions {
  int site = 0;  // the simulated line has regulators at sites 0..3
  // Pace of the simulated line; fast so that tests spend little real time.
  int lineBaud = 115200;
  std::uint32_t seed = 1;
  LocalTime start{2024, 5, 1, 10, 30, 0};
  // Ends the start-up hold with one timer tick, as the running program
  // does one second after start.
  bool endStartupHold = true;
  // Called with the controls before the controller is made (log site,
  // alarm rate, baud row ...).
  std::function<void(LinkControls&)> adjust;
};

class ViewHarness {
 public:
  using Options = ViewHarnessOptions;

  explicit ViewHarness(Options options = {}) : options_(std::move(options)) {
    line_ = std::make_unique<sim::SimulatedLineService>(options_.lineBaud, options_.seed);
    line_->registerAs(registry_);
    // Every COM number names the simulated line.
    devices_ = std::make_unique<DeviceDirectory>(
        PortNames([](int) -> std::optional<std::string> { return std::string(kSimulatedLineName); }), &registry_);
    link_ = std::make_unique<ProgramLink>(mainThread_, mainThread_, *devices_, lineClock);
    controllerClock = std::make_unique<VirtualClock>(options_.start);
    LinkControls controls;
    controls.site = options_.site;
    if (options_.adjust) options_.adjust(controls);
    controller_ = std::make_unique<LinkController>(
        LinkEndpoints{link_->Comport1, link_->datapack1, link_->Comport2, link_->Datapack2},
        LinkServices{*controllerClock, views, feedback, logWriter, dial}, controls, startValues(4, 1));
    if (options_.endStartupHold) controller_->Timer1Timer();
  }

  ~ViewHarness() {
    views.on = {};
    controller_->shutDown();
    controller_.reset();
    if (link_->Comport1.Open()) link_->Comport1.setOpen(false);
    link_.reset();
    processEvents();
  }

  ViewHarness(const ViewHarness&) = delete;
  ViewHarness& operator=(const ViewHarness&) = delete;

  LinkController& controller() { return *controller_; }
  const LinkController& controller() const { return *controller_; }
  ProgramLink& link() { return *link_; }
  // The regulators on the line; change them with line().withBus(...).
  sim::SimulatedLineService& line() { return *line_; }

  // Runs what the Qt event loop has queued, and then what that posted in
  // turn (a window's zero-delay follow-up to a callback).
  static void processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }

  // Runs the Qt event loop until `done` holds or `limit` of real time passed;
  // returns the last value of `done`.
  static bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (done()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
    }
  }

  // Runs until the line is free: replies come in real time, and each wait the
  // controller holds the line for (between history blocks, before a deferred
  // request) is passed on the controller's clock as soon as it begins. So a
  // whole history transfer, deferred current-state read included, completes
  // here. False if a reply did not come within `limit` (use letTheTimeOutPass
  // for a site that stays silent).
  bool settle(std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      if (controller_->state().lineReserved() || controller_->state().settling()) {
        controllerClock->runNext();
        continue;
      }
      if (!controller_->lineBusy()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
    }
  }

  // Runs until the outstanding request has its reply (or failed), without
  // passing a wait that follows it: the line may stay held for the next
  // chained request.
  bool awaitReply(std::chrono::milliseconds limit = 5s) {
    return runUntil(
        [this] {
          const LinkState& state = controller_->state();
          return state.lineReserved() || state.settling() || !controller_->lineBusy();
        },
        limit);
  }

  // Passes the wait the line is held for (if any) and lets the next chained
  // request go out.
  void passChainedWait() {
    if (controller_->state().lineReserved() || controller_->state().settling()) controllerClock->runNext();
    processEvents();
  }

  // Moves both clocks forward by `step` and runs what fell due.
  void advance(std::chrono::milliseconds step) {
    lineClock.advance(step.count());
    controllerClock->advance(step);
    processEvents();
  }

  // The matcher's time-out (at most 100 ticks of 55 ms after the request) on
  // a site that does not answer; runs until the controller has ended it.
  // It takes no real time: the request may reach the simulated line only
  // after it, so a site made to answer again at once may answer it late.
  // The quiet time the line then needs passes on the controller's clock.
  bool letTheTimeOutPass() {
    lineClock.advance(100 * 55 + 1);
    const bool ended = runUntil([this] {
      const LinkState& state = controller_->state();
      return !state.requestBusy() || state.lineReserved() || state.settling();
    });
    if (controller_->state().settling()) controllerClock->advance(controller_->guardTime());
    processEvents();
    return ended;
  }

  // The operator turns the site selector, as the main window does it.
  void selectSite(int site) {
    controller_->siteselChanging();
    controller_->controls().site = site;
  }

  // One tick of the main window's one-second timer.
  void tick() {
    controllerClock->advance(1s);
    controller_->Timer1Timer();
  }

  ForwardingViews views;
  HarnessFeedback feedback;
  HarnessLogWriter logWriter;
  HarnessDialSupervisor dial;
  ManualClock lineClock;
  std::unique_ptr<VirtualClock> controllerClock;

 private:
  Options options_;
  QtMainThread mainThread_;
  VirtualDeviceRegistry registry_;
  std::unique_ptr<sim::SimulatedLineService> line_;
  std::unique_ptr<DeviceDirectory> devices_;
  std::unique_ptr<ProgramLink> link_;
  std::unique_ptr<LinkController> controller_;
};

}  // namespace solwire::test
