#include "modem/csv_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "modem/csv_fields.h"

namespace solwire {

CsvFileError::CsvFileError(const std::filesystem::path& path, const std::string& reason)
    : std::runtime_error(path.string() + ": " + reason) {}

std::string T_objCSV::EndRecord() {
  if (static_cast<int>(pending_.size()) != fieldCount_) return {};
  std::string line;
  for (const std::string& field : pending_) line += QuoteField(field) + kCsvSeparator;
  if (!line.empty()) line.pop_back();
  kept_.push_back(line);
  pending_.clear();
  return line;
}

std::string T_objCSV::QuoteField(std::string_view text) { return quoteCsvField(text); }

std::string T_objCSV::Text() const {
  std::string text;
  for (const std::string& line : kept_) text += line + "\r\n";
  return text;
}

void T_objCSV::WriteFile() const {
  const int fd = ::open(fileName_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw CsvFileError(fileName_, std::string("cannot open for writing: ") + std::strerror(errno));
  const std::string text = Text();
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw CsvFileError(fileName_, std::string("cannot write: ") + std::strerror(error));
    }
    written += static_cast<std::size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const int syncError = errno;
  if (::close(fd) != 0 || !synced) {
    throw CsvFileError(fileName_, std::string("cannot flush: ") + std::strerror(synced ? errno : syncError));
  }
}

}  // namespace solwire
