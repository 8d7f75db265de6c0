#include "app/modem_line.h"

#include <utility>

#include "modem/com_port_carrier_line.h"
#include "modem/dialup_supervisor.h"
#include "modem/tapi_telephony_line.h"
#include "protocol/quiet_services.h"

namespace solwire {

struct ModemLine::Calls {
  Calls(ModemLine& owner, Ports ports, Feedback& feedback)
      : relay([&owner](LinkStatus status) {
          if (owner.onStatus) owner.onStatus(status);
        }),
        carrier(ports.modemPort),
        telephony(owner.tapi_),
        supervisor(ports.directPort, ports.modemPort, carrier, telephony, relay, feedback,
                   DialupViews{.showCallPicture =
                                   [&owner](bool connected) {
                                     if (owner.onCallPicture) owner.onCallPicture(connected);
                                   },
                               .reportError =
                                   [&owner](const std::string& message) {
                                     if (owner.onError) owner.onError(message);
                                   },
                               .showRetry =
                                   [&owner](LinkStatus result, int nextAttempt, int maxAttempts) {
                                     if (owner.onRetry) owner.onRetry(result, nextAttempt, maxAttempts);
                                   },
                               .showFailedCall =
                                   [&owner](LinkStatus result, int attempts) {
                                     if (owner.onFailedCall) owner.onFailedCall(result, attempts);
                                   }}) {}

  StatusOnlyViews relay;  // the supervisor's view of the status bar
  ComPortCarrierLine carrier;
  TapiTelephonyLine telephony;
  DialupSupervisor supervisor;
};

ModemLine::ModemLine(Ports ports, MainThread& mainThread, MainThreadTimers& timers, Feedback& feedback,
                     std::vector<TelephonyLineEntry> lines)
    : modemPort_(ports.modemPort),
      collector_(ports.modemCollector),
      lines_(ports.modemPort, timers, std::move(lines)),
      tapi_(mainThread, timers, lines_),
      calls_(std::make_unique<Calls>(*this, ports, feedback)) {
  tapi_.setComPort(&ports.modemPort);
}

ModemLine::~ModemLine() { detach(); }

DialSupervisor& ModemLine::dialSupervisor() { return calls_->supervisor; }

void ModemLine::attach(LinkController& controller) {
  detach();
  controller_ = &controller;
  DialupSupervisor& supervisor = calls_->supervisor;
  supervisor.attach(controller);
  controller.OnOtherTimerTrigger = [&supervisor](LinkPort& port, std::uint16_t handle) {
    supervisor.modemTimerTrigger(port, handle);
  };
  // The carrier of an AT-command call, and the remote end hanging up on a
  // call of the telephony line device.
  modemPort_.OnTriggerModemStatus = [this](TComPort&) {
    calls_->supervisor.carrierChanged();
    lines_.modemStatusChanged();
  };
  tapi_.OnTapiPortOpen = [&supervisor] { supervisor.tapiPortOpen(); };
  tapi_.OnTapiConnect = [&supervisor] { supervisor.tapiConnect(); };
  tapi_.OnTapiFail = [&supervisor] { supervisor.tapiFail(); };
  tapi_.OnTapiPortClose = [&supervisor] { supervisor.tapiPortClose(); };
  tapi_.OnTapiRetry = [&supervisor](LineCallState ended, const std::string& text, int next, int most) {
    supervisor.tapiRetry(ended, text, next, most);
  };
  // The telephony line device takes the port's bytes over while it dials and
  // gives them back once connected.
  portAvail_ = std::move(modemPort_.OnTriggerAvail);
  modemPort_.OnTriggerAvail = [this](TComPort& port, std::uint16_t count) { received(port, count); };
}

// What the modem says while an AT-command dial waits goes to the supervisor;
// the collector takes bytes only while a request waits for its reply.
void ModemLine::received(TComPort& port, std::uint16_t count) {
  std::string bytes;
  for (std::uint16_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(port.ReadChar()));
  calls_->supervisor.modemReceived(bytes);
  collector_.Feed(bytes);
}

void ModemLine::detach() {
  if (!controller_) return;
  controller_->OnOtherTimerTrigger = nullptr;
  modemPort_.OnTriggerModemStatus = nullptr;
  tapi_.OnTapiPortOpen = tapi_.OnTapiConnect = tapi_.OnTapiFail = tapi_.OnTapiPortClose = nullptr;
  tapi_.OnTapiRetry = nullptr;
  modemPort_.OnTriggerAvail = std::move(portAvail_);
  portAvail_ = nullptr;
  controller_ = nullptr;
}

void ModemLine::setControls(bool tapiControl, bool pulseDialling, const std::string& setupString) {
  ModemControls& controls = calls_->supervisor.controls();
  controls.tapiControl = tapiControl;
  controls.pulseDialling = pulseDialling;
  controls.setupString = setupString;
}

void ModemLine::dialFromPhoneBook(const std::string& numberText, const std::string& digits) {
  if (controller_) calls_->supervisor.dialFromPhoneBook(numberText, digits);
}

void ModemLine::HangupClick() {
  if (controller_) calls_->supervisor.HangupClick();
}

void ModemLine::SetupModem() {
  if (controller_) calls_->supervisor.SetupModem();
}

void ModemLine::abandonCall() {
  if (controller_) calls_->supervisor.ReturnToDirect();
}

const std::string& ModemLine::lastPortError() const { return calls_->supervisor.lastPortError(); }
const std::string& ModemLine::lastCallResult() const { return calls_->supervisor.lastCallResult(); }
bool ModemLine::hangingUp() const { return calls_->supervisor.hangupPhase() != HangupPhase::Idle; }
int ModemLine::logRetryCountdown() const { return calls_->supervisor.logRetryCountdown(); }

}  // namespace solwire
