// The reply encoding: a header byte, then every data byte split into two
// bytes, high nibble first, each carrying the nibble in its low four bits and
// the reply's tag in its high four bits.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solwire::sim {

// Tags (high nibbles) of the reply kinds.
inline constexpr std::uint8_t kCurrentStateTag = 0x2;
inline constexpr std::uint8_t kMemoryTag = 0x6;
inline constexpr std::uint8_t kHistoryTag = 0xA;
inline constexpr std::uint8_t kAlarmTag = 0xE;

// Fixed header bytes of the replies that do not start with the type code.
inline constexpr std::uint8_t kMemoryHeader = 0x50;
inline constexpr std::uint8_t kHistoryHeader = 0x90;
inline constexpr std::uint8_t kAlarmHeader = 0xD0;

std::vector<std::uint8_t> tagNibbles(std::uint8_t header, std::uint8_t tag,
                                     std::span<const std::uint8_t> data);

}  // namespace solwire::sim
