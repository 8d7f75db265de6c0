#include "sim/line_timing.h"

#include <stdexcept>

namespace solwire::sim {

std::chrono::microseconds lineTime(std::size_t byteCount, int baud) {
  if (baud < 1) throw std::invalid_argument("baud rate must be positive");
  const auto bits = static_cast<unsigned long long>(byteCount) * kBitsPerByte;
  const auto rate = static_cast<unsigned long long>(baud);
  const unsigned long long micros = (bits * 1'000'000ULL + rate - 1) / rate;
  return std::chrono::microseconds(static_cast<std::chrono::microseconds::rep>(micros));
}

}  // namespace solwire::sim
