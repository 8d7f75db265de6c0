#include "serial/data_packet_manager.h"

#include <algorithm>

#include "serial/com_port.h"
#include "serial/data_packet.h"

namespace solwire {

TDataPacketManager::TDataPacketManager(TComPort& port)
    : port_(port), self_(std::make_shared<TDataPacketManager*>(this)) {
  port_.addUser(this);
  if (port_.Open()) portOpened(port_);
}

TDataPacketManager::~TDataPacketManager() {
  port_.removeUser(this);
  Lock lock(mutex_);
  if (active_ && dispatcher_ != nullptr) {
    if (timer_ != 0) dispatcher_->removeTrigger(timer_);
    dispatcher_->removeTarget(target_);
  }
  for (TDataPacket* packet : packets_) {
    if (packet != nullptr) packet->detached();
  }
  self_.reset();
}

std::size_t TDataPacketManager::packetCount() const {
  Lock lock(mutex_);
  return static_cast<std::size_t>(std::count_if(packets_.begin(), packets_.end(), [](auto* p) { return p != nullptr; }));
}

bool TDataPacketManager::active() const {
  Lock lock(mutex_);
  return active_;
}

std::size_t TDataPacketManager::bufferedBytes() const {
  Lock lock(mutex_);
  return buffer_.size() - head_;
}

bool TDataPacketManager::contains(const TDataPacket* packet) const {
  return packet != nullptr && std::find(packets_.begin(), packets_.end(), packet) != packets_.end();
}

// ---- attachment (mutex held)

void TDataPacketManager::attach(TDataPacket* packet) {
  packets_.push_back(packet);
  packet->manager_ = this;
  packet->port_ = &port_;
  packet->state_ = TDataPacket::MatchState::Idle;
  if (!active_ || !packet->enabled_) return;
  if (busy_) {
    packet->enableDeferred_ = true;
    return;
  }
  try {
    startPacket(*packet, true);
  } catch (...) {
    packet->enabled_ = false;
    reportLater(std::current_exception());
  }
}

void TDataPacketManager::detach(TDataPacket* packet) {
  if (lockHolder_ == packet) releaseLock(*packet);
  auto found = std::find(packets_.begin(), packets_.end(), packet);
  if (found != packets_.end()) {
    if (busy_) {
      *found = nullptr;  // the delivery in progress walks this list
    } else {
      packets_.erase(found);
    }
  }
  packet->state_ = TDataPacket::MatchState::Idle;
  packet->detached();
  if (rescanWanted_ && active_) requestRescan();
}

// ---- enabling (mutex held, main thread)

void TDataPacketManager::enablePacket(Lock&, TDataPacket& packet) {
  if (!active_) {
    // The port is closed: matching starts when it opens.
    packet.enabled_ = true;
    packet.state_ = TDataPacket::MatchState::Idle;
    return;
  }
  try {
    validate(packet);
  } catch (...) {
    disablePacket(packet);
    throw;
  }
  if (busy_) {
    packet.enabled_ = true;
    packet.enableDeferred_ = true;
    return;
  }
  startPacket(packet, true);
  if (rescanWanted_) requestRescan();
}

void TDataPacketManager::disablePacket(TDataPacket& packet) {
  packet.enabled_ = false;
  packet.enableDeferred_ = false;
  packet.startPending_ = false;
  if (lockHolder_ == &packet) releaseLock(packet);
  packet.state_ = TDataPacket::MatchState::Idle;
  packet.startIndex_ = 0;
  packet.packetStart_ = -1;
  if (rescanWanted_ && active_) requestRescan();
}

// ---- the port's side

void TDataPacketManager::portOpened(TComPort& port) {
  Lock lock(mutex_);
  dispatcher_ = port.dispatcher();
  if (dispatcher_ == nullptr) return;
  const int timer = dispatcher_->addTimerTrigger();
  timer_ = timer > 0 ? static_cast<std::uint16_t>(timer) : 0;
  timerArmed_ = false;
  target_ = dispatcher_->addTarget([this](const Notification& n) { onNotification(n); });
  active_ = true;
  closing_ = false;
  clearBuffer();
  for (TDataPacket* packet : packets_) {
    if (packet == nullptr || !packet->enabled_) continue;
    try {
      validate(*packet);
      startPacket(*packet, true);
    } catch (...) {
      packet->enabled_ = false;
      reportLater(std::current_exception());
    }
  }
}

void TDataPacketManager::portClosing(TComPort&) {
  Lock lock(mutex_);
  if (!active_) return;
  for (TDataPacket* packet : packets_) {
    if (packet == nullptr) continue;
    packet->state_ = TDataPacket::MatchState::Idle;  // stays enabled: restarts at the next open
    packet->startPending_ = false;
    packet->startIndex_ = 0;
    packet->packetStart_ = -1;
  }
  lockHolder_ = nullptr;
  if (timer_ != 0) dispatcher_->removeTrigger(timer_);
  dispatcher_->removeTarget(target_);
  timer_ = 0;
  target_ = 0;
  active_ = false;
  dispatcher_ = nullptr;
  if (busy_) {
    closing_ = true;  // the delivery in progress still uses the buffer
  } else {
    clearBuffer();
  }
}

// ---- helpers

void TDataPacketManager::armTimer(std::int32_t ticks) {
  if (dispatcher_ != nullptr && timer_ != 0 && ticks > 0) {
    dispatcher_->setTimerTrigger(timer_, static_cast<std::uint32_t>(ticks), true);
    timerArmed_ = true;
  }
}

// Disarming also makes a hit already on its way stale; a timer that was not
// armed since has none.
void TDataPacketManager::disarmTimer() {
  if (dispatcher_ != nullptr && timer_ != 0 && timerArmed_) dispatcher_->setTimerTrigger(timer_, 0, false);
  timerArmed_ = false;
}

void TDataPacketManager::raiseOnMainThread(Lock& lock, std::function<void()> call) {
  lock.unlock();
  port_.eventGate().runAndWait(std::move(call), TComPort::kEventWait);
  lock.lock();
}

void TDataPacketManager::requestRescan() {
  if (rescanPosted_) return;
  rescanPosted_ = true;
  port_.mainThread().post([weak = std::weak_ptr<TDataPacketManager*>(self_)] {
    auto self = weak.lock();
    if (!self) return;
    TDataPacketManager& manager = **self;
    Lock lock(manager.mutex_);
    manager.rescanPosted_ = false;
    if (manager.active_) manager.scanAll(lock);
  });
}

void TDataPacketManager::reportLater(std::exception_ptr error) {
  port_.mainThread().post([weak = std::weak_ptr<TDataPacketManager*>(self_), error] {
    if (auto self = weak.lock()) (*self)->port_.reportError(error);
  });
}

}  // namespace solwire
