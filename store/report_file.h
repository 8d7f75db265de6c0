// Adding a report or a log entry at the end of a rich-text file: the file is
// either the old document or the old document with the addition, never half
// written, and a new file is created only when the disk has room for it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "store/file_lock.h"
#include "store/rich_text_document.h"
#include "store/rich_text_file.h"
#include "store/rtf_writer.h"

namespace solwire {

enum class AppendOutcome {
  Appended,        // the file existed; the addition is at its end
  Created,         // the file is new and holds the addition only
  NoRoomForNewFile  // the file did not exist and the disk is (almost) full: nothing written
};

// A new file is not started when the disk has this many bytes free or fewer.
inline constexpr std::uintmax_t kMinFreeBytesForNewFile = 2000;

struct AppendOptions {
  RtfWriteOptions rtf{};
  // The face of a new document (an existing file keeps its own).
  std::string fontName{RichTextDocument::kDefaultFontName};
  // Bytes free on the file system that holds `path`; the default asks the
  // system. Tests put a small disk here.
  std::function<std::uintmax_t(const std::filesystem::path& path)> freeBytes{};
  // How long to wait while another process adds to the same file.
  std::chrono::milliseconds lockWait{kDefaultLockWait};
};

// Appends `addition` to the document in `path` (RichTextDocument::append
// semantics), writing through symbolic links (see writeFileAtomically).
// Appends to one file take turns (see file_lock.h). A file this program
// wrote is added to in place (see in_place_append.h); any other file is
// loaded, added to and written whole.
// Throws RichTextFileError when `path` names no regular file (refused before
// it is opened, so a FIFO does not hold the caller up), the file cannot be
// read, is read-only, is not a document that can be extended without losing
// what it holds, stays locked by another append for longer than
// `options.lockWait`, or cannot be written; the file is then left as it was.
AppendOutcome appendToRichTextFile(const std::filesystem::path& path, const RichTextDocument& addition,
                                   const AppendOptions& options = {});

}  // namespace solwire
