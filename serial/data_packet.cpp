#include "serial/data_packet.h"

#include "serial/com_port.h"
#include "serial/data_packet_manager.h"

namespace solwire {

TDataPacket::~TDataPacket() {
  if (manager_ == nullptr) return;
  auto lock = guard();
  manager_->detach(this);
}

std::unique_lock<std::mutex> TDataPacket::guard() const {
  if (manager_ == nullptr) return {};
  return std::unique_lock<std::mutex>(manager_->mutex_);
}

void TDataPacket::setComPort(TComPort* port) {
  if (port == port_) return;
  if (manager_ != nullptr) {
    auto lock = guard();
    manager_->detach(this);
  }
  if (port != nullptr) {
    TDataPacketManager& manager = port->packetManager();
    std::unique_lock lock(manager.mutex_);
    manager.attach(this);
  }
}

void TDataPacket::setEnabled(bool enabled) {
  auto lock = guard();
  if (manager_ == nullptr) {
    enabled_ = enabled;
    state_ = MatchState::Idle;
    return;
  }
  if (enabled) {
    manager_->enablePacket(lock, *this);
  } else {
    manager_->disablePacket(*this);
  }
}

bool TDataPacket::Enabled() const {
  auto lock = guard();
  return enabled_;
}

void TDataPacket::setPacketSize(std::int32_t size) {
  auto lock = guard();
  packetSize_ = size;
}

std::int32_t TDataPacket::PacketSize() const {
  auto lock = guard();
  return packetSize_;
}

void TDataPacket::setTimeOut(std::int32_t ticks) {
  auto lock = guard();
  timeOut_ = ticks;
}

std::int32_t TDataPacket::TimeOut() const {
  auto lock = guard();
  return timeOut_;
}

void TDataPacket::setAutoEnable(bool on) {
  auto lock = guard();
  autoEnable_ = on;
}

bool TDataPacket::AutoEnable() const {
  auto lock = guard();
  return autoEnable_;
}

void TDataPacket::setStartCond(StartCondition condition) {
  auto lock = guard();
  startCond_ = condition;
}

StartCondition TDataPacket::StartCond() const {
  auto lock = guard();
  return startCond_;
}

// The end settings take effect at once: the packet is restarted with them.
void TDataPacket::setEndCond(std::uint8_t conditions) {
  const bool wasEnabled = Enabled();
  setEnabled(false);
  {
    auto lock = guard();
    endCond_ = conditions;
  }
  if (wasEnabled) setEnabled(true);
}

std::uint8_t TDataPacket::EndCond() const {
  auto lock = guard();
  return endCond_;
}

void TDataPacket::setStartString(const std::string& text) {
  auto lock = guard();
  startString_ = text;
  patternsStale_ = true;
}

std::string TDataPacket::StartString() const {
  auto lock = guard();
  return startString_;
}

void TDataPacket::setEndString(const std::string& text) {
  const bool wasEnabled = Enabled();
  setEnabled(false);
  {
    auto lock = guard();
    endString_ = text;
    patternsStale_ = true;
  }
  if (wasEnabled) setEnabled(true);
}

std::string TDataPacket::EndString() const {
  auto lock = guard();
  return endString_;
}

void TDataPacket::setIgnoreCase(bool on) {
  auto lock = guard();
  ignoreCase_ = on;
  patternsStale_ = true;
}

bool TDataPacket::IgnoreCase() const {
  auto lock = guard();
  return ignoreCase_;
}

void TDataPacket::setIncludeStrings(bool on) {
  auto lock = guard();
  includeStrings_ = on;
}

bool TDataPacket::IncludeStrings() const {
  auto lock = guard();
  return includeStrings_;
}

}  // namespace solwire
