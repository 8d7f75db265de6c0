#include "modem/hayes_line_service.h"

#include <algorithm>
#include <utility>

#include "serial/modem_status.h"
#include "serial/tapi_errors.h"
#include "serial/trigger_list.h"
#include "serial/virtual_device_registry.h"

namespace solwire {

namespace {

// Echo off, verbose results, hang up when DTR drops (the port closing ends the call).
constexpr std::string_view kResetCommand = "ATE0V1&D2\r";

}  // namespace

HayesLineService::HayesLineService(TComPort& port, MainThreadTimers& timers, std::vector<TelephonyLineEntry> lines)
    : port_(port), timers_(timers), lines_(std::move(lines)), self_(std::make_shared<HayesLineService*>(this)) {
  lines_.push_back({kSimulatedModemLineName, kSimulatedModemName});
}

HayesLineService::~HayesLineService() {
  self_.reset();
  stopSilenceTimer();
  if (phase_ != Phase::Idle) releasePort();
}

std::vector<std::string> HayesLineService::lineDevices() const {
  std::vector<std::string> names;
  for (const TelephonyLineEntry& line : lines_) names.push_back(line.name);
  return names;
}

void HayesLineService::makeCall(const std::string& device, const std::string& number) {
  const auto line = std::find_if(lines_.begin(), lines_.end(), [&](const auto& l) { return l.name == device; });
  if (line == lines_.end()) throw tapiNoSelect();
  if (phase_ != Phase::Idle) throw tapiBusy();

  port_.setOpen(false);
  savedPath_ = port_.DevicePath();
  port_.setDevicePath(line->path);
  port_.setBaud(kModemBaud);
  port_.setParity(Parity::pNone);
  port_.setDataBits(8);
  port_.setStopBits(1);
  savedAvail_ = port_.OnTriggerAvail;
  holdsAvail_ = true;
  std::weak_ptr<HayesLineService*> alive = self_;
  port_.OnTriggerAvail = [alive](TComPort& port, std::uint16_t count) {
    std::string bytes;
    for (std::uint16_t i = 0; i < count; ++i) bytes += static_cast<char>(port.ReadChar());
    if (const auto self = alive.lock()) (*self)->received(bytes);
  };
  try {
    port_.setOpen(true);
    port_.FlushInput();
    port_.SendString(kResetCommand);
  } catch (...) {
    releasePort();
    throw;
  }
  number_ = number;
  parser_.reset();
  lastResult_.clear();
  phase_ = Phase::Resetting;
  startSilenceTimer(kCommandLimit);
}

void HayesLineService::drop() {
  stopSilenceTimer();
  if (phase_ == Phase::Idle) return;
  phase_ = Phase::Idle;
  releasePort();
}

void HayesLineService::releasePort() {
  if (carrierTrigger_ != 0) {
    try {
      port_.DropTrigger(carrierTrigger_);
    } catch (...) {
      // The trigger goes with the port anyway.
    }
    carrierTrigger_ = 0;
  }
  giveBackAvail();
  // The line's modem was the port's device for this call only: a dial by AT
  // commands afterwards goes to the port's own COM number again.
  try {
    port_.setOpen(false);  // DTR drops: the modem hangs up
  } catch (...) {
    port_.setDevicePath(savedPath_);
    throw;
  }
  port_.setDevicePath(savedPath_);
}

// The port's data handler is the service's only while it dials; a call that
// connected gave it back already, and ending it must not take it again.
void HayesLineService::giveBackAvail() {
  if (!holdsAvail_) return;
  holdsAvail_ = false;
  port_.OnTriggerAvail = std::move(savedAvail_);
  savedAvail_ = nullptr;
}

void HayesLineService::received(const std::string& bytes) {
  if (phase_ == Phase::Idle || phase_ == Phase::Connected) return;
  const HayesFeed feed = parser_.feed(bytes);
  for (const HayesEvent& event : feed.events) {
    onResult(event);
    if (phase_ == Phase::Idle || phase_ == Phase::Connected) return;
  }
}

void HayesLineService::onResult(const HayesEvent& event) {
  lastResult_ = event.text;
  if (phase_ == Phase::Resetting) {
    if (event.result == HayesResult::Ok) {
      phase_ = Phase::Dialling;
      try {
        port_.SendString("ATDT" + number_ + "\r");
      } catch (const std::exception& error) {
        report(LineCallState::Failed, error.what());
        return;
      }
      startSilenceTimer(kAnswerLimit);
      report(LineCallState::Proceeding, event.text);
    } else if (event.result == HayesResult::Error) {
      report(LineCallState::Failed, event.text);
    }
    return;
  }
  switch (event.result) {
    case HayesResult::Connect: {
      stopSilenceTimer();
      phase_ = Phase::Connected;
      giveBackAvail();
      try {
        carrierTrigger_ = port_.NewStatusTrigger(stModem);
        port_.ArmStatusTrigger(carrierTrigger_, modem::kDCD, true);
      } catch (...) {
        carrierTrigger_ = 0;  // the call still works; only a remote hang-up goes unnoticed
      }
      report(LineCallState::Connected, event.text);
      startSilenceTimer(kCarrierLook);
      return;
    }
    case HayesResult::Busy: report(LineCallState::Busy, event.text); return;
    case HayesResult::NoCarrier:
    case HayesResult::NoAnswer:
    case HayesResult::NoDialtone: report(LineCallState::Disconnected, event.text); return;
    case HayesResult::Error: report(LineCallState::Failed, event.text); return;
    case HayesResult::Ok:
    case HayesResult::Ring: return;
  }
}

void HayesLineService::modemStatusChanged() {
  if (phase_ != Phase::Connected) return;
  if (port_.CarrierPresent()) {
    // The port may see the carrier rise only after CONNECT was read: the
    // watch, armed at CONNECT, has then fired on the rise. It watches for the
    // fall from here, and a fall in between is caught by the second look.
    watchCarrierFromNow();
    if (port_.CarrierPresent()) return;
  }
  lastResult_ = "carrier lost";
  report(LineCallState::Disconnected, lastResult_);
}

void HayesLineService::watchCarrierFromNow() {
  if (carrierTrigger_ == 0) return;
  try {
    port_.ArmStatusTrigger(carrierTrigger_, modem::kDCD, true);
  } catch (...) {
    // The port has closed under the call; its end is reported elsewhere.
  }
}

void HayesLineService::report(LineCallState state, const std::string& detail) {
  if (onCallState) onCallState(state, detail);
}

void HayesLineService::startSilenceTimer(std::chrono::milliseconds limit) {
  stopSilenceTimer();
  std::weak_ptr<HayesLineService*> alive = self_;
  silenceTimer_ = timers_.startTimer(limit, [alive] {
    if (const auto self = alive.lock()) (*self)->onSilence();
  });
}

void HayesLineService::stopSilenceTimer() {
  if (silenceTimer_ != 0) timers_.stopTimer(silenceTimer_);
  silenceTimer_ = 0;
}

void HayesLineService::onSilence() {
  silenceTimer_ = 0;
  if (phase_ == Phase::Resetting) {
    lastResult_ = "the modem does not answer";
    report(LineCallState::Failed, lastResult_);
  } else if (phase_ == Phase::Dialling) {
    lastResult_ = "no answer";
    report(LineCallState::Disconnected, lastResult_);
  } else if (phase_ == Phase::Connected) {
    // The carrier watch fires on a change; a carrier that came and went
    // before it looked is no change to it. Once a second the call looks itself.
    if (port_.CarrierPresent()) {
      startSilenceTimer(kCarrierLook);
      return;
    }
    lastResult_ = "carrier lost";
    report(LineCallState::Disconnected, lastResult_);
  }
}

}  // namespace solwire
