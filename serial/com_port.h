// TComPort: the component through which the program owns one serial port.
// Opening creates a dispatcher (three worker threads over a SerialDevice);
// closing frees it. Trigger hits reach the main thread as events. Every
// operation is called on the main thread. A port may be closed, reopened or
// given another ComNumber from inside its own event handlers, but not
// destroyed there.
//
//   QueueMainThread ui;
//   TComPort port(ui);
//   port.setDevicePath("/dev/ttyUSB0");   // or setComNumber(1), or setDeviceFactory(...)
//   port.setBaud(2400);
//   port.setOpen(true);
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/base_dispatcher.h"
#include "serial/device_directory.h"
#include "serial/event_gate.h"
#include "serial/line_settings.h"
#include "serial/link_operations.h"
#include "serial/main_thread.h"
#include "serial/monotonic_clock.h"
#include "serial/port_user.h"
#include "serial/tapi_mode.h"
#include "serial/trigger_list.h"

namespace solwire {

class TDataPacketManager;

class TComPort : public LinkPort {
 public:
  using DeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

  static constexpr std::chrono::milliseconds kEventWait{3000};

  explicit TComPort(MainThread& mainThread, DeviceDirectory devices = DeviceDirectory(),
                    MonotonicClock& clock = systemClock());
  ~TComPort() override;
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  // ---- LinkPort
  void setComNumber(std::uint16_t number) override;
  std::uint16_t ComNumber() const override { return comNumber_; }
  void setBaud(std::int32_t baud) override;
  std::int32_t Baud() const override { return baud_; }
  void setParity(Parity parity) override;
  void setDataBits(std::uint16_t bits) override;
  void setStopBits(std::uint16_t bits) override;
  void setOpen(bool open) override;
  bool Open() const override { return state_ == State::Open; }
  std::string OpenFailureReason() const override { return openFailure_; }
  // A close asked for from one of the port's own handlers completes once its
  // threads have stopped; until then the port is neither open nor closed.
  bool Closing() const { return state_ == State::ShuttingDown; }
  void SendString(std::string_view text) override;
  void FlushInput() override;
  void FlushOutput() override;
  std::uint16_t NewTimerTrigger() override;
  void ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) override;
  void DropTrigger(std::uint16_t handle) override;

  // ---- where the device comes from (takes effect like a ComNumber change)
  // A device path used instead of ComNumber ("/dev/pts/5", "sim"); empty to
  // go back to ComNumber.
  void setDevicePath(const std::string& path);
  const std::string& DevicePath() const { return devicePath_; }
  // A factory used instead of both (tests, a device handed over already open).
  void setDeviceFactory(DeviceFactory factory);
  // The path the next open uses.
  std::string resolvedPath() const;

  // ---- further properties
  void setTapiMode(TapiMode mode) { tapiMode_ = mode; }
  TapiMode tapiMode() const { return tapiMode_; }
  Parity parity() const { return parity_; }
  std::uint16_t DataBits() const { return dataBits_; }
  std::uint16_t StopBits() const { return stopBits_; }
  void setInSize(std::uint16_t size) { inSize_ = size; }
  std::uint16_t InSize() const { return inSize_; }
  void setOutSize(std::uint16_t size) { outSize_ = size; }  // next open
  std::uint16_t OutSize() const { return outSize_; }
  void setDTR(bool on);
  bool DTR() const { return dtr_; }
  void setRTS(bool on);
  bool RTS() const { return rts_; }
  // Above InSize, 90 % of the value is stored.
  void setBufferFull(std::uint16_t value);
  std::uint16_t BufferFull() const { return bufferFull_; }
  // Above BufferFull, 10 % of BufferFull is stored.
  void setBufferResume(std::uint16_t value);
  std::uint16_t BufferResume() const { return bufferResume_; }
  void setHWFlowOptions(std::uint8_t options);
  std::uint8_t HWFlowOptions() const { return hwFlow_; }
  void setSWFlowOptions(SoftwareFlow options);
  SoftwareFlow SWFlowOptions() const { return swFlow_; }
  void setXOnChar(char c);
  char XOnChar() const { return xonChar_; }
  void setXOffChar(char c);
  char XOffChar() const { return xoffChar_; }
  // Without a port (ComNumber 0, no path): False raises ENoPortSelected. This
  // component shows no selection dialog, so True behaves the same.
  void setPromptForPort(bool on) { promptForPort_ = on; }
  bool PromptForPort() const { return promptForPort_; }
  // When True, an operation on a closed port opens it first.
  void setAutoOpen(bool on) { autoOpen_ = on; }
  bool AutoOpen() const { return autoOpen_; }
  // Unread bytes needed for OnTriggerAvail (0: none).
  void setTriggerLength(std::uint16_t length);
  std::uint16_t TriggerLength() const;

