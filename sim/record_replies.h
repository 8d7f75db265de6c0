// The reply of every read request, built from the regulator's records.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/regulator_records.h"

namespace solwire::sim {

// 27 bytes: the type code, then P1..P13, 16-bit readings high byte first.
std::vector<std::uint8_t> currentStateReply(int typeCode, const CurrentState& state);
// 33 bytes: 0x50, then memory addresses 16..31 as P1..P16.
std::vector<std::uint8_t> settingsReply(const Memory& memory);
// 33 bytes: 0x50, then memory addresses 0..15 as P1..P16.
std::vector<std::uint8_t> calibrationReply(const Memory& memory);
// 49 bytes: 0x90, then days 4(block-1) .. 4(block-1)+3 as six data bytes each,
// the two amp-hour counts low byte first. `block` is 1..8.
std::vector<std::uint8_t> historyBlockReply(const History& history, int block);
// 5 bytes: 0xD0, then the alarm inputs as P1 and P2.
std::vector<std::uint8_t> alarmReply(const AlarmInputs& inputs);

}  // namespace solwire::sim
