#include "views/phone_book_rules.h"

#include <algorithm>

namespace solwire {

PhoneBookColumns phoneBookColumnsFor(int windowWidth) {
  const int width = std::max(windowWidth, kPhoneBookMinimumWidth);
  PhoneBookColumns columns;
  columns.number = std::min((width - 30) / 2, 150);
  columns.name = width - columns.number - 62;
  return columns;
}

std::string phoneBookCaption(std::string_view fileName) { return std::string(kPhoneBookTitle) + " " + std::string(fileName); }

}  // namespace solwire