  // ---- operations
  std::uint8_t ReadChar();
  std::uint16_t NewStatusTrigger(std::uint16_t type);
  void ArmStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate);
  // False while closed (no exception); else reads DCD now.
  bool CarrierPresent();
  std::uint8_t ModemStatus();
  std::size_t InBuffUsed();
  std::size_t OutBuffUsed();
  std::size_t OutBuffFree();
  // Whether the device disappeared while open (cleared by the next open).
  bool DeviceLost() const;

  // ---- events, raised on the main thread
  std::function<void(TComPort& port, std::uint16_t msg, std::uint16_t handle, std::uint16_t data)> OnTrigger;
  std::function<void(TComPort& port, std::uint16_t count)> OnTriggerAvail;
  std::function<void(TComPort& port, std::uint16_t handle)> OnTriggerData;
  std::function<void(TComPort& port, std::uint16_t handle)> OnTriggerStatus;
  std::function<void(TComPort& port, std::uint16_t error, bool lineBreak)> OnTriggerLineError;
  std::function<void(TComPort& port)> OnTriggerModemStatus;
  std::function<void(TComPort& port)> OnTriggerOutbuffFree;
  std::function<void(TComPort& port)> OnTriggerOutbuffUsed;
  std::function<void(TComPort& port)> OnTriggerOutSent;
  std::function<void(TComPort& port)> OnPortOpen;
  std::function<void(TComPort& port)> OnPortClose;
  // The device disappeared while open; raised once. Without a handler the
  // error sink hears of it.
  std::function<void(TComPort& port)> OnDeviceLost;

  // Exceptions escaping event handlers (of this port and its packets), and
  // failures of a deferred reopen. Default: printed to stderr.
  void setErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }
  void reportError(std::exception_ptr error) { report(error); }

  // ---- for components attached to the port
  void addUser(PortUser* user);
  void removeUser(PortUser* user);
  MainThread& mainThread() const { return mainThread_; }
  // How this port's worker thread runs events on the main thread (also used
  // by the packet manager for packet events).
  EventGate& eventGate() { return gate_; }
  MonotonicClock& clock() const { return clock_; }
  // The dispatcher while open (or shutting down), else null.
  TBaseDispatcher* dispatcher() const { return dispatcher_.get(); }
  // The packet manager of this port, made on first use; lives as long as the port.
  TDataPacketManager& packetManager();
  DispatcherStats stats() const;

 private:
  enum class State { Closed, Open, ShuttingDown };

  void openPort();
  void closePort();
  void completeClose();
  void reopen();
  std::unique_ptr<SerialDevice> makeDevice() const;
  LineSettings lineForOpen() const;
  void applyLine();
  void applyFlow();
  bool anyTriggerEvent() const;
  TBaseDispatcher& ready();  // the dispatcher, opening first under AutoOpen
  void onNotification(TBaseDispatcher& dispatcher, const Notification& n);
  void raiseEvents(const Notification& n);
  void raiseStatusEvents(const Notification& n);
  void report(std::exception_ptr error);
  template <typename Handler, typename... Args>
  void raise(const Handler& handler, Args&&... args);

  MainThread& mainThread_;
  DeviceDirectory devices_;
  MonotonicClock& clock_;

  std::uint16_t comNumber_ = 0;
  std::string devicePath_;
  DeviceFactory deviceFactory_;
  TapiMode tapiMode_ = TapiMode::tmAuto;
  std::int32_t baud_ = 19200;
  Parity parity_ = Parity::pNone;
  std::uint16_t dataBits_ = 8;
  std::uint16_t stopBits_ = 1;
  std::uint16_t inSize_ = 4096;
  std::uint16_t outSize_ = 4096;
  bool dtr_ = true;
  bool rts_ = true;
  std::uint16_t bufferFull_ = 0;
  std::uint16_t bufferResume_ = 0;
  std::uint8_t hwFlow_ = 0;
  SoftwareFlow swFlow_ = SoftwareFlow::swfNone;
  char xonChar_ = 17;
  char xoffChar_ = 19;
  bool promptForPort_ = true;
  bool autoOpen_ = true;
  std::uint16_t triggerLength_ = 1;

  State state_ = State::Closed;
  bool openPending_ = false;
  std::string openFailure_;
  bool destroying_ = false;
  EventGate gate_{mainThread_};  // outlives the dispatcher's threads
  std::unique_ptr<TBaseDispatcher> dispatcher_;
  TBaseDispatcher::TargetId target_ = 0;
  std::optional<SavedTriggers> savedTriggers_;
  std::vector<PortUser*> users_;
  std::unique_ptr<TDataPacketManager> packetManager_;
  ErrorSink errorSink_ = printErrorToStderr;
  // Tasks posted to the main thread hold a weak reference, so that one
  // arriving after the port is gone does nothing.
  std::shared_ptr<TComPort*> self_;
};

template <typename Handler, typename... Args>
void TComPort::raise(const Handler& handler, Args&&... args) {
  if (!handler) return;
  const Handler call = handler;  // the handler may replace itself
  try {
    call(std::forward<Args>(args)...);
  } catch (...) {
    report(std::current_exception());
  }
}

}  // namespace solwire
