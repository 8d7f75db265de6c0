#include "store/rich_text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "store/code_page.h"
#include "store/rtf_reader.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

std::string systemError(std::string_view what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

bool isValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    // A decoded U+FFFD is genuine only when it took its three bytes.
    if (nextUtf8(text, pos) == kReplacementCharacter && pos - start != 3) return false;
  }
  return true;
}

// Closes the descriptor and removes the temporary file unless released.
class TemporaryFile {
 public:
  TemporaryFile(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const fs::path& path() const { return path_; }
  int close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  void release() { path_.clear(); }

 private:
  int fd_;
  fs::path path_;
};

TemporaryFile createTemporaryBeside(const fs::path& path) {
  const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string stem = "." + path.filename().string() + "." + std::to_string(::getpid()) + ".";
  for (int attempt = 0;; ++attempt) {
    fs::path candidate = directory / (stem + std::to_string(attempt) + ".tmp");
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return TemporaryFile(fd, std::move(candidate));
    const int error = errno;
    if (error != EEXIST || attempt >= 99) {
      throw RichTextFileError(path, systemError("cannot create a temporary file in " + directory.string(), error));
    }
  }
}

}  // namespace

RichTextFileError::RichTextFileError(fs::path path, std::string reason)
    : std::runtime_error(path.string() + ": " + reason), path_(std::move(path)), reason_(std::move(reason)) {}

RichTextDocument readRichText(std::string_view bytes, const TextFormat& plainFormat) {
  if (looksLikeRtf(bytes)) return readRtf(bytes);
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  RichTextDocument document;
  if (isValidUtf8(bytes)) {
    document.appendRun(bytes, plainFormat);
  } else {
    CodePageDecoder decoder;
    document.appendRun(decoder.decode(bytes, 1252), plainFormat);
  }
  return document;
}

RichTextDocument loadRichTextFile(const fs::path& path, const TextFormat& plainFormat) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot open", error));
  }
  std::string bytes;
  int error = 0;
  std::string reason;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = errno;
    reason = "cannot examine";
  } else if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
    reason = "cannot read";
  } else {
    std::array<char, 65536> buffer{};
    for (;;) {
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        reason = "cannot read";
        break;
      }
      if (bytes.size() + static_cast<std::size_t>(n) > kMaxRichTextFileBytes) {
        ::close(fd);
        throw RichTextFileError(path, "file is larger than " + std::to_string(kMaxRichTextFileBytes) + " bytes");
      }
      bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  if (error != 0) throw RichTextFileError(path, systemError(reason, error));
  return readRichText(bytes, plainFormat);
}

void saveRichTextFile(const fs::path& path, const RichTextDocument& document, const RtfWriteOptions& options) {
  writeFileAtomically(path, writeRtf(document, options));
}

void writeFileAtomically(const fs::path& path, std::string_view contents) {
  if (!path.has_filename()) throw RichTextFileError(path, "not a file name");
  TemporaryFile temporary = createTemporaryBeside(path);

  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ::fchmod(temporary.fd(), existing.st_mode & 07777);
  }

  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    const ssize_t n = ::write(temporary.fd(), data, left);
    if (n < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      throw RichTextFileError(path, systemError("cannot write " + temporary.path().string(), error));
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(temporary.fd()) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot flush " + temporary.path().string(), error));
  }
  if (temporary.close() != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot close " + temporary.path().string(), error));
  }
  if (::rename(temporary.path().c_str(), path.c_str()) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot replace the file", error));
  }
  temporary.release();

  // Make the rename itself durable; a failure here leaves a complete file either way.
  const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace solwire
