#include "store/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>

#include "store/append_check.h"
#include "store/rtf_splice.h"
#include "store/write_target.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

std::uintmax_t systemFreeBytes(const fs::path& path) {
  const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code error;
  const fs::space_info info = fs::space(directory, error);
  if (error) throw RichTextFileError(path, "cannot find the free space: " + error.message());
  return info.available;
}

[[noreturn]] void throwSystemError(const fs::path& path, std::string_view what, int error) {
  throw RichTextFileError(path, std::string(what) + ": " + std::strerror(error));
}

// Closes the descriptor at the end of the scope.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() { ::close(fd_); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// The whole file, refused before reading when it is not a regular file or is
// larger than kMaxRichTextFileBytes.
std::string readExistingFile(const fs::path& path) {
  // Without O_NONBLOCK, a FIFO put there since it was examined would hold up the open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwSystemError(path, "cannot open", errno);
  const OpenFile file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) throwSystemError(path, "cannot examine", errno);
  if (S_ISDIR(info.st_mode)) throw RichTextFileError(path, "is a folder, not a file");
  if (!S_ISREG(info.st_mode)) throw RichTextFileError(path, "not a regular file: " + describeFileType(info.st_mode));
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > kMaxRichTextFileBytes) {
    throw RichTextFileError(path, "is larger than " + std::to_string(kMaxRichTextFileBytes) +
                                      " bytes: too large to add to; start a new file");
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throwSystemError(path, "cannot read", errno);
    if (n == 0) break;  // the file shrank meanwhile
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

void appendToExistingFile(const fs::path& path, const RichTextDocument& addition, const AppendOptions& options) {
  const std::string bytes = readExistingFile(path);
  if (const std::optional<std::string> spliced = spliceIntoOwnRtf(bytes, addition, options.rtf)) {
    writeFileAtomically(path, *spliced);
    return;
  }
  if (const std::optional<std::string> why = whyNotExtensible(bytes)) {
    throw RichTextFileError(path, "not a document Solwire can add to: " + *why);
  }
  RichTextDocument document = readRichText(bytes);
  document.append(addition);
  saveRichTextFile(path, document, options.rtf);
}

}  // namespace

AppendOutcome appendToRichTextFile(const fs::path& path, const RichTextDocument& addition,
                                   const AppendOptions& options) {
  const WriteTarget target = examineWriteTarget(path);
  refuseUnreadableTarget(path, target);
  if (target.kind != WriteTargetKind::Missing) {
    appendToExistingFile(path, addition, options);
    return AppendOutcome::Appended;
  }

  const std::uintmax_t free = options.freeBytes ? options.freeBytes(path) : systemFreeBytes(path);
  if (free <= kMinFreeBytesForNewFile) return AppendOutcome::NoRoomForNewFile;
  RichTextDocument document;
  document.setFontName(options.fontName);
  document.append(addition);
  saveRichTextFile(path, document, options.rtf);
  return AppendOutcome::Created;
}

}  // namespace solwire
