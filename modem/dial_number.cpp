#include "modem/dial_number.h"

namespace solwire {

namespace {

bool isDialCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == ',' || c == 'W' || c == 'P' || c == '@' || c == '!';
}

}  // namespace

std::optional<std::string> dialString(std::string_view number) {
  std::string dialled;
  for (const char c : number) {
    if (c == ' ' || c == '-' || c == '(' || c == ')' || c == '.') continue;  // how people write numbers
    const char upper = (c == 'w' || c == 'p') ? static_cast<char>(c - 'a' + 'A') : c;
    if (!isDialCharacter(upper)) return std::nullopt;
    dialled += upper;
  }
  if (dialled.empty()) return std::nullopt;
  return dialled;
}

}  // namespace solwire
