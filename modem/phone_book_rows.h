// The phone book's list: rows of position number, name and telephone number,
// always kept sorted by name (letter case ignored, blank names last) and
// numbered from 1. Pure functions over the rows; the window shows them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace solwire {

struct PhoneBookRow {
  std::string position;  // "1", "2", ... after renumbering
  std::string name;
  std::string number;
  bool operator==(const PhoneBookRow&) const = default;
};

using PhoneBookRows = std::vector<PhoneBookRow>;

// Orders two texts for the list: negative, zero or positive. The window
// passes the locale's case-insensitive collation; the default folds ASCII
// letters and compares the rest as bytes.
using TextCollation = std::function<int(std::string_view, std::string_view)>;
int foldedByteCollation(std::string_view left, std::string_view right);

// A name that is empty or only spaces and tabs.
bool isBlankName(std::string_view name);

// Named rows by name, ties by their old position number compared as text,
// then blank rows in their previous order; then every row numbered from 1.
void sortAndRenumber(PhoneBookRows& rows, const TextCollation& collation = foldedByteCollation);

// Appends an empty row, sorted last and numbered. Returns its index.
std::size_t addBlankRow(PhoneBookRows& rows, const TextCollation& collation = foldedByteCollation);

// Deletes the row: the only row is emptied instead (the list always has one
// row); then sorts and renumbers. An index past the end changes nothing.
void deleteRow(PhoneBookRows& rows, std::size_t index, const TextCollation& collation = foldedByteCollation);

// The digits of a number as typed, in order; "(1) 2-3" dials "123". Empty
// when the text holds no digit: not a number that can be dialled.
std::string dialledDigits(std::string_view text);

// The text of a cell on one line: each line break (CR LF, CR or LF) becomes
// one space. The file holds one row per line, so a cell cannot hold a break.
std::string withLineBreaksAsSpaces(std::string_view text);

// The list a new phone book starts with: seven empty, numbered rows.
PhoneBookRows newPhoneBookRows();

}  // namespace solwire
