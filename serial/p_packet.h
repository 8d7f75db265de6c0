// TP_Packet: assembles a reply of PacketSize bytes from text its owner feeds
// it (the modem line's data-available handler), with a time-out that starts at
// the first byte. It cuts exactly PacketSize bytes, drops whatever else came
// with them, and stays enabled. Main thread only.
//
// The time-out timer's interval is taken from TimeOut once, at construction
// (3000 ms); later TimeOut assignments are only stored.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "serial/link_operations.h"
#include "serial/main_thread.h"

namespace solwire {

class TP_Packet : public ReplyMatcher {
 public:
  explicit TP_Packet(MainThreadTimers& timers);
  ~TP_Packet() override;
  TP_Packet(const TP_Packet&) = delete;
  TP_Packet& operator=(const TP_Packet&) = delete;

  // Appends `text` while enabled and checks for a complete packet; the first
  // byte of a collection starts the timer. Ignored while disabled or empty.
  void Feed(std::string_view text);

  void setPacketSize(std::int32_t size) override { packetSize_ = size; }
  std::int32_t PacketSize() const override { return packetSize_; }
  void setTimeOut(std::int32_t timeout) override { timeOut_ = timeout; }
  std::int32_t TimeOut() const override { return timeOut_; }
  void setEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }

  bool collecting() const { return collecting_; }
  std::size_t collected() const { return text_.size(); }

 private:
  void startTimer();
  void stopTimer();
  void timerFired();

  MainThreadTimers& timers_;
  std::int32_t packetSize_ = 1;
  std::int32_t timeOut_ = 3000;
  bool enabled_ = false;
  std::chrono::milliseconds interval_;
  std::string text_;
  bool collecting_ = false;
  MainThreadTimers::TimerId timer_ = 0;
};

}  // namespace solwire
