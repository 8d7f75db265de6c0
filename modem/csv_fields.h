// How one comma-separated record is split into fields and how one field is
// written so that it reads back the same. Pure functions of their input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace solwire {

inline constexpr char kCsvSeparator = ',';

// Splits one line (without its line end). An empty line has no fields; a
// field opened with a double quote and never closed, or a closing quote
// followed by anything but the separator, drops that field and everything
// after it on the line.
std::vector<std::string> splitCsvLine(std::string_view line, char separator = kCsvSeparator);

// A field as written in a record: quoted when it holds a space, a comma or a
// double quote (which is then written twice); a field that already begins and
// ends with a double quote is taken as quoted.
std::string quoteCsvField(std::string_view text);

}  // namespace solwire
