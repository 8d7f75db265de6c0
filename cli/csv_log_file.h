// The logger's spreadsheet file, appended to one row at a time. Each row goes
// out in a single write on a descriptor opened for appending and is flushed
// to disk before the next sample: rewriting the whole file through a
// temporary copy would cost more with every sample of a log that grows for
// years, and an append can only ever add at the end, so a crash leaves the
// rows before it as they were. A row cut short by a crash is ended before the
// next one is added, so it cannot run into it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace solwire::cli {

class CsvLogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CsvLogFile {
 public:
  CsvLogFile(std::filesystem::path path, std::string header);

  // Adds `row` (one line ending in "\n") at the end, the header first when
  // the file is new or empty. Throws CsvLogError with the path and the
  // system's reason when the file cannot be opened, written or flushed.
  void append(const std::string& row);

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::string header_;
};

}  // namespace solwire::cli
