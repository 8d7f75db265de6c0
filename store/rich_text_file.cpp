#include "store/rich_text_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "store/code_page.h"
#include "store/durable_directory.h"
#include "store/in_place_append.h"
#include "store/rtf_reader.h"
#include "store/write_target.h"

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

// Closes the descriptor at the end of the scope.
class OpenDescriptor {
 public:
  explicit OpenDescriptor(int fd) : fd_(fd) {}
  ~OpenDescriptor() { ::close(fd_); }
  OpenDescriptor(const OpenDescriptor&) = delete;
  OpenDescriptor& operator=(const OpenDescriptor&) = delete;

 private:
  int fd_;
};

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

fs::path directoryOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

// A temporary file for `path` is named ".NAME.PID.N.tmp".
std::string temporaryPrefix(const fs::path& path) { return "." + path.filename().string() + "."; }

// The process id in a temporary file's name for `path`; none when the name is
// not one of ours for that file.
std::optional<pid_t> temporaryOwner(const std::string& name, const fs::path& path) {
  const std::string prefix = temporaryPrefix(path);
  constexpr std::string_view kSuffix = ".tmp";
  if (!name.starts_with(prefix) || !name.ends_with(kSuffix)) return std::nullopt;
  const std::string_view middle =
      std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
  const std::size_t dot = middle.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view pid = middle.substr(0, dot);
  const std::string_view attempt = middle.substr(dot + 1);
  const auto allDigits = [](std::string_view digits) {
    return !digits.empty() && digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!allDigits(pid) || !allDigits(attempt) || pid.front() == '0') return std::nullopt;
  return static_cast<pid_t>(std::stol(std::string(pid)));
}

// Removes the temporary files that appends to `path` killed part way left
// behind: ours by their name, and of a process that no longer exists.
void removeAbandonedTemporaries(const fs::path& path) {
  std::error_code error;
  for (fs::directory_iterator it(directoryOf(path), error), end; !error && it != end; it.increment(error)) {
    const std::optional<pid_t> owner = temporaryOwner(it->path().filename().string(), path);
    if (owner && ::kill(*owner, 0) == -1 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

TemporaryFile createTemporaryBeside(const fs::path& path) {
  const fs::path directory = directoryOf(path);
  const std::string stem = temporaryPrefix(path) + std::to_string(::getpid()) + ".";
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

void writeAll(const fs::path& path, int fd, std::string_view contents, std::string_view what) {
  while (!contents.empty()) {
    const ssize_t n = ::write(fd, contents.data(), contents.size());
    if (n < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      throw RichTextFileError(path, systemError(what, error));
    }
    contents.remove_prefix(static_cast<std::size_t>(n));
  }
}


// Writes `contents` to a new file beside `target` and renames it over it.
// Errors name `path`, the name the caller gave.
void replaceByRename(const fs::path& path, const fs::path& target, std::string_view contents) {
  TemporaryFile temporary = createTemporaryBeside(target);
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ::fchmod(temporary.fd(), existing.st_mode & 07777);
  }
  writeAll(path, temporary.fd(), contents, "cannot write " + temporary.path().string());
  if (::fsync(temporary.fd()) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot flush " + temporary.path().string(), error));
  }
  if (temporary.close() != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot close " + temporary.path().string(), error));
  }
  if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot replace the file", error));
  }
  temporary.release();
  flushDirectoryOf(target);
}

// Rewrites the regular file `target` in place, for a file with several
// names. The room for a longer file is taken before anything is written, so
// that a full disk leaves the old contents.
void writeInPlace(const fs::path& path, const fs::path& target, std::string_view contents) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot open", error));
  }
  const OpenDescriptor file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot examine", error));
  }
  if (!S_ISREG(info.st_mode)) throw RichTextFileError(path, "not a regular file: " + describeFileType(info.st_mode));
  const auto oldSize = static_cast<off_t>(info.st_size);
  const auto newSize = static_cast<off_t>(contents.size());
  if (newSize > oldSize) {
    if (const int error = ::posix_fallocate(fd, oldSize, newSize - oldSize)) {
      // Room taken in part is given back; the old contents are untouched either way.
      const bool restored = ::ftruncate(fd, oldSize) == 0;
      throw RichTextFileError(path, systemError("cannot write", error) + (restored ? "" : " (the file is longer now)"));
    }
  }
  writeAll(path, fd, contents, "cannot write");
  if (newSize < oldSize && ::ftruncate(fd, newSize) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot shorten the file", error));
  }
  if (::fsync(fd) != 0) {
    const int error = errno;
    throw RichTextFileError(path, systemError("cannot flush", error));
  }
}

}  // namespace

RichTextFileError::RichTextFileError(fs::path path, std::string reason)
    : std::runtime_error(path.string() + ": " + reason), path_(std::move(path)), reason_(std::move(reason)) {}

RichTextDocument readRichText(std::string_view bytes, const TextFormat& plainFormat) {
  if (looksLikeRtf(bytes)) {
    if (const std::optional<std::string> repaired = repairedOwnFile(bytes)) return readRtf(*repaired);
    return readRtf(bytes);
  }
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
  const WriteTarget target = examineWriteTarget(path);
  refuseUnwritableTarget(path, target);
  removeAbandonedTemporaries(target.path);
  // Renaming a new file over one of several names would part it from the others.
  if (target.kind == WriteTargetKind::Regular && target.hardLinks > 1) {
    writeInPlace(path, target.path, contents);
  } else {
    replaceByRename(path, target.path, contents);
  }
}

}  // namespace solwire
