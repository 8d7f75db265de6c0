#include "serial/com_port.h"

#include <algorithm>
#include <cerrno>

#include "serial/comm_exception.h"
#include "serial/data_packet_manager.h"

namespace solwire {

namespace {

// What the system said about a failed open: the device's own words, else
// the system's text of a system error code.
std::string systemReasonFor(int code, std::string deviceReason) {
  if (!deviceReason.empty()) return deviceReason;
  if (code < 0 && code > -1000) return commErrorMessage(code);
  return {};
}

}  // namespace

TComPort::TComPort(MainThread& mainThread, DeviceDirectory devices, MonotonicClock& clock)
    : mainThread_(mainThread), devices_(std::move(devices)), clock_(clock), self_(std::make_shared<TComPort*>(this)) {}

TComPort::~TComPort() {
  // Closing while the owner is being torn down raises no events: the objects
  // the handlers refer to may already be gone.
  destroying_ = true;
  if (state_ == State::Open) {
    try {
      closePort();
    } catch (...) {
      report(std::current_exception());
    }
  }
  gate_.close();        // a worker must not wait for this thread from now on
  dispatcher_.reset();  // a deferred close still in progress ends here
  packetManager_.reset();
  self_.reset();
}

// ---- device selection

std::string TComPort::resolvedPath() const {
  if (!devicePath_.empty()) return devicePath_;
  return devices_.pathForCom(comNumber_);
}

std::unique_ptr<SerialDevice> TComPort::makeDevice() const {
  if (deviceFactory_) return deviceFactory_();
  return devices_.deviceFor(resolvedPath());
}

void TComPort::reopen() {
  if (state_ != State::Open) return;
  closePort();  // saves the triggers; the open restores them
  setOpen(true);
}

void TComPort::setComNumber(std::uint16_t number) {
  if (number == comNumber_) return;
  comNumber_ = number;
  reopen();
}

void TComPort::setDevicePath(const std::string& path) {
  if (path == devicePath_) return;
  devicePath_ = path;
  reopen();
}

void TComPort::setDeviceFactory(DeviceFactory factory) {
  deviceFactory_ = std::move(factory);
  reopen();
}

// ---- open and close

void TComPort::setOpen(bool open) {
  if (open) {
    if (state_ == State::Open) return;
    if (state_ == State::ShuttingDown) {
      openPending_ = true;  // runs once the close in progress has completed
      return;
    }
    openPort();
  } else {
    openPending_ = false;
    if (state_ == State::Open) closePort();
  }
}

LineSettings TComPort::lineForOpen() const {
  LineSettings line;
  line.baud = baud_;
  line.parity = parity_;
  line.dataBits = dataBits_;
  line.stopBits = stopBitsFor(stopBits_, dataBits_, StopBitsSetting::One);
  line.hardwareFlow = hwFlow_;
  line.softwareFlow = swFlow_;
  line.xonChar = xonChar_;
  line.xoffChar = xoffChar_;
  line.xonLimit = bufferResume_;
  line.xoffLimit = static_cast<std::uint16_t>(inSize_ - std::min(bufferFull_, inSize_));
  line.dtr = dtr_;
  line.rts = rts_;
  return line;
}

bool TComPort::anyTriggerEvent() const {
  return OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerStatus || OnTriggerTimer || OnTriggerLineError ||
         OnTriggerModemStatus || OnTriggerOutbuffFree || OnTriggerOutbuffUsed || OnTriggerOutSent;
}

void TComPort::openPort() {
  openFailure_.clear();
  if (!deviceFactory_ && devicePath_.empty() && comNumber_ == 0) throw ENoPortSelected();
  if (!(bufferResume_ <= bufferFull_ && bufferFull_ <= inSize_)) throw EBadArgument();

  auto dispatcher = std::make_unique<TBaseDispatcher>(makeDevice(), clock_);
  if (const int rc = dispatcher->initialise(lineForOpen(), outSize_); rc < 0) {
    openFailure_ = systemReasonFor(rc, dispatcher->openFailureReason());
    raiseCommError(rc, openFailure_);
  }
  dispatcher_ = std::move(dispatcher);
  gate_.open();
  dispatcher_->setOnStopped([weak = std::weak_ptr<TComPort*>(self_), &main = mainThread_] {
    main.post([weak] {
      if (auto self = weak.lock()) (*self)->completeClose();
    });
  });
  state_ = State::Open;
  dispatcher_->setTriggerLength(triggerLength_);
  // Which events have handlers is taken now; the dispatch thread only asks
  // the main thread for those.
  const bool wantsTriggers = anyTriggerEvent();
  target_ = dispatcher_->addTarget([this, wantsTriggers, d = dispatcher_.get()](const Notification& n) {
    if (wantsTriggers || n.code == notify::kDeviceLost) onNotification(*d, n);
  }, TBaseDispatcher::TargetKind::Window);
  // Only now that the port listens: a restored trigger may hit at once. (And
  // before the users are told, so that a trigger they take gets a new handle.)
  if (savedTriggers_) {
    dispatcher_->restoreTriggers(*savedTriggers_);
    savedTriggers_.reset();
  }
  const auto users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->portOpened(*this);
  raise(OnPortOpen, *this);
}

// The triggers are saved once the threads have stopped (completeClose): a
// hit that could not be delivered has gone back to its trigger by then.
void TComPort::closePort() {
  state_ = State::ShuttingDown;
  const auto users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->portClosing(*this);
  if (gate_.insideTask()) {
    // Called from one of this port's handlers: the dispatch thread waits for
    // it, so the dispatcher only marks the stop; its last thread then posts
    // completeClose to this thread.
    const bool stopped = dispatcher_->finish(false);
    dispatcher_->removeTarget(target_);  // the rest of this notification is not for the handlers
    target_ = 0;
    if (stopped) completeClose();
    return;
  }
  // From outside the handlers: an event still waiting for this thread is
  // dropped, the notification in progress ends at once, and the close
  // completes now.
  gate_.close();
  dispatcher_->finish(true);
  completeClose();
}

void TComPort::completeClose() {
  if (state_ != State::ShuttingDown) return;
  dispatcher_->joinThreads();
  savedTriggers_ = dispatcher_->saveTriggers();
  dispatcher_.reset();
  target_ = 0;
  state_ = State::Closed;
  const auto users = users_;
  for (auto it = users.rbegin(); it != users.rend(); ++it) (*it)->portClosed(*this);
  if (!destroying_) raise(OnPortClose, *this);
  if (openPending_ && !destroying_) {
    openPending_ = false;
    try {
      if (state_ == State::Closed) openPort();  // OnPortClose may have opened it already
    } catch (...) {
      report(std::current_exception());
    }
  }
}

TBaseDispatcher& TComPort::ready() {
  if (state_ == State::Closed && autoOpen_) setOpen(true);
  if (state_ != State::Open) throw ECommNotOpen();
  return *dispatcher_;
}

// ---- line settings

void TComPort::applyLine() {
  if (state_ == State::Open) checkComm(dispatcher_->setLine(baud_, parity_, dataBits_, stopBits_));
}

void TComPort::setBaud(std::int32_t baud) {
  if (baud == baud_) return;
  baud_ = baud;
  applyLine();
}

void TComPort::setParity(Parity parity) {
  if (parity == parity_) return;
  parity_ = parity;
  applyLine();
}

void TComPort::setDataBits(std::uint16_t bits) {
  if (bits == dataBits_) return;
  dataBits_ = bits;
  applyLine();
}

void TComPort::setStopBits(std::uint16_t bits) {
  if (bits == stopBits_) return;
  stopBits_ = bits;
  applyLine();
}

void TComPort::applyFlow() {
  if (state_ != State::Open) return;
  LineSettings line = dispatcher_->lineSettings();
  const LineSettings wanted = lineForOpen();
  line.hardwareFlow = wanted.hardwareFlow;
  line.softwareFlow = wanted.softwareFlow;
  line.xonChar = wanted.xonChar;
  line.xoffChar = wanted.xoffChar;
  line.xonLimit = wanted.xonLimit;
  line.xoffLimit = wanted.xoffLimit;
  checkComm(dispatcher_->setLineSettings(line));
}

void TComPort::setBufferFull(std::uint16_t value) {
  bufferFull_ = value > inSize_ ? static_cast<std::uint16_t>(value * 9 / 10) : value;
  applyFlow();
}

void TComPort::setBufferResume(std::uint16_t value) {
  bufferResume_ = value > bufferFull_ ? static_cast<std::uint16_t>(bufferFull_ / 10) : value;
  applyFlow();
}

void TComPort::setHWFlowOptions(std::uint8_t options) {
  hwFlow_ = options;
  if (options != 0 && (bufferFull_ == 0 || bufferResume_ > bufferFull_ || bufferFull_ > inSize_)) {
    bufferFull_ = static_cast<std::uint16_t>(inSize_ * 9 / 10);
    bufferResume_ = static_cast<std::uint16_t>(inSize_ / 10);
  }
  applyFlow();
}

void TComPort::setSWFlowOptions(SoftwareFlow options) {
  swFlow_ = options;
  if (options != SoftwareFlow::swfNone && (bufferFull_ == 0 || bufferResume_ > bufferFull_ || bufferFull_ > inSize_)) {
    bufferFull_ = static_cast<std::uint16_t>(inSize_ * 3 / 4);
    bufferResume_ = static_cast<std::uint16_t>(inSize_ / 4);
  }
  applyFlow();
}

void TComPort::setXOnChar(char c) {
  xonChar_ = c;
  applyFlow();
}

void TComPort::setXOffChar(char c) {
  xoffChar_ = c;
  applyFlow();
}

void TComPort::setDTR(bool on) {
  dtr_ = on;
  if (state_ == State::Open) checkComm(dispatcher_->setDtr(on));
}

void TComPort::setRTS(bool on) {
  rts_ = on;
  if (state_ == State::Open) checkComm(dispatcher_->setRts(on));
}

void TComPort::setTriggerLength(std::uint16_t length) {
  triggerLength_ = length;
  if (state_ == State::Open) dispatcher_->setTriggerLength(length);
}

std::uint16_t TComPort::TriggerLength() const {
  return state_ == State::Open ? dispatcher_->triggerLength() : triggerLength_;
}

// ---- operations

void TComPort::SendString(std::string_view text) {
  TBaseDispatcher& d = ready();
  checkComm(d.putBlock({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
}

void TComPort::FlushInput() { ready().flushInput(); }

void TComPort::FlushOutput() { ready().flushOutput(); }

std::uint8_t TComPort::ReadChar() {
  std::uint8_t byte = 0;
  checkComm(ready().getChar(byte));
  return byte;
}

std::uint16_t TComPort::NewTimerTrigger() { return static_cast<std::uint16_t>(checkComm(ready().addTimerTrigger())); }

void TComPort::ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) {
  checkComm(ready().setTimerTrigger(handle, ticks, activate));
}

std::uint16_t TComPort::NewStatusTrigger(std::uint16_t type) {
  return static_cast<std::uint16_t>(checkComm(ready().addStatusTrigger(type)));
}

void TComPort::ArmStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate) {
  checkComm(ready().setStatusTrigger(handle, value, activate));
}

void TComPort::DropTrigger(std::uint16_t handle) {
  if (state_ != State::Open) return;
  checkComm(dispatcher_->removeTrigger(handle));
}

bool TComPort::CarrierPresent() { return state_ == State::Open && dispatcher_->carrier(); }

std::uint8_t TComPort::ModemStatus() { return ready().modemStatus(); }

std::size_t TComPort::InBuffUsed() { return ready().unreadCount(); }

std::size_t TComPort::OutBuffUsed() { return ready().outputUsed(); }

std::size_t TComPort::OutBuffFree() { return ready().outputFree(); }

bool TComPort::DeviceLost() const { return dispatcher_ && dispatcher_->deviceLost(); }

// ---- attachments

void TComPort::addUser(PortUser* user) {
  if (std::find(users_.begin(), users_.end(), user) == users_.end()) users_.push_back(user);
}

void TComPort::removeUser(PortUser* user) { std::erase(users_, user); }

TDataPacketManager& TComPort::packetManager() {
  if (!packetManager_) packetManager_ = std::make_unique<TDataPacketManager>(*this);
  return *packetManager_;
}

DispatcherStats TComPort::stats() const { return dispatcher_ ? dispatcher_->stats() : DispatcherStats{}; }

}  // namespace solwire
