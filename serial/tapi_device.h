// The telephony line device bound to the modem port: it places a data call on
// a named line device, retries a busy or failed call after RetryWait seconds
// up to MaxAttempts attempts, and once connected leaves the port open on the
// call's modem. Its four events are posted to the main thread, so they run
// after the call that caused them has returned.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/com_port.h"
#include "serial/line_service.h"
#include "serial/main_thread.h"

namespace solwire {

class TTapiDevice {
 public:
  TTapiDevice(MainThread& mainThread, MainThreadTimers& timers, LineService& lines);
  ~TTapiDevice();
  TTapiDevice(const TTapiDevice&) = delete;
  TTapiDevice& operator=(const TTapiDevice&) = delete;

  void setComPort(TComPort* port) { port_ = port; }
  TComPort* ComPort() const { return port_; }
  void setSelectedDevice(std::string name) { selectedDevice_ = std::move(name); }
  const std::string& SelectedDevice() const { return selectedDevice_; }
  std::uint16_t RetryWait = 60;
  std::uint16_t MaxAttempts = 3;

  std::vector<std::string> deviceNames() const { return lines_.lineDevices(); }
  // The selection dialog, shown when SelectedDevice names no line device:
  // the chosen name, or nothing when cancelled.
  std::function<std::optional<std::string>(const std::vector<std::string>& names)> selectDevice;

  void DialNumber(const std::string& number);
  bool AbortCall();

  bool connected() const { return connected_; }
  bool retrying() const { return retrying_; }
  int attempt() const { return attempt_; }
  bool lineOpen() const { return lineOpen_; }

  std::function<void()> OnTapiPortOpen;
  std::function<void()> OnTapiPortClose;
  std::function<void()> OnTapiConnect;
  std::function<void()> OnTapiFail;
  // An attempt ended without a connection and another follows after
  // RetryWait: how it ended, the modem's words for it, the next attempt's
  // number and MaxAttempts.
  std::function<void(LineCallState ended, const std::string& modemText, int nextAttempt, int maxAttempts)>
      OnTapiRetry;

 private:
  std::string resolveDevice();
  void dialAttempt();
  void onCallState(LineCallState state, const std::string& detail);
  void onConnected();
  void endCall(bool cancelled, LineCallState ended = LineCallState::Idle, const std::string& detail = {});
  void retryTick();
  void post(std::function<void()> TTapiDevice::*event);
  void postRetry(LineCallState ended, const std::string& detail);
  // Runs `event` on the main thread later, unless the call it belongs to has
  // ended by then: a new dial or an abort starts a new call.
  void postForThisCall(std::function<void(TTapiDevice&)> event);
  void postFailOnce();

  MainThread& mainThread_;
  MainThreadTimers& timers_;
  LineService& lines_;
  TComPort* port_ = nullptr;
  std::string selectedDevice_;
  std::string device_;
  std::string number_;
  int attempt_ = 0;
  bool retrying_ = false;
  bool connected_ = false;
  bool everConnected_ = false;
  bool lineOpen_ = false;
  bool failPosted_ = false;
  int retryCountdown_ = 0;
  std::uint64_t call_ = 0;  // counts dials and aborts
  MainThreadTimers::TimerId retryTimer_ = 0;
  // Posted events and timers check this, so that none runs after the device is gone.
  std::shared_ptr<TTapiDevice*> self_;
};

}  // namespace solwire
