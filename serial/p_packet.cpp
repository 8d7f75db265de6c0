#include "serial/p_packet.h"

#include <vector>

namespace solwire {

TP_Packet::TP_Packet(MainThreadTimers& timers) : timers_(timers), interval_(timeOut_) {}

TP_Packet::~TP_Packet() { stopTimer(); }

void TP_Packet::startTimer() {
  stopTimer();
  timer_ = timers_.startTimer(interval_, [this] {
    timer_ = 0;
    timerFired();
  });
}

void TP_Packet::stopTimer() {
  if (timer_ == 0) return;
  timers_.stopTimer(timer_);
  timer_ = 0;
}

void TP_Packet::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled) {
    stopTimer();
    text_.clear();
    collecting_ = false;
  }
}

void TP_Packet::Feed(std::string_view text) {
  if (!enabled_ || text.empty()) return;
  text_.append(text);
  if (!collecting_) {
    collecting_ = true;
    startTimer();
  }
  if (packetSize_ < 0 || text_.size() < static_cast<std::size_t>(packetSize_)) return;
  stopTimer();
  collecting_ = false;
  // A copy of the first PacketSize bytes; the rest is dropped.
  const std::vector<std::uint8_t> packet(text_.begin(), text_.begin() + packetSize_);
  text_.clear();
  if (OnPacket) OnPacket(*this, packet.data(), packetSize_);
}

void TP_Packet::timerFired() {
  text_.clear();
  collecting_ = false;
  if (OnTimeout) OnTimeout(*this);
}

}  // namespace solwire
