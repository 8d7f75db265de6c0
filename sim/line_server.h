// The regulator side of a real line: takes the bytes the host sent, lets the
// bus answer, and paces each reply onto the line byte by byte at the line
// speed, after the regulator's turnaround. The caller does the I/O; this
// decides what goes out and when.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "protocol/link_environment.h"
#include "sim/regulator_bus.h"
#include "sim/served_line.h"

namespace solwire::sim {

class LineServer : public ServedLine {
 public:
  LineServer(RegulatorBus& bus, int baud);

  // Bytes that arrived from the host at `arrival` (when the last of them was read).
  void received(std::span<const std::uint8_t> bytes, TimePoint arrival, const LocalTime& now) override;
  // The bytes whose time has come, in line order.
  std::vector<std::uint8_t> takeDue(TimePoint now) override;
  // When the next byte falls due; nullopt when nothing is waiting.
  std::optional<TimePoint> nextDue() const override;

  int baud() const { return baud_; }

 private:
  struct PacedByte {
    TimePoint due;
    std::uint8_t byte;
  };
  void schedule(const Reply& reply, TimePoint requestDone);

  RegulatorBus& bus_;
  int baud_;
  std::deque<PacedByte> queue_;
  TimePoint lineFreeAt_{};
};

}  // namespace solwire::sim
