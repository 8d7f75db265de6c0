#include "cli/duration_option.h"

#include <climits>

#include "cli/arguments.h"

namespace solwire::cli {

namespace {

std::optional<std::int64_t> secondsPerUnit(char unit) {
  switch (unit) {
    case 's': return 1;
    case 'm': return 60;
    case 'h': return 3600;
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<std::chrono::seconds> parseDuration(const std::string& text) {
  if (text.size() < 2) return std::nullopt;
  const auto unit = secondsPerUnit(text.back());
  const std::string digits = text.substr(0, text.size() - 1);
  // parseInteger would take a sign; a span is digits only.
  if (!unit || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  const auto count = parseInteger(digits, 1, INT_MAX);
  if (!count) return std::nullopt;
  return std::chrono::seconds(*count * *unit);
}

std::string durationText(std::chrono::seconds span) {
  const std::int64_t seconds = span.count();
  if (seconds != 0 && seconds % 3600 == 0) return std::to_string(seconds / 3600) + "h";
  if (seconds != 0 && seconds % 60 == 0) return std::to_string(seconds / 60) + "m";
  return std::to_string(seconds) + "s";
}

}  // namespace solwire::cli
