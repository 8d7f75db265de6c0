// The simulated regulator line in process: a port and a reply matcher that
// carry requests to a RegulatorBus and its replies back, paced by the line
// speed on a Clock. With a VirtualClock a whole session runs without waiting.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "protocol/link_environment.h"
#include "serial/link_operations.h"
#include "sim/regulator_bus.h"

namespace solwire::sim {

class SimulatedLinkPort : public LinkPort {
 public:
  SimulatedLinkPort(RegulatorBus& bus, Clock& clock);

  void setComNumber(std::uint16_t number) override { comNumber_ = number; }
  std::uint16_t ComNumber() const override { return comNumber_; }
  void setBaud(std::int32_t baud) override { baud_ = baud; }
  std::int32_t Baud() const override { return baud_; }
  void setParity(Parity) override {}
  void setDataBits(std::uint16_t) override {}
  void setStopBits(std::uint16_t) override {}
  // Throws std::runtime_error when told to refuse opening.
  void setOpen(bool open) override;
  bool Open() const override { return open_; }
  void SendString(std::string_view text) override;
  // Bytes reach the matcher as they arrive, so nothing waits to be flushed;
  // bytes still on their way arrive after a flush, as on a real line.
  void FlushInput() override {}
  void FlushOutput() override {}
  std::uint16_t NewTimerTrigger() override;
  void ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) override;
  void DropTrigger(std::uint16_t handle) override;

  // Where received bytes go (the matcher attaches itself here).
  std::function<void(std::span<const std::uint8_t>)> onReceived;

  void refuseOpen(bool refuse) { refuseOpen_ = refuse; }
  // Every frame sent, in order.
  const std::vector<std::string>& sentFrames() const { return sent_; }

 private:
  struct TimerTrigger {
    std::uint32_t ticks = 0;
    std::uint64_t generation = 0;
    bool armed = false;
  };
  void deliverLater(std::vector<std::uint8_t> bytes, std::chrono::microseconds after);

  RegulatorBus& bus_;
  Clock& clock_;
  std::uint16_t comNumber_ = 0;
  std::int32_t baud_ = 2400;
  bool open_ = false;
  bool refuseOpen_ = false;
  std::uint64_t openGeneration_ = 0;  // counts the closes: what was on its way is lost
  std::uint16_t nextHandle_ = 8;
  std::map<std::uint16_t, TimerTrigger> timers_;
  std::vector<std::string> sent_;
  std::shared_ptr<SimulatedLinkPort*> self_;
};

// Collects one reply of PacketSize bytes after each enabling, and reports a
// time-out TimeOut ticks after enabling when the reply is not complete.
class SimulatedReplyMatcher : public ReplyMatcher {
 public:
  SimulatedReplyMatcher(SimulatedLinkPort& port, Clock& clock);
  ~SimulatedReplyMatcher() override;

  void setPacketSize(std::int32_t size) override { packetSize_ = size; }
  std::int32_t PacketSize() const override { return packetSize_; }
  void setTimeOut(std::int32_t timeout) override { timeOut_ = timeout; }
  std::int32_t TimeOut() const override { return timeOut_; }
  void setEnabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }

 private:
  void receive(std::span<const std::uint8_t> bytes);
  void expire(std::uint64_t generation);

  SimulatedLinkPort& port_;
  Clock& clock_;
  std::int32_t packetSize_ = 0;
  std::int32_t timeOut_ = 0;
  bool enabled_ = false;
  std::uint64_t generation_ = 0;
  std::vector<std::uint8_t> collected_;
  std::shared_ptr<SimulatedReplyMatcher*> self_;
};

}  // namespace solwire::sim
