#include "sim/alarm_bits.h"

#include <cstddef>

namespace solwire::sim {

namespace {

struct AlarmBit {
  std::size_t byte;  // 0 for P1, 1 for P2
  std::uint8_t mask;
  bool activeLow;
};

// Where each input sits, input 0 first. Input 3 is wired active low. Bits 3
// and 5 of P2 and bit 7 of P1 carry no input and stay clear.
constexpr std::array<AlarmBit, kAlarmInputCount> kAlarmBits{{
    {1, 0x02, false},
    {1, 0x04, false},
    {1, 0x80, false},
    {1, 0x10, true},
    {1, 0x01, false},
    {1, 0x40, false},
    {0, 0x01, false},
    {0, 0x02, false},
    {0, 0x04, false},
    {0, 0x08, false},
    {0, 0x10, false},
    {0, 0x20, false},
    {0, 0x40, false},
}};

}  // namespace

std::array<std::uint8_t, 2> alarmDataBytes(const AlarmInputs& inputs) {
  std::array<std::uint8_t, 2> bytes{};
  for (std::size_t i = 0; i < kAlarmBits.size(); ++i) {
    const AlarmBit& bit = kAlarmBits[i];
    if (inputs[i] != bit.activeLow) bytes[bit.byte] |= bit.mask;
  }
  return bytes;
}

}  // namespace solwire::sim
