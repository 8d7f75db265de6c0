#include "fleet/topic_prefix.h"

#include <cstdint>

namespace solwire::fleet {

namespace {

// The length of the UTF-8 sequence that starts with `lead`, 0 when it cannot start one.
std::size_t sequenceLength(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Overlong forms, surrogates and code points past U+10FFFF are what the
// second byte rules out.
bool secondByteFits(std::uint8_t lead, std::uint8_t second) {
  if (lead == 0xE0) return second >= 0xA0;
  if (lead == 0xED) return second <= 0x9F;
  if (lead == 0xF0) return second >= 0x90;
  if (lead == 0xF4) return second <= 0x8F;
  return true;
}

bool isValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    const std::size_t length = sequenceLength(lead);
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    if (length > 1 && !secondByteFits(lead, static_cast<std::uint8_t>(text[i + 1]))) return false;
    i += length;
  }
  return true;
}

bool hasControlCharacter(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> topicPrefixProblem(const std::string& prefix) {
  if (prefix.empty()) return "is empty";
  if (prefix.find_first_of("+#") != std::string::npos) return "\"" + prefix + "\" holds a wildcard (+ or #)";
  if (prefix.front() == '$') return "\"" + prefix + "\" starts with $, which names the broker's own topics";
  if (prefix.front() == '/' || prefix.back() == '/' || prefix.find("//") != std::string::npos)
    return "\"" + prefix + "\" has an empty topic level (a / at an end, or //)";
  if (!isValidUtf8(prefix) || hasControlCharacter(prefix))
    return "holds a control character or is not valid UTF-8";
  return std::nullopt;
}

}  // namespace solwire::fleet
