// The operations the regulator protocol relies on from a serial port and a reply
// matcher. The protocol is written against these two interfaces only, so it runs
// the same over the direct line, the modem line and the in-process simulated line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace solwire {

// Port and matcher time-outs count in ticks of this many milliseconds.
inline constexpr int kTickMilliseconds = 55;

enum class Parity { pNone, pOdd, pEven, pMark, pSpace };

// A serial port as the protocol sees it. Every event is raised on the main
// (user-interface) thread; handlers may call any operation of this interface.
class LinkPort {
 public:
  virtual ~LinkPort() = default;

  // Selects COMn; takes effect at the next open, or at once when the port is open.
  virtual void setComNumber(std::uint16_t number) = 0;
  virtual std::uint16_t ComNumber() const = 0;

  virtual void setBaud(std::int32_t baud) = 0;
  virtual std::int32_t Baud() const = 0;
  virtual void setParity(Parity parity) = 0;
  virtual void setDataBits(std::uint16_t bits) = 0;
  virtual void setStopBits(std::uint16_t bits) = 0;

  // Opens or closes the device. A failed open throws an ECommException and
  // leaves the port closed.
  virtual void setOpen(bool open) = 0;
  virtual bool Open() const = 0;
  // The system's own words for why the last open failed ("No such file or
  // directory"), kept until the next open; empty after a successful open or
  // when the system gave none.
  virtual std::string OpenFailureReason() const { return {}; }

  // Queues every byte of text for output in one piece and returns at once;
  // throws (queuing nothing) when the output buffer cannot take them.
  virtual void SendString(std::string_view text) = 0;
  virtual void FlushInput() = 0;
  virtual void FlushOutput() = 0;

  // One-shot timers counted in ticks: OnTriggerTimer(port, handle) is raised
  // once, `ticks` ticks after arming.
  virtual std::uint16_t NewTimerTrigger() = 0;
  virtual void ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) = 0;
  virtual void DropTrigger(std::uint16_t handle) = 0;

  std::function<void(LinkPort& sender, std::uint16_t handle)> OnTriggerTimer;
};

// A matcher armed for one reply at a time.
class ReplyMatcher {
 public:
  virtual ~ReplyMatcher() = default;

  virtual void setPacketSize(std::int32_t size) = 0;
  virtual std::int32_t PacketSize() const = 0;
  // The direct-line matcher counts ticks from the moment of enabling; the
  // modem-line collector only stores the value.
  virtual void setTimeOut(std::int32_t timeout) = 0;
  virtual std::int32_t TimeOut() const = 0;
  // Enabling starts waiting for one reply; earlier unmatched bytes are not part of it.
  virtual void setEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;

  // Raised once when PacketSize bytes have arrived; data is valid only during the call.
  std::function<void(ReplyMatcher& sender, const std::uint8_t* data, std::int32_t size)> OnPacket;
  // Raised once when the time-out expires before a full reply.
  std::function<void(ReplyMatcher& sender)> OnTimeout;
};

}  // namespace solwire
