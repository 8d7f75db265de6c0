#include "store/report_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>

#include "store/append_check.h"
#include "store/file_lock.h"
#include "store/in_place_append.h"
#include "store/own_rtf_body.h"
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

// The whole of the open file, refused before reading when it is larger than
// kMaxRichTextFileBytes.
std::string readWholeFile(const fs::path& path, int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) throwSystemError(path, "cannot examine", errno);
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > kMaxRichTextFileBytes) {
    throw RichTextFileError(path, "is larger than " + std::to_string(kMaxRichTextFileBytes) +
                                      " bytes: too large to add to; start a new file");
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throwSystemError(path, "cannot read", errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

// Loads the document, adds to it and writes it back: for another program's
// file (refused when that would lose what it holds), a file of ours whose
// tables grow, and an addition that continues the last paragraph.
void rewriteWithAddition(const fs::path& path, int fd, const RichTextDocument& addition,
                         const AppendOptions& options) {
  const std::string bytes = readWholeFile(path, fd);
  if (const std::optional<std::string> spliced = spliceIntoOwnRtf(bytes, addition, options.rtf)) {
    writeFileAtomically(path, *spliced);
    return;
  }
  if (const std::optional<std::string> why = whyNotExtensible(bytes)) {
    throw RichTextFileError(path, "not a document Solwire can add to: " + *why);
  }
  RichTextDocument document = readRichText(bytes);
  document.append(addition);
  writeFileAtomically(path, withEntryEnd(writeRtf(document, options.rtf)));
}

// Writes the new document over the empty file this append created; on
// failure the empty file is removed again when it is still the one created.
void writeNewFile(const fs::path& path, const fs::path& target, const LockedFile& file,
                  const RichTextDocument& addition, const AppendOptions& options) {
  RichTextDocument document;
  document.setFontName(options.fontName);
  document.append(addition);
  try {
    writeFileAtomically(path, withEntryEnd(writeRtf(document, options.rtf)));
  } catch (const RichTextFileError&) {
    struct stat open {};
    struct stat named {};
    if (file.created() && ::fstat(file.fd(), &open) == 0 && ::stat(target.c_str(), &named) == 0 &&
        open.st_ino == named.st_ino && open.st_dev == named.st_dev && named.st_size == 0) {
      ::unlink(target.c_str());
    }
    throw;
  }
}

}  // namespace

AppendOutcome appendToRichTextFile(const fs::path& path, const RichTextDocument& addition,
                                   const AppendOptions& options) {
  const WriteTarget target = examineWriteTarget(path);
  refuseUnreadableTarget(path, target);
  if (target.kind == WriteTargetKind::ReadOnly) {
    // A file that may not be read either is reported as such.
    if (::access(target.path.c_str(), R_OK) != 0) throwSystemError(path, "cannot open", errno);
    refuseUnwritableTarget(path, target);
  }
  const bool missing = target.kind == WriteTargetKind::Missing;
  if (missing) {
    const std::uintmax_t free = options.freeBytes ? options.freeBytes(path) : systemFreeBytes(path);
    if (free <= kMinFreeBytesForNewFile) return AppendOutcome::NoRoomForNewFile;
  }
  const LockedFile file(path, target.path, missing, options.lockWait);
  if (file.created()) {
    writeNewFile(path, target.path, file, addition, options);
    return AppendOutcome::Created;
  }
  repairTornOwnFile(path, file.fd());
  if (!appendInPlace(path, file.fd(), addition, options.rtf)) rewriteWithAddition(path, file.fd(), addition, options);
  return AppendOutcome::Appended;
}

}  // namespace solwire
