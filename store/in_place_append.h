// Adding an entry to a file this program wrote without reading or rewriting
// the whole file: the cost does not grow with the file, and no room for a
// copy of it is needed. Only the header (for the tables) and the last
// entries are read. The new entry is written where the closing brace stood,
// followed by a new closing brace, in two flushed steps:
//   1. the entry's bytes after the first one, and the new brace, past the old
//      brace, which still ends the document;
//   2. the entry's first byte over the old brace.
// A file that a crash or a power cut left without its closing brace is cut
// back to the end of its last whole entry (see own_rtf_body.h) and closed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/rich_text_document.h"
#include "store/rtf_writer.h"

namespace solwire {

// Bytes read from the end of a file to find its last entries; an entry
// longer than half of this is added by rewriting the file instead.
inline constexpr std::size_t kEntryWindowBytes = 512 * 1024;

// What the end of a file of ours needs after a crash, from the bytes after
// its header (or the last kEntryWindowBytes of them). Only ends that an
// append leaves are cut: a file changed by hand is left to the whole-file
// check, which refuses it with the reason.
struct TailRepair {
  enum class Kind {
    None,            // it is whole, or not an end an append left
    CutAfterOldEnd,  // an append stopped after its first step: its bytes go
    CutTornEntry,    // it stops inside an entry: back to the last whole one
  };
  Kind kind = Kind::None;
  std::size_t keep = 0;     // bytes of the tail kept
  std::string_view ending;  // written after them
};
TailRepair planTailRepair(std::string_view tail);

// The file as its repair would leave it, when it is one of ours that needs
// one; none otherwise. Loading shows this, so that a torn entry never shows.
std::optional<std::string> repairedOwnFile(std::string_view file);

// Closes the locked file `fd` at the end of its last whole entry when it is
// one of ours that an append killed part way left open (planTailRepair);
// leaves any other file alone. Throws RichTextFileError naming `path` when
// the cut cannot be made.
void repairTornOwnFile(const std::filesystem::path& path, int fd);

// Appends `addition` in place to the locked file `fd` when it is one of ours
// whose entries are marked and whose tables already hold every face and
// colour of the addition; returns false, with the file untouched, when it is
// not (the caller then rewrites the file whole). Throws RichTextFileError
// naming `path` when a write fails; the file is then as it was.
bool appendInPlace(const std::filesystem::path& path, int fd, const RichTextDocument& addition,
                   const RtfWriteOptions& options);

}  // namespace solwire
