#include "serial/packet_pattern.h"

namespace solwire {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

PacketPattern::PacketPattern(std::string_view text, bool ignoreCase) : ignoreCase_(ignoreCase) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool wildcard = false;
    if (c == '\\' && i + 1 < text.size()) {
      c = text[++i];
    } else if (c == '?') {
      wildcard = true;
    }
    pattern_.push_back(ignoreCase ? upper(c) : c);
    wildcard_.push_back(wildcard ? '1' : '0');
  }
}

std::size_t PacketPattern::preparedLength(std::string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++length) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
  }
  return length;
}

bool PacketPattern::matches(std::size_t index, std::uint8_t byte) const {
  if (wildcard_[index] == '1') return true;
  const char c = static_cast<char>(byte);
  return (ignoreCase_ ? upper(c) : c) == pattern_[index];
}

bool PacketPattern::matchesAt(const std::uint8_t* bytes) const {
  for (std::size_t i = 0; i < pattern_.size(); ++i) {
    if (!matches(i, bytes[i])) return false;
  }
  return true;
}

}  // namespace solwire
