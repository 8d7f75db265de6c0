#include "modem/csv_parser.h"

#include <cerrno>
#include <cstring>

#include "modem/csv_fields.h"
#include "modem/csv_writer.h"

namespace solwire {

void TCsvParser::Open(const std::filesystem::path& fileName) {
  Close();
  fileName_ = fileName;
  file_.open(fileName, std::ios::in | std::ios::binary);
  if (!file_.is_open()) throw CsvFileError(fileName, std::string("cannot open for reading: ") + std::strerror(errno));
  std::error_code error;
  if (std::filesystem::is_directory(fileName, error)) {
    file_.close();
    throw CsvFileError(fileName, "cannot read: is a directory");
  }
  open_ = true;
  atStart_ = true;
}

bool TCsvParser::Next() {
  Fields.clear();
  CurrentLine.clear();
  if (!open_) return false;
  std::string line;
  if (!std::getline(file_, line)) {
    if (file_.bad()) throw CsvFileError(fileName_, "cannot read");
    return false;
  }
  if (atStart_ && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  atStart_ = false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  CurrentLine = std::move(line);
  SplitLine(CurrentLine, Fields, separator_);
  return true;
}

void TCsvParser::Close() {
  if (open_) file_.close();
  open_ = false;
}

void TCsvParser::SplitLine(std::string_view line, std::vector<std::string>& fields, char separator) {
  fields = splitCsvLine(line, separator);
}

}  // namespace solwire
