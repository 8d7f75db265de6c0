// Builds comma-separated records field by field and appends them to a file.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace solwire {

// A CSV file that could not be opened, read or written. what() is "<path>: <reason>".
class CsvFileError : public std::runtime_error {
 public:
  CsvFileError(const std::filesystem::path& path, const std::string& reason);
};

class T_objCSV {
 public:
  void SetFieldCount(int count) { fieldCount_ = count; }
  void setFileName(std::filesystem::path fileName) { fileName_ = std::move(fileName); }

  void AddField(std::string_view text) { pending_.emplace_back(text); }

  // Ends the record: its line, also kept for WriteFile, or "" when the record
  // does not have the field count (the pending fields then stay).
  std::string EndRecord();

  static std::string QuoteField(std::string_view text);

  // The kept lines, each ended by CR LF: what WriteFile appends.
  std::string Text() const;

  // Appends the kept lines to the file (created when missing) and flushes it.
  // The kept lines stay. Throws CsvFileError.
  void WriteFile() const;

  const std::vector<std::string>& keptLines() const { return kept_; }

 private:
  int fieldCount_ = 0;
  std::vector<std::string> pending_;
  std::vector<std::string> kept_;
  std::filesystem::path fileName_;
};

}  // namespace solwire
