// How long the serial line takes to carry bytes: every byte is a start bit,
// eight data bits and one stop bit.
#pragma once

#include <chrono>
#include <cstddef>

namespace solwire::sim {

inline constexpr int kBitsPerByte = 10;

// Time to carry `byteCount` bytes at `baud` bits per second, rounded up to
// the next microsecond. Throws std::invalid_argument for a baud rate below 1.
std::chrono::microseconds lineTime(std::size_t byteCount, int baud);

}  // namespace solwire::sim
