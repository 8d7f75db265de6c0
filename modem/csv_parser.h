// Reads a comma-separated file record by record. Lines end with CR LF or LF;
// a UTF-8 byte order mark at the start of the file is skipped.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace solwire {

class TCsvParser {
 public:
  // Opens the file for reading; throws CsvFileError when it cannot.
  void Open(const std::filesystem::path& fileName);

  // Reads the next line into Fields; false at the end of the file. Throws
  // CsvFileError on a read error.
  bool Next();

  void Close();

  static void SplitLine(std::string_view line, std::vector<std::string>& fields, char separator);

  std::vector<std::string> Fields;
  // The line last read, without its line end (and, on the first line, the
  // byte order mark).
  std::string CurrentLine;

 private:
  std::ifstream file_;
  std::filesystem::path fileName_;
  bool open_ = false;
  bool atStart_ = true;
  char separator_ = ',';
};

}  // namespace solwire
