// Reading a rich-text file so that it can be shown while it is read: the
// file is examined and read, then its document is handed over a piece at a
// time, each piece the paragraphs read since the one before. The pieces
// together are the document loadRichTextFile gives. The caller may stop the
// reading between any two steps.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/rich_text_document.h"

namespace solwire {

// Why a file is not shown.
enum class FileShowProblem : std::uint8_t {
  None,
  Missing,
  Unreadable,   // the system refused it; the reason says why
  NotADataFile  // a folder, a device, a pipe, binary data
};

struct RichTextPiece {
  std::vector<Paragraph> paragraphs;
  // The document's face and tab spacing; a file gives them before its text,
  // so the first piece has them already.
  std::string fontName;
  int defaultTabTwips = RichTextDocument::kDefaultTabTwips;
  std::size_t bytesDone = 0;  // of bytesTotal, read into this and the pieces before it
  std::size_t bytesTotal = 0;
  bool last = false;
};

struct PieceReadOutcome {
  FileShowProblem problem = FileShowProblem::None;
  std::string reason;  // the system's words, for an unreadable file
};

struct PieceReadOptions {
  TextFormat plainFormat;  // for a plain text file
  // The first piece is small so that the start of the file shows at once.
  std::size_t firstPieceBytes = 16 * 1024;
  std::size_t pieceBytes = 256 * 1024;
};

// A problem, before any piece; or the pieces handed to `deliver` in order,
// the last one marked. Returns as soon as it sees `stop` set, handing over
// no more pieces.
PieceReadOutcome readRichTextFileInPieces(const std::filesystem::path& path, const PieceReadOptions& options,
                                          const std::atomic<bool>& stop,
                                          const std::function<void(RichTextPiece)>& deliver);

}  // namespace solwire
