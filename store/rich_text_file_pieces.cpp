#include "store/rich_text_file_pieces.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "store/in_place_append.h"
#include "store/rich_text_file.h"
#include "store/rtf_reader.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadChunkBytes = 1024 * 1024;
constexpr std::size_t kBinaryCheckBytes = 8000;
constexpr std::size_t kPlainPieceParagraphs = 2000;

PieceReadOutcome unreadable(std::string_view what, int error) {
  return {FileShowProblem::Unreadable, std::string(what) + ": " + std::strerror(error)};
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// The whole file into `bytes`, a chunk at a time, looking at `stop` between
// chunks. Only a regular file is read: a pipe or a device could wait forever
// or never end.
PieceReadOutcome readWholeFile(const fs::path& path, const std::atomic<bool>& stop, std::string& bytes) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return {FileShowProblem::Missing, {}};
  if (error) return {FileShowProblem::Unreadable, error.message()};
  if (!fs::is_regular_file(status)) return {FileShowProblem::NotADataFile, {}};

  // Without O_NONBLOCK, a FIFO put there since it was examined would hold up the open.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.fd() < 0) return unreadable("cannot open", errno);
  struct stat info {};
  if (::fstat(file.fd(), &info) != 0) return unreadable("cannot examine", errno);
  if (!S_ISREG(info.st_mode)) return {FileShowProblem::NotADataFile, {}};
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxRichTextFileBytes) {
    return {FileShowProblem::Unreadable, "file is larger than " + std::to_string(kMaxRichTextFileBytes) + " bytes"};
  }
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::string chunk(kReadChunkBytes, '\0');
  while (!stop.load(std::memory_order_relaxed)) {
    const ssize_t n = ::read(file.fd(), chunk.data(), chunk.size());
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return unreadable("cannot read", errno);
    if (bytes.size() + static_cast<std::size_t>(n) > kMaxRichTextFileBytes) {
      return {FileShowProblem::Unreadable, "file is larger than " + std::to_string(kMaxRichTextFileBytes) + " bytes"};
    }
    bytes.append(chunk.data(), static_cast<std::size_t>(n));
  }
  return {};
}

// Text holds no NUL bytes; an RTF file may, inside its binary data.
bool looksBinary(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, kBinaryCheckBytes);
  return !looksLikeRtf(head) && head.find('\0') != std::string_view::npos;
}

void deliverRtf(std::string_view rtf, const PieceReadOptions& options, const std::atomic<bool>& stop,
                const std::function<void(RichTextPiece)>& deliver) {
  RtfPieceReader reader(rtf);
  std::size_t pieceBytes = options.firstPieceBytes;
  while (!reader.atEnd() && !stop.load(std::memory_order_relaxed)) {
    RichTextPiece piece;
    piece.paragraphs = reader.readPiece(pieceBytes);
    piece.fontName = reader.fontName();
    piece.defaultTabTwips = reader.defaultTabTwips();
    piece.bytesDone = reader.bytesRead();
    piece.bytesTotal = reader.inputSize();
    piece.last = reader.atEnd();
    deliver(std::move(piece));
    pieceBytes = options.pieceBytes;
  }
}

// Plain text is read whole (the code page depends on all of it) and handed
// over in pieces all the same.
void deliverPlainText(std::string_view text, const PieceReadOptions& options, const std::atomic<bool>& stop,
                      const std::function<void(RichTextPiece)>& deliver) {
  RichTextDocument document = readRichText(text, options.plainFormat);
  std::vector<Paragraph> paragraphs = document.takeAllParagraphs();
  std::size_t start = 0;
  while (!stop.load(std::memory_order_relaxed)) {
    const std::size_t end = std::min(paragraphs.size(), start + kPlainPieceParagraphs);
    RichTextPiece piece;
    piece.paragraphs.assign(std::make_move_iterator(paragraphs.begin() + static_cast<std::ptrdiff_t>(start)),
                            std::make_move_iterator(paragraphs.begin() + static_cast<std::ptrdiff_t>(end)));
    piece.fontName = document.fontName();
    piece.defaultTabTwips = document.defaultTabTwips();
    piece.bytesTotal = text.size();
    piece.bytesDone = text.size() * end / paragraphs.size();
    piece.last = end == paragraphs.size();
    deliver(std::move(piece));
    if (end == paragraphs.size()) return;
    start = end;
  }
}

}  // namespace

PieceReadOutcome readRichTextFileInPieces(const fs::path& path, const PieceReadOptions& options,
                                          const std::atomic<bool>& stop,
                                          const std::function<void(RichTextPiece)>& deliver) {
  std::string bytes;
  if (PieceReadOutcome outcome = readWholeFile(path, stop, bytes); outcome.problem != FileShowProblem::None) {
    return outcome;
  }
  if (stop.load(std::memory_order_relaxed)) return {};
  if (looksBinary(bytes)) return {FileShowProblem::NotADataFile, {}};
  if (!looksLikeRtf(bytes)) {
    deliverPlainText(bytes, options, stop, deliver);
    return {};
  }
  // As loading does: an append cut short shows as its repair would leave the file.
  if (std::optional<std::string> repaired = repairedOwnFile(bytes)) bytes = std::move(*repaired);
  deliverRtf(bytes, options, stop, deliver);
  return {};
}

}  // namespace solwire
