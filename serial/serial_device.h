// The platform boundary of the transport: one serial device, opened by the
// dispatcher and driven by its three worker threads. Every call may come from
// any thread; an implementation keeps itself consistent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "serial/line_settings.h"

namespace solwire {

// Line error bits, as the line-error trigger and event report them.
namespace line_error {
inline constexpr std::uint16_t kReceiveOverflow = 0x01;
inline constexpr std::uint16_t kOverrun = 0x02;
inline constexpr std::uint16_t kParity = 0x04;
inline constexpr std::uint16_t kFraming = 0x08;
inline constexpr std::uint16_t kBreak = 0x10;
}  // namespace line_error

// What the event thread wants to be woken for. A wake() always wakes it.
struct DeviceWaitRequest {
  bool readable = true;       // received bytes wait in the driver
  bool modemChange = false;   // an input line changed (only if canReportModemChanges)
  bool hangUp = true;         // the device has gone
};

struct DeviceEvents {
  bool readable = false;
  bool modemChange = false;
  bool lineError = false;
  bool hangUp = false;
  bool woken = false;
};

struct IoResult {
  // Failed: this transfer went wrong; Gone: the device has disappeared.
  enum class Status { Ok, Interrupted, Failed, Gone };
  Status status = Status::Ok;
  std::size_t count = 0;  // bytes moved
  int error = 0;          // negated system error on Failed or Gone
};

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens the device for exclusive use. Returns 0, comm_error::kBadId when it
  // does not exist, comm_error::kAlreadyOpen when another user holds it, or a
  // negated system error number.
  virtual int open() = 0;
  virtual void close() = 0;
  // The system's own words for why the last open() failed ("No such file or
  // directory"); empty when it did not fail or the device has none.
  virtual std::string openFailureReason() const { return {}; }

  // Programs speed, character format and flow control; baud 0 keeps the
  // speed the device has. Returns 0, comm_error::kBadArgument for settings
  // the device cannot take, or a negated system error number.
  virtual int setLine(const LineSettings& settings) = 0;

  // Takes up to `capacity` received bytes without blocking.
  virtual IoResult read(std::uint8_t* buffer, std::size_t capacity) = 0;
  // Writes at least one byte of `data`, blocking until the device takes some,
  // until interruptWrite() (Interrupted) or until the device fails.
  virtual IoResult write(const std::uint8_t* data, std::size_t size) = 0;
  virtual void interruptWrite() = 0;

  virtual void purgeInput() = 0;
  virtual void purgeOutput() = 0;
  // Whether written bytes are still on their way out: how many the driver
  // holds, or 1 while only the transmitter itself is still busy.
  virtual std::size_t outputQueued() = 0;

  virtual int setDtr(bool on) = 0;
  virtual int setRts(bool on) = 0;
  // Present input lines as modem::kCTS|kDSR|kRI|kDCD bits, or nothing when the
  // device has no modem lines (a pseudo-terminal).
  virtual std::optional<std::uint8_t> modemLines() = 0;
  // Whether wait() can report input-line changes; if not, a modem-status
  // trigger is served by reading the lines periodically while it is armed.
  virtual bool canReportModemChanges() = 0;
  // Line error bits since the last call.
  virtual std::uint16_t takeLineErrors() = 0;

  // Blocks until one of the requested events or a wake().
  virtual DeviceEvents wait(const DeviceWaitRequest& request) = 0;
  virtual void wake() = 0;
};

}  // namespace solwire
