// What a server puts at the far end of the line it serves: the bare regulator
// bus, or the bus behind a simulated modem. The server does the I/O and keeps
// the time; this takes the host's bytes and says what goes back, and when.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/link_environment.h"

namespace solwire::sim {

class ServedLine {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~ServedLine() = default;

  // Bytes that arrived from the host at `arrival` (when the last of them was read).
  virtual void received(std::span<const std::uint8_t> bytes, TimePoint arrival, const LocalTime& now) = 0;
  // The bytes for the host whose time has come, in line order.
  virtual std::vector<std::uint8_t> takeDue(TimePoint now) = 0;
  // When something next falls due; nullopt when nothing is waiting.
  virtual std::optional<TimePoint> nextDue() const = 0;

  // The input lines it drives (modem::kLines bits), nullopt when it drives none.
  virtual std::optional<std::uint8_t> modemLines() const { return std::nullopt; }
  // The host dropped DTR or went away.
  virtual void dtrDropped() {}
};

}  // namespace solwire::sim
