#include "cli/csv_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "store/durable_directory.h"

namespace solwire::cli {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, so that an error of the close is seen.
  int close() {
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 ? ::close(fd) : 0;
  }

 private:
  int fd_;
};

[[noreturn]] void fail(const std::filesystem::path& path, const char* what) {
  throw CsvLogError(path.string() + ": " + what + ": " + std::strerror(errno));
}

off_t sizeOf(int fd, const std::filesystem::path& path) {
  struct stat status {};
  if (fstat(fd, &status) != 0) fail(path, "cannot be examined");
  return status.st_size;
}

// What must go before a new row: the header in an empty file, a line end
// after a row a crash cut short.
std::string prefixFor(int fd, off_t size, const std::string& header, const std::filesystem::path& path) {
  if (size == 0) return header;
  char last = '\n';
  if (pread(fd, &last, 1, size - 1) != 1) fail(path, "cannot be read");
  return last == '\n' ? std::string() : std::string("\n");
}

void writeWhole(int fd, const std::string& bytes, const std::filesystem::path& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(path, "cannot be written");
    done += static_cast<std::size_t>(n);
  }
}


// Shortening a file needs no room on the disk; errno stays the write's.
void cutBackTo(int fd, off_t size) {
  const int writeError = errno;
  if (::ftruncate(fd, size) == 0) ::fsync(fd);
  errno = writeError;
}

}  // namespace

CsvLogFile::CsvLogFile(std::filesystem::path path, std::string header)
    : path_(std::move(path)), header_(std::move(header)) {}

// A row is all or nothing: one that could not be written whole (a full disk)
// is cut off again, so that no part of it reads as a sample.
void CsvLogFile::append(const std::string& row) {
  Descriptor file(::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (file.get() < 0) fail(path_, "cannot be opened");
  const off_t size = sizeOf(file.get(), path_);
  try {
    writeWhole(file.get(), prefixFor(file.get(), size, header_, path_) + row, path_);
    if (::fsync(file.get()) != 0) fail(path_, "cannot be flushed to disk");
  } catch (const CsvLogError&) {
    cutBackTo(file.get(), size);
    throw;
  }
  if (file.close() != 0) fail(path_, "cannot be closed");
  if (size == 0) flushDirectoryOf(path_);  // a new file
}

}  // namespace solwire::cli
