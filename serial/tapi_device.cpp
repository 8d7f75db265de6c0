#include "serial/tapi_device.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "serial/tapi_errors.h"

namespace solwire {

namespace {

constexpr std::chrono::milliseconds kRetryTick{1000};

}  // namespace

TTapiDevice::TTapiDevice(MainThread& mainThread, MainThreadTimers& timers, LineService& lines)
    : mainThread_(mainThread), timers_(timers), lines_(lines), self_(std::make_shared<TTapiDevice*>(this)) {
  lines_.onCallState = [this](LineCallState state, const std::string& detail) { onCallState(state, detail); };
}

TTapiDevice::~TTapiDevice() {
  self_.reset();
  lines_.onCallState = nullptr;
  if (retryTimer_ != 0) timers_.stopTimer(retryTimer_);
  if (lineOpen_) lines_.drop();
}

void TTapiDevice::DialNumber(const std::string& number) {
  if (port_ == nullptr) throw tapiPortNotAssigned();
  if (port_->tapiMode() == TapiMode::tmAuto) port_->setTapiMode(TapiMode::tmOn);
  if (port_->tapiMode() != TapiMode::tmOn) throw tapiNotSet();
  if (lineOpen_ || retrying_) throw tapiBusy();
  device_ = resolveDevice();
  ++call_;
  attempt_ = 1;
  retrying_ = true;
  everConnected_ = false;
  number_ = number;
  dialAttempt();
}

std::string TTapiDevice::resolveDevice() {
  const std::vector<std::string> names = lines_.lineDevices();
  if (std::find(names.begin(), names.end(), selectedDevice_) != names.end()) return selectedDevice_;
  if (selectedDevice_.empty() && names.size() == 1) return names.front();
  if (!selectDevice) throw tapiNoSelect();
  const std::optional<std::string> chosen = selectDevice(names);
  if (!chosen || std::find(names.begin(), names.end(), *chosen) == names.end()) throw tapiNoSelect();
  selectedDevice_ = *chosen;
  return *chosen;
}

void TTapiDevice::dialAttempt() {
  if (lineOpen_) return;
  failPosted_ = false;
  try {
    lineOpen_ = true;
    lines_.makeCall(device_, number_);
  } catch (const std::exception&) {
    lineOpen_ = false;
    endCall(true);
    if (!OnTapiFail) throw;
  }
}

void TTapiDevice::onCallState(LineCallState state, const std::string& detail) {
  if (!lineOpen_) return;  // a state of a call already dropped
  switch (state) {
    case LineCallState::DialTone:
    case LineCallState::Proceeding: return;
    case LineCallState::Connected:
      if (!connected_) onConnected();
      return;
    case LineCallState::Busy:
    case LineCallState::Disconnected:
    case LineCallState::Idle: endCall(false, state, detail); return;
    case LineCallState::Failed: endCall(true, state, detail); return;
  }
}

void TTapiDevice::onConnected() {
  if (retryTimer_ != 0) timers_.stopTimer(retryTimer_);
  retryTimer_ = 0;
  retrying_ = false;
  connected_ = true;
  everConnected_ = true;
  try {
    port_->FlushInput();
    port_->FlushOutput();
    post(&TTapiDevice::OnTapiPortOpen);
  } catch (const std::exception&) {
    postFailOnce();
  }
  post(&TTapiDevice::OnTapiConnect);
}

void TTapiDevice::endCall(bool cancelled, LineCallState ended, const std::string& detail) {
  if (lineOpen_) {
    lineOpen_ = false;
    lines_.drop();
    const bool wasConnected = std::exchange(connected_, false);
    if (wasConnected) post(&TTapiDevice::OnTapiPortClose);
  }
  if (cancelled) retrying_ = false;
  if (retrying_ && attempt_ < MaxAttempts) {
    if (!everConnected_) postRetry(ended, detail);
    retryCountdown_ = RetryWait;
    if (retryTimer_ == 0) {
      std::weak_ptr<TTapiDevice*> alive = self_;
      retryTimer_ = timers_.startTimer(kRetryTick, [alive] {
        if (const auto self = alive.lock()) (*self)->retryTick();
      });
    }
    return;
  }
  retrying_ = false;
  if (!everConnected_) postFailOnce();
}

void TTapiDevice::retryTick() {
  retryTimer_ = 0;
  if (!retrying_) return;
  --retryCountdown_;
  if (retryCountdown_ < 1 && !lineOpen_) {
    ++attempt_;
    try {
      dialAttempt();
    } catch (const std::exception&) {
      // Without a fail handler there is nobody to tell from a timer.
    }
    return;
  }
  std::weak_ptr<TTapiDevice*> alive = self_;
  retryTimer_ = timers_.startTimer(kRetryTick, [alive] {
    if (const auto self = alive.lock()) (*self)->retryTick();
  });
}

// The caller ends the call and says so itself: the events the abort posts
// are of a call that is over, and are dropped.
bool TTapiDevice::AbortCall() {
  if (!lineOpen_ && !retrying_) return true;
  if (retryTimer_ != 0) timers_.stopTimer(retryTimer_);
  retryTimer_ = 0;
  endCall(true);
  ++call_;
  return true;
}

void TTapiDevice::post(std::function<void()> TTapiDevice::*event) {
  postForThisCall([event](TTapiDevice& device) {
    const std::function<void()> handler = device.*event;
    if (handler) handler();
  });
}

void TTapiDevice::postRetry(LineCallState ended, const std::string& detail) {
  const int next = attempt_ + 1;
  const int most = MaxAttempts;
  postForThisCall([ended, detail, next, most](TTapiDevice& device) {
    const auto handler = device.OnTapiRetry;
    if (handler) handler(ended, detail, next, most);
  });
}

void TTapiDevice::postForThisCall(std::function<void(TTapiDevice&)> event) {
  std::weak_ptr<TTapiDevice*> alive = self_;
  mainThread_.post([alive, call = call_, event = std::move(event)] {
    const auto self = alive.lock();
    if (!self || (*self)->call_ != call) return;
    event(**self);
  });
}

void TTapiDevice::postFailOnce() {
  if (failPosted_) return;
  failPosted_ = true;
  post(&TTapiDevice::OnTapiFail);
}

}  // namespace solwire
