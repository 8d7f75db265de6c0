// A start or end string of a data packet, prepared for matching: "?" matches
// any byte, a backslash makes the next character literal, and with IgnoreCase
// the ASCII letters a..z match their capitals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace solwire {

class PacketPattern {
 public:
  PacketPattern() = default;
  PacketPattern(std::string_view text, bool ignoreCase);

  // How many positions `text` prepares to (a backslash and the character it
  // escapes take one), without preparing it.
  static std::size_t preparedLength(std::string_view text);

  std::size_t size() const { return pattern_.size(); }
  bool empty() const { return pattern_.empty(); }
  // Whether position `index` accepts `byte`.
  bool matches(std::size_t index, std::uint8_t byte) const;
  // Whether the pattern matches the `size()` bytes at `bytes`.
  bool matchesAt(const std::uint8_t* bytes) const;

 private:
  std::string pattern_;
  std::string wildcard_;  // '1' where the pattern matches anything
  bool ignoreCase_ = false;
};

}  // namespace solwire
