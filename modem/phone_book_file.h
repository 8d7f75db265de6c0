// The phone book file: one line per row, "position,name,number", each field
// written by the CSV quoting rule, lines ended by CR LF, no header line.
#pragma once

#include <filesystem>

#include "modem/csv_writer.h"
#include "modem/phone_book_rows.h"

namespace solwire {

// Reads the rows in file order (the caller sorts and renumbers). Fields past
// the third are ignored. Blank lines (empty or only spaces and tabs) at the
// end of the file are ignored. A file without records gives one empty row. Throws
// CsvFileError when the file cannot be read or a record has fewer than three
// fields ("List index out of bounds (N)", N the first missing field).
PhoneBookRows loadPhoneBook(const std::filesystem::path& path);

// The file's text for the rows.
std::string phoneBookText(const PhoneBookRows& rows);

// Replaces the file with the rows: a new file beside it renamed over it, so
// that a failed save leaves the old phone book whole. Throws CsvFileError.
void savePhoneBook(const std::filesystem::path& path, const PhoneBookRows& rows);

}  // namespace solwire
