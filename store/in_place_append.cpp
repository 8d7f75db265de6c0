#include "store/in_place_append.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "store/own_rtf_body.h"
#include "store/own_rtf_header.h"
#include "store/rich_text_file.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

// Enough for the tables of any file this program writes.
constexpr std::size_t kHeaderWindowBytes = 64 * 1024;

[[noreturn]] void fail(const fs::path& path, std::string_view what, int error) {
  throw RichTextFileError(path, std::string(what) + ": " + std::strerror(error));
}

off_t sizeOf(const fs::path& path, int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) fail(path, "cannot examine", errno);
  return info.st_size;
}

std::string readAt(const fs::path& path, int fd, off_t offset, std::size_t length) {
  std::string bytes(length, '\0');
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, bytes.data() + done, length - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(path, "cannot read", errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

// Writes all of `bytes` at `offset`; `written` says how many reached the file
// when it throws.
void writeAt(const fs::path& path, int fd, std::string_view bytes, off_t offset, std::size_t& written) {
  written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::pwrite(fd, bytes.data() + written, bytes.size() - written, offset + static_cast<off_t>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(path, "cannot write", errno);
    written += static_cast<std::size_t>(n);
  }
}

void flush(const fs::path& path, int fd) {
  if (::fdatasync(fd) != 0) fail(path, "cannot flush", errno);
}

// The header and the last bytes of a file this program wrote.
struct OwnFileEnd {
  OwnRtfHeader header;
  off_t size = 0;
  off_t tailStart = 0;  // where `tail` starts in the file, never inside the header
  std::string tail;
};

std::optional<OwnFileEnd> readOwnFileEnd(const fs::path& path, int fd) {
  const off_t size = sizeOf(path, fd);
  const std::string head = readAt(path, fd, 0, static_cast<std::size_t>(std::min<off_t>(size, kHeaderWindowBytes)));
  std::optional<OwnRtfHeader> header = readOwnRtfHeader(head);
  if (!header || static_cast<off_t>(header->size) > size) return std::nullopt;
  OwnFileEnd end{*header, size, 0, {}};
  end.tailStart = std::max(static_cast<off_t>(header->size), size - static_cast<off_t>(kEntryWindowBytes));
  end.tail = readAt(path, fd, end.tailStart, static_cast<std::size_t>(size - end.tailStart));
  return end;
}

// The first closing brace of `tail` that is not escaped. A body holds none,
// so one before the end is the old end of a document whose append stopped
// after its first step.
std::optional<std::size_t> firstClosingBrace(std::string_view tail) {
  for (std::size_t pos = tail.find('}'); pos != std::string_view::npos; pos = tail.find('}', pos + 1)) {
    std::size_t backslashes = 0;
    while (pos > backslashes && tail[pos - backslashes - 1] == '\\') ++backslashes;
    if (backslashes % 2 == 0) return pos;
  }
  return std::nullopt;
}

// Cuts the file at `length` and writes `ending` there.
void endFileAt(const fs::path& path, int fd, off_t length, std::string_view ending) {
  if (::ftruncate(fd, length) != 0) fail(path, "cannot repair the end of the file", errno);
  std::size_t written = 0;
  writeAt(path, fd, ending, length, written);
  flush(path, fd);
}

// How every body writeRtfBody writes begins.
constexpr std::string_view kBodyStart = "\\pard\\plain\\dbch\\af1\\loch";

// Whether `text` is what an append writes from the `skipped`th byte of its
// body on, as far as it goes: bytes that stop short of it count.
bool beginsLikeABody(std::string_view text, std::size_t skipped) {
  const std::string_view expected = kBodyStart.substr(skipped);
  return text.substr(0, expected.size()) == expected.substr(0, std::min(text.size(), expected.size()));
}

}  // namespace

TailRepair planTailRepair(std::string_view tail) {
  const std::optional<std::size_t> closing = closingBrace(tail);
  const std::optional<std::size_t> first = firstClosingBrace(tail);
  if (first && first != closing && endsWithEntryEnd(tail.substr(0, *first)) &&
      beginsLikeABody(tail.substr(*first + 1), 1)) {
    // The old document is whole up to its brace; what follows was never joined to it.
    return {TailRepair::Kind::CutAfterOldEnd, *first + 1, "\n"};
  }
  if (closing || first) return {};
  const std::optional<std::size_t> whole = lastEntryEnd(tail, tail.size());
  if (!whole || !beginsLikeABody(tail.substr(*whole), 0)) return {};
  return {TailRepair::Kind::CutTornEntry, *whole, kRtfTrailer};
}

std::optional<std::string> repairedOwnFile(std::string_view file) {
  const std::optional<OwnRtfHeader> header = readOwnRtfHeader(file);
  if (!header) return std::nullopt;
  const TailRepair repair = planTailRepair(file.substr(header->size));
  if (repair.kind == TailRepair::Kind::None) return std::nullopt;
  std::string repaired(file.substr(0, header->size + repair.keep));
  repaired += repair.ending;
  return repaired;
}

void repairTornOwnFile(const fs::path& path, int fd) {
  const std::optional<OwnFileEnd> end = readOwnFileEnd(path, fd);
  if (!end) return;
  const TailRepair repair = planTailRepair(end->tail);
  switch (repair.kind) {
    case TailRepair::Kind::None: return;
    case TailRepair::Kind::CutAfterOldEnd:
    case TailRepair::Kind::CutTornEntry:
      endFileAt(path, fd, end->tailStart + static_cast<off_t>(repair.keep), repair.ending);
      return;
  }
}

bool appendInPlace(const fs::path& path, int fd, const RichTextDocument& addition, const RtfWriteOptions& options) {
  // The addition's first paragraph would continue the file's last one.
  if (!addition.paragraphs().front().empty()) return false;
  const std::optional<OwnFileEnd> end = readOwnFileEnd(path, fd);
  if (!end || end->header.tables.cjkFontName != fontTableName(options.cjkFontName)) return false;
  const std::string_view tail = end->tail;
  const std::optional<std::size_t> brace = closingBrace(tail);
  // A file written before entries were marked is rewritten whole once.
  if (!brace || !endsWithEntryEnd(tail.substr(0, *brace))) return false;
  const std::optional<std::size_t> lastEntryStart = lastEntryEnd(tail, *brace - kEntryEnd.size());
  if (!lastEntryStart && end->tailStart != static_cast<off_t>(end->header.size)) return false;
  const std::size_t entryStart = lastEntryStart.value_or(0);
  if (!isOwnRtfBody(tail.substr(entryStart, *brace - entryStart), end->header.tables)) return false;

  const std::span<const Paragraph> added = std::span(addition.paragraphs()).subspan(1);
  RtfTables tables = end->header.tables;
  tables.addFacesAndColoursOf(added);
  if (tables != end->header.tables) return false;
  std::string newEnd = writeRtfBody(added, tables);
  if (newEnd.size() > kEntryWindowBytes / 2) return false;
  newEnd += '\n';
  newEnd += kRtfTrailer;

  const off_t braceAt = end->tailStart + static_cast<off_t>(*brace);
  const std::string_view oldEnd = tail.substr(*brace);
  const auto restore = [&](std::size_t written) {
    if (written == 0) return;
    if (::ftruncate(fd, end->size) == 0) {
      std::size_t rewritten = 0;
      try {
        writeAt(path, fd, oldEnd.substr(1), braceAt + 1, rewritten);
        writeAt(path, fd, oldEnd.substr(0, 1), braceAt, rewritten);
      } catch (const RichTextFileError&) {
        // The write's own error is the one to report.
      }
    }
  };
  std::size_t written = 0;
  try {
    writeAt(path, fd, std::string_view(newEnd).substr(1), braceAt + 1, written);
    const off_t newSize = braceAt + static_cast<off_t>(newEnd.size());
    if (newSize < end->size && ::ftruncate(fd, newSize) != 0) fail(path, "cannot write", errno);
    flush(path, fd);
  } catch (const RichTextFileError&) {
    restore(written);
    throw;
  }
  try {
    writeAt(path, fd, std::string_view(newEnd).substr(0, 1), braceAt, written);
  } catch (const RichTextFileError&) {
    restore(1);
    throw;
  }
  flush(path, fd);
  return true;
}

}  // namespace solwire
