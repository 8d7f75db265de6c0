#include "cli/modem_session.h"

#include <stdexcept>
#include <utility>

namespace solwire::cli {

namespace {

constexpr std::chrono::milliseconds kTimer1Interval{1000};
// Time for the modem to take the setup string before the dial follows.
constexpr std::chrono::milliseconds kSetupPause{500};
// The longest a hang-up takes: every sequence the supervisor may run (the
// guard times around "+++" and the wait after ATH0), and a little more.
constexpr std::chrono::milliseconds kHangupLimit{
    DialupSupervisor::kHangupAttempts *
        (2 * DialupSupervisor::kEscapeGuardTicks + DialupSupervisor::kHangupGuardTicks) * kTickMilliseconds +
    2000};

class NoTelephonyLine : public TelephonyLine {
 public:
  void DialNumber(const std::string&) override { throw std::logic_error("dialling by AT commands only"); }
  bool AbortCall() override { return true; }
};

bool isFailedCall(HayesResult result) {
  return result == HayesResult::Busy || result == HayesResult::NoCarrier || result == HayesResult::NoAnswer ||
         result == HayesResult::NoDialtone || result == HayesResult::Error;
}

}  // namespace

ModemSession::ModemSession(const ModemDialOptions& options, const VirtualDeviceRegistry& registry,
                           MonotonicClock& clock, SessionWait wait)
    : ui_(clock),
      wait_(std::move(wait)),
      devices_(PortNames(), &registry),
      link_(ui_, ui_, devices_, clock),
      clock_(ui_),
      carrier_(link_.Comport2),
      noTelephony_(std::make_unique<NoTelephonyLine>()),
      number_(options.number),
      modemPortName_(options.modemPort) {
  supervisor_ = std::make_unique<DialupSupervisor>(link_.Comport1, link_.Comport2, carrier_, *noTelephony_, views_,
                                                   feedback_, DialupViews{});
  supervisor_->controls().pulseDialling = options.pulse;
  if (options.setup) supervisor_->controls().setupString = *options.setup;

  LinkControls controls;
  controls.site = options.site;
  controls.logSite = options.site;
  if (const auto com = comNumberOf(options.modemPort))
    controls.modemPortIndex = *com - 1;
  else
    link_.Comport2.setDevicePath(options.modemPort);
  link_.Comport2.setTapiMode(TapiMode::tmOff);
  link_.Comport2.OnTriggerModemStatus = [this](TComPort&) { supervisor_->carrierChanged(); };
  link_.Comport2.OnTriggerAvail = [this](TComPort& port, std::uint16_t count) { received(port, count); };
  link_.Comport2.OnDeviceLost = [this](TComPort&) { modemPortLost_ = true; };

  controller_ = std::make_unique<LinkController>(
      LinkEndpoints{link_.Comport1, link_.datapack1, link_.Comport2, link_.Datapack2},
      LinkServices{clock_, views_, feedback_, log_, *supervisor_}, controls, startValues(4, 1));
  supervisor_->attach(*controller_);
  waiter_ = std::make_unique<RequestWaiter>(*controller_);
  controller_->OnOtherTimerTrigger = [this](LinkPort& port, std::uint16_t handle) {
    supervisor_->modemTimerTrigger(port, handle);
  };
  tick();
  if (options.setup) {
    supervisor_->SetupModem();
    wait_(ui_, [] { return false; }, kSetupPause);
  }
}

ModemSession::~ModemSession() {
  ui_.stopTimer(timer1_);
  waiter_.reset();
  controller_.reset();
}

void ModemSession::tick() {
  controller_->Timer1Timer();
  timer1_ = ui_.startTimer(kTimer1Interval, [this] { tick(); });
}

// While dialling, the modem's result codes tell a failed call from one still
// ringing; once connected the bytes are the site's replies. A call left up
// that is hung up before the dial says nothing of the dial.
void ModemSession::received(TComPort& port, std::uint16_t count) {
  std::string bytes;
  for (std::uint16_t i = 0; i < count; ++i) bytes += static_cast<char>(port.ReadChar());
  if (controller_->state().dialling() && !failedCall_ && supervisor_->hangupPhase() == HangupPhase::Idle) {
    for (const HayesEvent& event : results_.feed(bytes).events) {
      if (isFailedCall(event.result)) failedCall_ = event;
    }
    return;
  }
  link_.Datapack2.Feed(bytes);
}

bool ModemSession::dial() {
  results_.reset();
  failedCall_.reset();
  supervisor_->dialup(DialReason::PhoneBook, number_);
  if (!controller_->state().dialling()) {
    failure_ = statusText(views_.last(), Language::English);
    if (!supervisor_->lastPortError().empty()) failure_ += ": " + supervisor_->lastPortError();
    return false;
  }
  const LinkState& link = controller_->state();
  wait_(ui_, [&] { return link.modemConnected() || failedCall_.has_value() || link.lineIdle() || stopped(); },
        kCallLimit);
  if (link.modemConnected()) return true;
  if (stopped()) {
    failure_ = "stopped before the call connected";
    hangUp();
  } else if (failedCall_) {
    failure_ = failedCall_->text;
    supervisor_->ReturnToDirect();  // the modem is back in command mode by itself
  } else if (link.lineIdle()) {
    failure_ = statusText(views_.last(), Language::English);  // the supervisor ended the dial and said why
  } else {
    failure_ = modemPortLost_ ? portLostText() : "no carrier within " + std::to_string(kCallLimit.count()) + " s";
    hangUp();
  }
  return false;
}

std::string ModemSession::portLostText() const { return "the modem port " + modemPortName_ + " went away"; }

bool ModemSession::read(Requester requester) {
  views_.statuses.clear();
  lastOutcome_ = awaitOutcome(*waiter_, requester, [this](const std::function<bool()>& ended) {
    wait_(ui_, [&] { return ended() || stopped(); }, LinkSession::kReadLimit);
  });
  return lastOutcome_.ok();
}

// The supervisor closes the port under a carrier that outlived every
// sequence (a modem that ignores DTR keeps such a call up), and a port that
// went away is closed too: in either case nothing says the call has ended.
bool ModemSession::hangUp() {
  const bool portWasOpen = link_.Comport2.Open();
  supervisor_->HangupClick();
  if (supervisor_->hangupPhase() != HangupPhase::Idle)
    wait_(ui_, [this] { return controller_->state().lineIdle(); }, kHangupLimit);
  const bool carrierGone = !portWasOpen || (link_.Comport2.Open() && !link_.Comport2.CarrierPresent());
  return controller_->state().lineIdle() && carrierGone;
}

}  // namespace solwire::cli
