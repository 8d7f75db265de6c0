#include "store/report_fields.h"

#include "protocol/value_format.h"

namespace solwire {

namespace {

std::string padToWidth(std::string text, std::size_t width) {
  if (text.size() >= width) return text;
  return std::string(2 * (width - text.size()), ' ') + text;
}

}  // namespace

std::string reportDecimal(double value) { return padToWidth(oneDecimal(value), 5); }

std::string reportInteger(std::int32_t value, int width) {
  return padToWidth(std::to_string(value), width > 0 ? static_cast<std::size_t>(width) : 0);
}

}  // namespace solwire
