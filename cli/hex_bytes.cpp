#include "cli/hex_bytes.h"

#include <cctype>
#include <cstdio>

namespace solwire::cli {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::vector<std::string>& words) {
  std::string digits;
  for (const auto& word : words)
    for (const char c : word)
      if (!std::isspace(static_cast<unsigned char>(c))) digits.push_back(c);
  if (digits.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hexDigit(digits[i]);
    const int low = hexDigit(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::string formatHexBytes(std::string_view bytes) {
  std::string out;
  for (const char b : bytes) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(static_cast<unsigned char>(b)));
    if (!out.empty()) out += ' ';
    out += text;
  }
  return out;
}

}  // namespace solwire::cli
