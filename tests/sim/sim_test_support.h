// Helpers shared by the simulator tests: building byte sequences, feeding a
// bus, and reading data bytes back out of a nibble-coded reply.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "protocol/link_environment.h"
#include "sim/regulator_bus.h"

namespace solwire::sim::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytes(std::initializer_list<int> values) {
  Bytes result;
  for (int v : values) result.push_back(static_cast<std::uint8_t>(v));
  return result;
}

inline LocalTime at(int hour, int minute = 0, int day = 15) {
  return LocalTime{2024, 6, day, hour, minute, 0};
}

inline std::vector<Reply> send(RegulatorBus& bus, const Bytes& line,
                               const LocalTime& now = at(12)) {
  return bus.receive(line, now);
}

// The reply of one request; empty when nobody answered.
inline Bytes ask(RegulatorBus& bus, int site, int command, const LocalTime& now = at(12)) {
  const auto replies = send(bus, bytes({0xC0 + site, command}), now);
  return replies.empty() ? Bytes{} : replies.front().bytes;
}

// P1..Pn: the low nibbles of bytes 1..N-1 paired up, high nibble first.
inline std::vector<int> dataBytes(const Bytes& reply) {
  std::vector<int> data;
  for (std::size_t i = 1; i + 1 < reply.size(); i += 2)
    data.push_back((reply[i] & 0x0F) * 16 + (reply[i + 1] & 0x0F));
  return data;
}

// A 16-bit value from two data bytes, numbered from 1 as P1..Pn.
inline int word(const std::vector<int>& p, int high, int low) {
  return p.at(static_cast<std::size_t>(high - 1)) * 256 + p.at(static_cast<std::size_t>(low - 1));
}

}  // namespace solwire::sim::testing
