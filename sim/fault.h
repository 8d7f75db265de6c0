// Faults a simulated regulator can be told to show, so that tests can drive
// the host through every way a reply goes wrong.
#pragma once

#include <chrono>
#include <optional>

#include "sim/reply.h"

namespace solwire::sim {

enum class Fault {
  None,
  Silent,         // no reply at all
  ShortReply,     // the last byte of the reply is missing
  CorruptTag,     // byte 1 carries the wrong tag (its high nibble flipped by one)
  TrailingBytes,  // extra bytes follow the reply
  LateReply,      // the reply comes after the given delay instead of the usual turnaround
  IgnoresWrites,  // answers as usual but keeps its memory as it is when written to
};

// The bytes a TrailingBytes fault adds after the reply.
inline constexpr std::uint8_t kTrailingByte = 0x0F;
inline constexpr int kTrailingByteCount = 2;

// The reply as a regulator with `fault` sends it; nullopt when it stays silent.
std::optional<Reply> withFault(Reply reply, Fault fault, std::chrono::milliseconds lateBy);

}  // namespace solwire::sim
