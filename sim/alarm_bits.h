// How a regulator packs its 13 alarm inputs into the two data bytes of an
// alarm reply.
#pragma once

#include <array>
#include <cstdint>

#include "sim/regulator_records.h"

namespace solwire::sim {

// P1 and P2 of the alarm reply.
std::array<std::uint8_t, 2> alarmDataBytes(const AlarmInputs& inputs);

}  // namespace solwire::sim
