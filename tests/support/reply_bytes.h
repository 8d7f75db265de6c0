// Builds replies by hand for tests: a header byte followed by each data byte
// as two tagged nibbles, high nibble first.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace solwire::test {

inline std::vector<std::uint8_t> tagged(std::uint8_t header, std::uint8_t tag,
                                        const std::vector<int>& dataBytes) {
  std::vector<std::uint8_t> reply{header};
  for (int b : dataBytes) {
    reply.push_back(static_cast<std::uint8_t>(tag | ((b >> 4) & 0x0F)));
    reply.push_back(static_cast<std::uint8_t>(tag | (b & 0x0F)));
  }
  return reply;
}

inline std::vector<std::uint8_t> currentStateReply(int typeCode, const std::vector<int>& p) {
  return tagged(static_cast<std::uint8_t>(typeCode), 0x20, p);
}
inline std::vector<std::uint8_t> memoryReply(const std::vector<int>& p) { return tagged(0x50, 0x60, p); }
inline std::vector<std::uint8_t> historyReply(const std::vector<int>& p) { return tagged(0x90, 0xA0, p); }
inline std::vector<std::uint8_t> alarmReply(int p1, int p2) { return tagged(0xD0, 0xE0, {p1, p2}); }

}  // namespace solwire::test
