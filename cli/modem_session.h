// One remote site read through a dial-up modem: the modem port with its
// fixed-size collector, the link controller and the dial-up supervisor on a
// queue main thread. It dials as the program's automatic calls do (setup
// string when given, ATDT or ATDP, carrier within the call limit), reads over
// the modem link, and hangs up with the escape sequence.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/link_session.h"
#include "cli/session_wait.h"
#include "modem/com_port_carrier_line.h"
#include "modem/dialup_supervisor.h"
#include "modem/hayes_result_parser.h"
#include "protocol/request_waiter.h"

namespace solwire::cli {

struct ModemDialOptions {
  std::string modemPort;  // "COMn", a device path, "sim-modem" or a network port
  std::string number;
  bool pulse = false;
  std::optional<std::string> setup;  // sent as "AT" + setup before dialling
  int site = 0;  // the site read, the log reading's too
};

class ModemSession {
 public:
  static constexpr std::chrono::seconds kCallLimit{60};

  // Every wait (the setup string's pause, the carrier, a reply, the hang-up)
  // passes through `wait`, its limit counted on `clock`.
  ModemSession(const ModemDialOptions& options, const VirtualDeviceRegistry& registry,
               MonotonicClock& clock = systemClock(), SessionWait wait = waitInRealTime);
  ~ModemSession();

  // Dials and waits for the carrier. False when the call did not connect:
  // failure() then says why (the modem's result code, or no carrier in time).
  bool dial();
  bool read(Requester requester);
  // Dialling and reading end early once `stop` holds (a signal came); the
  // hang-up does not.
  void stopWhen(std::function<bool()> stop) { stop_ = std::move(stop); }
  const RequestOutcome& lastOutcome() const { return lastOutcome_; }
  // The hang-up sequence, until the link is back in direct mode. False when
  // the call may still be up: the sequence did not end, or the port was
  // closed under a carrier that did not drop (or went away).
  bool hangUp();

  const std::string& failure() const { return failure_; }
  const SiteData& data() const { return controller_->data(); }
  // The last log reading (Requester::MainWindow) that came.
  const LogReading& logReading() const { return controller_->logReading(); }
  LinkStatus lastStatus() const { return views_.last(); }
  bool carrierPresent() { return link_.Comport2.CarrierPresent(); }
  // The modem port's device went away during the call (a device server that
  // ended the connection): what failed was the port, not the far end.
  bool modemPortLost() const { return modemPortLost_; }
  std::string portLostText() const;
  // The status texts of the last read, in order.
  const std::vector<LinkStatus>& statuses() const { return views_.statuses; }

 private:
  void tick();
  void received(TComPort& port, std::uint16_t count);
  bool stopped() const { return stop_ && stop_(); }

  QueueMainThread ui_;
  SessionWait wait_;
  DeviceDirectory devices_;
  ProgramLink link_;
  MainThreadClock clock_;
  StatusRecorder views_;
  SilentFeedback feedback_;
  NoLogFile log_;
  ComPortCarrierLine carrier_;
  std::unique_ptr<TelephonyLine> noTelephony_;
  std::unique_ptr<DialupSupervisor> supervisor_;
  std::unique_ptr<LinkController> controller_;
  std::unique_ptr<RequestWaiter> waiter_;
  RequestOutcome lastOutcome_;
  MainThreadTimers::TimerId timer1_ = 0;
  HayesResultParser results_;
  std::optional<HayesEvent> failedCall_;
  std::string number_;
  std::string modemPortName_;
  std::function<bool()> stop_;
  bool modemPortLost_ = false;
  std::string failure_;
};

}  // namespace solwire::cli
