#include "sim/fault.h"

namespace solwire::sim {

namespace {

// 0x2_ becomes 0x3_, 0x6_ 0x7_, 0xA_ 0xB_, 0xE_ 0xF_: never another reply's tag.
void corruptFirstTag(std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > 1) bytes[1] ^= 0x10;
}

}  // namespace

std::optional<Reply> withFault(Reply reply, Fault fault, std::chrono::milliseconds lateBy) {
  switch (fault) {
    case Fault::None:
    case Fault::IgnoresWrites:
      break;
    case Fault::Silent:
      return std::nullopt;
    case Fault::ShortReply:
      if (!reply.bytes.empty()) reply.bytes.pop_back();
      break;
    case Fault::CorruptTag:
      corruptFirstTag(reply.bytes);
      break;
    case Fault::TrailingBytes:
      reply.bytes.insert(reply.bytes.end(), kTrailingByteCount, kTrailingByte);
      break;
    case Fault::LateReply:
      reply.delay = lateBy;
      break;
  }
  return reply;
}

}  // namespace solwire::sim
