#include "cli/arguments.h"

#include <charconv>

namespace solwire::cli {

std::optional<std::string> Arguments::option(const std::string& name) const {
  const auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

std::optional<int> parseInteger(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace solwire::cli
