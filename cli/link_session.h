// One site read over a real port: the program's two lines, the link
// controller and its one-second timer on a queue main thread, run until each
// read has finished or failed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "protocol/link_controller.h"
#include "protocol/main_thread_clock.h"
#include "protocol/quiet_services.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "serial/virtual_device_registry.h"

namespace solwire::cli {

struct SessionOptions {
  std::string port;   // "COMn", a device path, or "sim"
  int baudIndex = 4;  // into the baud table: 0..4
  int site = 0;
};

class LinkSession {
 public:
  LinkSession(const SessionOptions& options, const VirtualDeviceRegistry& registry,
              MonotonicClock& clock = systemClock());
  ~LinkSession();

  // One request of `requester`'s kind (history: the whole eight-block
  // transfer), run until it has finished or failed. True when it succeeded.
  bool read(Requester requester);

  // One memory write to the site, run until its read-back has been judged
  // (or failed, or the write could not go out).
  struct WriteOutcome {
    WriteResult result = WriteResult::LineBusy;
    WriteCheck check;
  };
  WriteOutcome write(int address, int data);

  const SiteData& data() const { return controller_->data(); }
  LinkStatus lastStatus() const { return views_.last(); }
  const std::string& portError() const { return controller_->lastPortError(); }
  QueueMainThread& mainThread() { return ui_; }
  LinkController& controller() { return *controller_; }

  // How long a read may take at most in real time before it is abandoned.
  static constexpr std::chrono::seconds kReadLimit{90};

 private:
  void tick();

  QueueMainThread ui_;
  DeviceDirectory devices_;
  ProgramLink link_;
  MainThreadClock clock_;
  StatusRecorder views_;
  SilentFeedback feedback_;
  NoLogFile log_;
  NoModem modem_;
  std::unique_ptr<LinkController> controller_;
  MainThreadTimers::TimerId timer1_ = 0;
  std::chrono::milliseconds lineSettle_;
};

// "COM1".."COM8" as a COM number, else nullopt.
std::optional<int> comNumberOf(const std::string& port);

// The item of the baud-rate list a --baud value names ("110" .. "2400"), else nullopt.
std::optional<int> baudIndexOf(const std::string& text);

}  // namespace solwire::cli
