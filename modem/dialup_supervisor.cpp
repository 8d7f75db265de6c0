#include "modem/dialup_supervisor.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "modem/dial_number.h"
#include "modem/failed_call_status.h"

namespace solwire {

DialupSupervisor::DialupSupervisor(LinkPort& directPort, LinkPort& modemPort, CarrierLine& carrier,
                                   TelephonyLine& telephony, LinkViews& views, Feedback& feedback,
                                   DialupViews dialupViews)
    : directPort_(directPort),
      modemPort_(modemPort),
      carrier_(carrier),
      telephony_(telephony),
      views_(views),
      feedback_(feedback),
      dialupViews_(std::move(dialupViews)) {}

// ---- Dialling ---------------------------------------------------------------

// A reading asked for anew (the hour's log, the alarm poll, the phone book)
// starts with a fresh failure window; the supervisor's own retries do not.
void DialupSupervisor::dialup(DialReason reason, const std::string& number) {
  if (reason == DialReason::Log) logFailure_ = {};
  if (reason == DialReason::Alarm) alarmFailure_ = {};
  placeCall(reason, number);
}

void DialupSupervisor::placeCall(DialReason reason, const std::string& numberText) {
  if (controller_ == nullptr) return;
  const std::optional<std::string> dialled = dialString(numberText);
  if (!dialled) {
    // "ATDT" alone would take the line off-hook and dial nothing; a line end
    // in a stored number would send the rest as a command of its own.
    status(LinkStatus::NoNumberToDial);
    if (numberText.find_first_not_of(" \t") != std::string::npos && dialupViews_.reportError)
      dialupViews_.reportError("\"" + numberText + "\" is not a number a modem can dial: " + kDialCharacters);
    return;
  }
  const std::string& number = *dialled;
  if (directPort_.Open()) {
    try {
      directPort_.setOpen(false);
    } catch (const std::exception&) {
      // A port that fails to close is closed as far as this call is concerned.
    }
  }
  controller_->setDialPending(reason, true);
  const LinkState& link = state();
  if (!link.lineIdle()) {
    // The line is in use: an automatic call waits in its retry window; a
    // phone book dial is dropped.
    if (link.alarmDialPending() && alarmRetryCountdown_ < 1) alarmRetryCountdown_ = kRetryWindowSeconds;
    if (link.logDialPending() && logRetryCountdown_ < 1) logRetryCountdown_ = kRetryWindowSeconds;
    return;
  }

  controller_->takeLineForCall(reason);
  controller_->ShowLinkInStatus();
  callCountdown_ = kCallLimitSeconds;
  startAutomaticCall(reason);

  if (controls_.tapiControl)
    dialByTelephony(number);
  else
    dialByAtCommands(number);
}

void DialupSupervisor::startAutomaticCall(DialReason reason) {
  if (reason == DialReason::Log) logRetryCountdown_ = 0;
  if (reason == DialReason::Alarm) alarmRetryCountdown_ = 0;
}

void DialupSupervisor::dialByTelephony(const std::string& number) {
  controller_->startDialling();
  lastRetry_.reset();
  try {
    telephony_.DialNumber(number);
  } catch (const std::exception& error) {
    // The call was never placed: the state stays until a hang-up or the call
    // limit ends it, as after any failed dial.
    if (dialupViews_.reportError) dialupViews_.reportError(error.what());
    return;
  }
  status(LinkStatus::Dialing);
}

void DialupSupervisor::dialByAtCommands(const std::string& number) {
  if (!modemPort_.Open()) OpenModemPort();
  if (!modemPort_.Open()) {
    status(LinkStatus::CantOpenCommPort);
    // Nothing can be dialled: back to the direct line at once rather than
    // holding modem mode until the call limit runs out.
    ReturnToDirect();
    return;
  }
  controller_->startDialling();
  connectSeen_ = false;
  if (carrier_.carrierPresent())
    hangUpBeforeDialling(number);
  else
    sendDial(number);
}

// A call left up (by a program killed in it, on a modem that ignores DTR)
// takes the dial as data for the far end, and its carrier would pass for the
// new call's: it is hung up first, with the escape sequence.
void DialupSupervisor::hangUpBeforeDialling(const std::string& number) {
  dialAfterHangup_ = number;
  hangupAttempt_ = 1;
  startHangupSequence();
}

void DialupSupervisor::sendDial(const std::string& number) {
  try {
    watchCarrier();
    dialResults_.reset();
    stepsWithoutCarrier_ = 0;
    modemPort_.FlushInput();  // what the modem said before this dial is not its answer to it
    modemPort_.SendString("ATD" + std::string(controls_.pulseDialling ? "P" : "T") + number + "\r\n");
  } catch (const std::exception& error) {
    lastPortError_ = error.what();
    status(LinkStatus::CantOpenCommPort);
    ReturnToDirect();
    return;
  }
  status(LinkStatus::Dialing);
}

// A call that would not hang up is ended by closing the port (DTR drops),
// and never dialled into.
void DialupSupervisor::dialOnceHungUp(bool carrierStillUp) {
  const std::string number = *std::exchange(dialAfterHangup_, std::nullopt);
  if (carrierStillUp)
    endFailedDial(LinkStatus::LineWouldNotHangUp);
  else
    sendDial(number);
}

void DialupSupervisor::dialFromPhoneBook(const std::string& numberText, const std::string& digits) {
  if (controller_ == nullptr) return;
  controller_->controls().alarmDialNumber = numberText;
  dialup(DialReason::PhoneBook, digits);
}

void DialupSupervisor::modemReceived(std::string_view bytes) {
  if (controller_ == nullptr || controls_.tapiControl || connectSeen_ || hangupRunning()) return;
  const LinkState& link = state();
  if (!link.dialling()) return;
  for (const HayesEvent& event : dialResults_.feed(bytes).events) {
    if (event.result == HayesResult::Connect) {
      connectSeen_ = true;  // what follows is the far end's data; the carrier connects the call
      return;
    }
    if (const auto failed = failedDialStatus(event.result)) {
      lastCallResult_ = event.text;
      endFailedDial(*failed);
      return;
    }
  }
}

// The modem has given up on the number and is back in command mode, on-hook:
// the attempt ends now instead of at the call limit, and a reading the call
// was made for is dialled again within its failure window.
void DialupSupervisor::endFailedDial(LinkStatus result) {
  closeModemPortQuietly();
  endCallThatFailed(result);
}

void DialupSupervisor::endCallThatFailed(LinkStatus shown) {
  const bool forLog = state().logDialActive();
  const bool forAlarm = state().alarmDialActive();
  callCountdown_ = 0;
  ReturnToDirect();
  status(shown);
  if (forLog) retryFailedReading(logFailure_, logRetryCountdown_, DialReason::Log);
  if (forAlarm) retryFailedReading(alarmFailure_, alarmRetryCountdown_, DialReason::Alarm);
}

void DialupSupervisor::closeModemPortQuietly() {
  try {
    if (modemPort_.Open()) modemPort_.setOpen(false);
  } catch (const std::exception& error) {
    lastPortError_ = error.what();
  }
}

void DialupSupervisor::retryFailedReading(FailureWindow& window, int& countdown, DialReason reason) {
  if (!window.open) window = {.open = true, .secondsLeft = kRetryWindowSeconds};
  if (window.secondsLeft <= 0) return;  // the window is over: this reading is not made
  window.pauseLeft = kFailedDialPauseSeconds;
  controller_->setDialPending(reason, true);
  countdown = window.secondsLeft;
}

void DialupSupervisor::countDownFailureWindows() {
  for (FailureWindow* window : {&logFailure_, &alarmFailure_}) {
    if (window->secondsLeft > 0) --window->secondsLeft;
    if (window->pauseLeft > 0) --window->pauseLeft;
  }
}

// ---- The modem port ---------------------------------------------------------

void DialupSupervisor::OpenModemPort() {
  try {
    const int index = controller_ != nullptr ? controller_->controls().modemPortIndex : 0;
    modemPort_.setComNumber(static_cast<std::uint16_t>(index + 1));
    modemPort_.setBaud(kModemBaud);
    modemPort_.setParity(Parity::pNone);
    modemPort_.setDataBits(8);
    modemPort_.setStopBits(1);
    modemPort_.setOpen(true);
    modemPort_.FlushInput();
    modemPort_.FlushOutput();
    lastPortError_.clear();
    status(modemPort_.Open() ? LinkStatus::PortOpen : LinkStatus::PortSetOK);
  } catch (const std::exception& error) {
    lastPortError_ = error.what();
    status(LinkStatus::PortSetException);
    feedback_.beep();
    feedback_.beep();
  }
}

void DialupSupervisor::SetupModem() {
  OpenModemPort();
  if (!modemPort_.Open()) {
    status(LinkStatus::ModemCantOpenPort);
    return;
  }
  if (carrier_.carrierPresent()) {
    // It would go to the far end of a call left up as data; the next dial
    // hangs that call up first.
    status(LinkStatus::SetupNotSent);
    return;
  }
  try {
    modemPort_.FlushOutput();
    modemPort_.FlushInput();
    modemPort_.SendString("AT" + controls_.setupString + "\r\n");
  } catch (const std::exception& error) {
    lastPortError_ = error.what();
    status(LinkStatus::ModemCantOpenPort);
    return;
  }
  status(LinkStatus::ModemSetup);
}

// ---- Connection -------------------------------------------------------------

// A running hang-up looks at the carrier itself once its command has had
// time: a drop it causes is its own, and the carrier of a call it ends before
// a dial is not the dial's.
void DialupSupervisor::carrierChanged() {
  if (controller_ == nullptr || controls_.tapiControl || hangupRunning()) return;
  const LinkState& link = state();
  if (carrier_.carrierPresent()) {
    if (!link.dialling()) return;
    controller_->callConnected();
    if (dialupViews_.showCallPicture) dialupViews_.showCallPicture(true);
    status(LinkStatus::Carrier);
    startReadingForCall();
    watchForCarrierLoss();
  } else if (!link.lineIdle()) {
    // (A change posted before the call ended finds the line idle: nothing to hang up.)
    // The far end hung up, or the line failed. The hang-up sequence ends the
    // call rather than a return to the direct line: a carrier-detect drop
    // does not prove the modem went on-hook, and ATH0 to a modem already in
    // command mode costs nothing, while a line left off-hook costs by the
    // minute and blocks the site's line.
    controller_->requestHangup();
  }
}

void DialupSupervisor::startReadingForCall() {
  if (state().logDialActive()) controller_->Getdata(Requester::MainWindow);
  if (state().alarmDialActive()) controller_->Getdata(Requester::AlarmView);
}

// The port's trigger fires once, on a change from DCD as it is at arming.
void DialupSupervisor::watchCarrier() {
  dropCarrierTrigger();
  carrierTrigger_ = carrier_.newCarrierTrigger();
  carrier_.armCarrierTrigger(carrierTrigger_);
  carrierTriggerArmed_ = true;
}

void DialupSupervisor::watchForCarrierLoss() {
  try {
    watchCarrier();
  } catch (const std::exception&) {
    // The once-a-second look still sees the loss.
  }
}

void DialupSupervisor::dropCarrierTrigger() {
  if (!carrierTriggerArmed_) return;
  carrierTriggerArmed_ = false;
  carrier_.dropCarrierTrigger(carrierTrigger_);
}

void DialupSupervisor::tapiPortOpen() { status(LinkStatus::TapiOpen); }

void DialupSupervisor::tapiConnect() {
  // A connect posted before the call was abandoned arrives after the line went
  // back to direct: there is no call to use.
  if (controller_ == nullptr || state().lineIdle()) return;
  status(LinkStatus::Connected);
  if (dialupViews_.showCallPicture) dialupViews_.showCallPicture(true);
  controller_->callConnected();
  try {
    modemPort_.FlushOutput();
    modemPort_.FlushInput();
  } catch (const std::exception&) {
    // A port that cannot be flushed fails its first request, which says so.
  }
  startReadingForCall();
}

// The line device reports no result of its last attempt: the result of the
// attempt before stands for it.
void DialupSupervisor::tapiFail() {
  if (controller_ == nullptr) return;
  const std::optional<RetriedAttempt> retried = std::exchange(lastRetry_, std::nullopt);
  endCallThatFailed(retried ? retried->result : LinkStatus::TapiFail);
  if (retried && dialupViews_.showFailedCall) dialupViews_.showFailedCall(retried->result, retried->nextAttempt);
}

void DialupSupervisor::tapiRetry(LineCallState ended, const std::string& modemText, int nextAttempt,
                                 int maxAttempts) {
  lastCallResult_ = modemText;
  const LinkStatus result = failedCallStatus(ended, modemText);
  lastRetry_ = RetriedAttempt{result, nextAttempt};
  if (dialupViews_.showRetry)
    dialupViews_.showRetry(result, nextAttempt, maxAttempts);
  else
    status(result);
}

void DialupSupervisor::tapiPortClose() {
  status(LinkStatus::TapiClosed);
  ReturnToDirect();
}

// ---- Hanging up -------------------------------------------------------------

void DialupSupervisor::HangupClick() {
  if (controller_ == nullptr) return;
  controller_->clearHangupRequest();
  dialAfterHangup_.reset();
  if (controls_.tapiControl) {
    telephony_.AbortCall();
    status(LinkStatus::TapiClosed);
    ReturnToDirect();
    return;
  }
  if (state().lineIdle() || !modemPort_.Open()) {
    status(LinkStatus::PortNotOpen);
    return;
  }
  controller_->beginHangup();
  hangupAttempt_ = 1;
  startHangupSequence();
}

void DialupSupervisor::startHangupSequence() {
  try {
    if (hangupPhase_ != HangupPhase::Idle) modemPort_.DropTrigger(hangupTrigger_);
    hangupTrigger_ = modemPort_.NewTimerTrigger();
    hangupPhase_ = HangupPhase::EscapeDue;
    modemPort_.ArmTimerTrigger(hangupTrigger_, kEscapeGuardTicks, true);
  } catch (const std::exception& error) {
    abandonHangup(error);
    return;
  }
  status(dialAfterHangup_ ? LinkStatus::LineStillConnected : LinkStatus::WaitForClose);
}

// The port went away in the middle of the hang-up: the call is over.
void DialupSupervisor::abandonHangup(const std::exception& error) {
  lastPortError_ = error.what();
  hangupPhase_ = HangupPhase::Idle;
  status(LinkStatus::PortNotOpen);
  ReturnToDirect();
}

void DialupSupervisor::modemTimerTrigger(LinkPort& port, std::uint16_t handle) {
  if (&port != &modemPort_ || handle != hangupTrigger_) return;
  switch (hangupPhase_) {
    case HangupPhase::Idle: return;
    case HangupPhase::EscapeDue:
      sendHangupStep("+++", LinkStatus::Break, HangupPhase::CommandDue, kEscapeGuardTicks);
      return;
    case HangupPhase::CommandDue:
      sendHangupStep("ATH0\r\n", LinkStatus::HangUp, HangupPhase::CloseDue, kHangupGuardTicks);
      return;
    case HangupPhase::CloseDue: finishHangup(); return;
  }
}

// A call that connected just before the escape was sent took the escape as
// data (the guard time before it was cut short): the modem is still online.
// The sequence runs again; if that does not end the call either, the port is
// closed, which ends it for a modem that hangs up when DTR drops.
void DialupSupervisor::finishHangup() {
  const bool stillUp = carrier_.carrierPresent();
  if (stillUp && hangupAttempt_ < kHangupAttempts) {
    ++hangupAttempt_;
    startHangupSequence();
    return;
  }
  hangupPhase_ = HangupPhase::Idle;
  try {
    modemPort_.DropTrigger(hangupTrigger_);
  } catch (const std::exception&) {
    // A trigger that has fired needs no dropping where the port is gone.
  }
  if (dialAfterHangup_) {
    dialOnceHungUp(stillUp);
    return;
  }
  if (stillUp) closeModemPortQuietly();
  status(LinkStatus::Closed);
  ReturnToDirect();
}

void DialupSupervisor::sendHangupStep(std::string_view text, LinkStatus shown, HangupPhase next,
                                      std::uint32_t ticks) {
  try {
    modemPort_.SendString(text);
    hangupPhase_ = next;
    modemPort_.ArmTimerTrigger(hangupTrigger_, ticks, true);
  } catch (const std::exception& error) {
    abandonHangup(error);
    return;
  }
  status(shown);
}

void DialupSupervisor::ReturnToDirect() {
  if (controller_ == nullptr) return;
  dropCarrierTrigger();
  dialAfterHangup_.reset();
  // A hang-up still running (the port was closed under it) ends here: its
  // late steps must not end the next call.
  if (hangupPhase_ != HangupPhase::Idle) {
    hangupPhase_ = HangupPhase::Idle;
    try {
      modemPort_.DropTrigger(hangupTrigger_);
    } catch (const std::exception&) {
      // Gone with the port.
    }
  }
  controller_->returnToDirect();
  if (dialupViews_.showCallPicture) dialupViews_.showCallPicture(false);
}

// ---- The once-a-second step ---------------------------------------------------

void DialupSupervisor::superviseCalls() {
  if (controller_ == nullptr) return;
  if (state().hangupRequested()) HangupClick();
  countDownFailureWindows();
  countDownRetry(alarmRetryCountdown_, alarmFailure_, DialReason::Alarm, controller_->controls().alarmDialNumber);
  countDownRetry(logRetryCountdown_, logFailure_, DialReason::Log, controller_->controls().logNumber);
  countDownCall();
  lookAtCarrier();
}

// A carrier drop whose trigger was missed ends the call all the same.
void DialupSupervisor::lookAtCarrier() {
  if (!controls_.tapiControl && !hangupRunning() && state().modemConnected() && !carrier_.carrierPresent())
    carrierChanged();
  else
    lookAtCarrierAfterConnect();
}

// The carrier watch fires on a change of the carrier, and a carrier that rose
// and fell again before the watch looked is no change to it: the call would
// wait for its limit. Once the modem has said CONNECT, the once-a-second step
// looks at the carrier itself; the port may see the carrier rise a little
// after the result, so its absence counts only from the second step.
void DialupSupervisor::lookAtCarrierAfterConnect() {
  const LinkState& link = state();
  if (!connectSeen_ || !link.dialling() || hangupRunning() || controls_.tapiControl) {
    stepsWithoutCarrier_ = 0;
    return;
  }
  if (carrier_.carrierPresent() || ++stepsWithoutCarrier_ >= kStepsToWaitForCarrier) carrierChanged();
}

bool DialupSupervisor::dialPending(DialReason reason) const {
  const LinkState& link = controller_->state();
  return reason == DialReason::Log ? link.logDialPending() : link.alarmDialPending();
}

void DialupSupervisor::countDownRetry(int& countdown, const FailureWindow& failure, DialReason reason,
                                      const std::string& number) {
  if (countdown <= 0) {
    // A reading that waited the whole window for a line in use is not made:
    // say so (one whose calls failed has said why already).
    if (dialPending(reason) && !failure.open)
      status(reason == DialReason::Log ? LinkStatus::LogCallMissed : LinkStatus::AlarmCallMissed);
    controller_->setDialPending(reason, false);
    return;
  }
  countdown = std::min(countdown, kRetryWindowSeconds) - 1;
  if (state().lineIdle() && failure.pauseLeft == 0) placeCall(reason, number);
}

void DialupSupervisor::countDownCall() {
  if (callCountdown_ <= 0) return;
  callCountdown_ = std::min(callCountdown_, kCallLimitSeconds) - 1;
  if (callCountdown_ != 0) return;
  controller_->endCallReadings();
  // A dial by AT commands has no line device to give up on it: one still
  // ringing at the limit is hung up, whatever it was made for.
  if (state().dialling() && !controls_.tapiControl) controller_->requestHangup();
}

}  // namespace solwire
