#include "sim/tagged_nibbles.h"

namespace solwire::sim {

namespace {

std::uint8_t tagged(std::uint8_t tag, unsigned nibble) {
  return static_cast<std::uint8_t>((tag << 4) | (nibble & 0x0F));
}

}  // namespace

std::vector<std::uint8_t> tagNibbles(std::uint8_t header, std::uint8_t tag,
                                     std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> reply;
  reply.reserve(1 + 2 * data.size());
  reply.push_back(header);
  for (const std::uint8_t byte : data) {
    reply.push_back(tagged(tag, byte >> 4));
    reply.push_back(tagged(tag, byte));
  }
  return reply;
}

}  // namespace solwire::sim
