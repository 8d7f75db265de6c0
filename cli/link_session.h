// One site read over a real port: the program's two lines, the link
// controller and its one-second timer on a queue main thread, run until each
// read has finished or failed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "protocol/link_controller.h"
#include "protocol/main_thread_clock.h"
#include "protocol/quiet_services.h"
#include "protocol/request_waiter.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "serial/virtual_device_registry.h"

namespace solwire::cli {

struct SessionOptions {
  std::string port;   // "COMn", a device path, or "sim"
  int baudIndex = 4;  // into the baud table: 0..4
  int site = 0;
};

// What a session does besides the reads it is asked for: the periodic log
// reading its one-second timer issues (the controller decides when), where the
// local time of that schedule comes from, and who hears of the link's events.
struct SessionSchedule {
  bool periodicLogging = false;
  int rateHours = 2;  // 1..48
  int logSite = 0;
  LogWriter* logWriter = nullptr;        // null: log readings are not written
  std::function<LocalTime()> localTime;  // empty: the system's local time
  // Each link status text as the controller shows it.
  std::function<void(LinkStatus status)> onStatus;
  // How each request ended, from the first one (the first tick may ask).
  LinkController::OutcomeListener onOutcome;
  // The device vanished while open. Set, the session also closes the port at
  // the next tick that finds the line free, so that the next request reopens it.
  std::function<void()> onDeviceLost;
};

// The controller's clock on the session's main thread, with the local time
// of the schedule.
class SessionClock : public MainThreadClock {
 public:
  SessionClock(MainThreadTimers& timers, std::function<LocalTime()> localTime)
      : MainThreadClock(timers), localTime_(std::move(localTime)) {}
  LocalTime localNow() const override { return localTime_ ? localTime_() : MainThreadClock::localNow(); }

 private:
  std::function<LocalTime()> localTime_;
};

class LinkSession {
 public:
  LinkSession(const SessionOptions& options, const VirtualDeviceRegistry& registry,
              MonotonicClock& clock = systemClock(), SessionSchedule schedule = {});
  ~LinkSession();

  // One request of `requester`'s kind (history: the whole eight-block
  // transfer), run until it has ended. True when it brought its record;
  // lastOutcome() says how it ended.
  bool read(Requester requester);
  const RequestOutcome& lastOutcome() const { return lastOutcome_; }

  // One memory write to the site, run until its read-back has been judged
  // (or failed, or the write could not go out).
  struct WriteOutcome {
    WriteResult result = WriteResult::LineBusy;
    WriteCheck check;
  };
  WriteOutcome write(int address, int data);

  const SiteData& data() const { return controller_->data(); }
  LinkStatus lastStatus() const { return views_.last(); }
  // The status texts of the last read or write, in order.
  const std::vector<LinkStatus>& statuses() const { return views_.statuses; }
  const std::string& portError() const { return controller_->lastPortError(); }
  QueueMainThread& mainThread() { return ui_; }
  LinkController& controller() { return *controller_; }

  // How long a read may take at most in real time before it is abandoned.
  static constexpr std::chrono::seconds kReadLimit{90};

 private:
  void tick();
  void closeLostPort();
  void letLineSettle();

  QueueMainThread ui_;
  DeviceDirectory devices_;
  ProgramLink link_;
  SessionClock clock_;
  StatusRecorder views_;
  SilentFeedback feedback_;
  NoLogFile log_;
  NoModem modem_;
  std::unique_ptr<LinkController> controller_;
  std::unique_ptr<RequestWaiter> waiter_;
  RequestOutcome lastOutcome_;
  MainThreadTimers::TimerId timer1_ = 0;
  int baud_;
  bool settleFirst_ = true;  // the next read lets the line fall quiet first
  bool deviceLost_ = false;
};

// Asks through `waiter`, then `run`s the session's events until the request
// has ended or the session's read limit has passed.
RequestOutcome awaitOutcome(RequestWaiter& waiter, Requester requester,
                            const std::function<void(const std::function<bool()>& ended)>& run);

// "COM1".."COM8" as a COM number, else nullopt.
std::optional<int> comNumberOf(const std::string& port);

// The item of the baud-rate list a --baud value names ("110" .. "2400"), else nullopt.
std::optional<int> baudIndexOf(const std::string& text);

}  // namespace solwire::cli
