#include "modem/phone_book_rows.h"

#include <algorithm>

namespace solwire {

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The name first, then the rest of the row, so that equal names keep the
// order of their old position numbers (compared as text).
int compareNamedRows(const PhoneBookRow& left, const PhoneBookRow& right, const TextCollation& collation) {
  if (const int byName = collation(left.name, right.name); byName != 0) return byName;
  if (const int byPosition = collation(left.position, right.position); byPosition != 0) return byPosition;
  return collation(left.number, right.number);
}

void renumber(PhoneBookRows& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].position = std::to_string(i + 1);
}

}  // namespace

int foldedByteCollation(std::string_view left, std::string_view right) {
  const std::size_t common = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto a = static_cast<unsigned char>(foldAscii(left[i]));
    const auto b = static_cast<unsigned char>(foldAscii(right[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  if (left.size() == right.size()) return 0;
  return left.size() < right.size() ? -1 : 1;
}

bool isBlankName(std::string_view name) { return name.find_first_not_of(" \t") == std::string_view::npos; }

void sortAndRenumber(PhoneBookRows& rows, const TextCollation& collation) {
  const auto firstBlank =
      std::stable_partition(rows.begin(), rows.end(), [](const PhoneBookRow& row) { return !isBlankName(row.name); });
  std::stable_sort(rows.begin(), firstBlank, [&collation](const PhoneBookRow& left, const PhoneBookRow& right) {
    return compareNamedRows(left, right, collation) < 0;
  });
  renumber(rows);
}

std::size_t addBlankRow(PhoneBookRows& rows, const TextCollation& collation) {
  rows.push_back({});
  sortAndRenumber(rows, collation);
  return rows.size() - 1;
}

void deleteRow(PhoneBookRows& rows, std::size_t index, const TextCollation& collation) {
  if (index >= rows.size()) return;
  if (rows.size() == 1) {
    rows.front().name.clear();
    rows.front().number.clear();
  } else {
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(index));
  }
  sortAndRenumber(rows, collation);
}

std::string dialledDigits(std::string_view text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  return digits;
}

std::string withLineBreaksAsSpaces(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // the LF stands for both
    line += (c == '\r' || c == '\n') ? ' ' : c;
  }
  return line;
}

PhoneBookRows newPhoneBookRows() {
  PhoneBookRows rows(7);
  renumber(rows);
  return rows;
}

}  // namespace solwire
