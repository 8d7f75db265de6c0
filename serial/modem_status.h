// The modem-status byte: the high nibble holds the present input lines, the
// low nibble the changes since they were last taken.
#pragma once

#include <cstdint>

namespace solwire::modem {

inline constexpr std::uint8_t kCTS = 0x10;
inline constexpr std::uint8_t kDSR = 0x20;
inline constexpr std::uint8_t kRI = 0x40;
inline constexpr std::uint8_t kDCD = 0x80;
inline constexpr std::uint8_t kLines = 0xF0;

inline constexpr std::uint8_t kDeltaCTS = 0x01;
inline constexpr std::uint8_t kDeltaDSR = 0x02;
inline constexpr std::uint8_t kTrailingRI = 0x04;
inline constexpr std::uint8_t kDeltaDCD = 0x08;

// Folds freshly read lines into a status byte: the new high nibble, and the
// changes (old XOR new lines) added to the pending change bits.
inline std::uint8_t updatedStatus(std::uint8_t status, std::uint8_t lines) {
  const std::uint8_t changes = static_cast<std::uint8_t>(((status ^ lines) & kLines) >> 4);
  return static_cast<std::uint8_t>((lines & kLines) | (status & 0x0F) | changes);
}

}  // namespace solwire::modem
