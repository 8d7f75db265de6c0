// Rich-text documents in files: loading RTF (or plain text) and saving RTF
// atomically, so that a report or log file is either the old one or the new
// one, never half written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "store/rich_text_document.h"
#include "store/rtf_writer.h"

namespace solwire {

// A file that could not be read or written. what() is "<path>: <reason>".
class RichTextFileError : public std::runtime_error {
 public:
  RichTextFileError(std::filesystem::path path, std::string reason);
  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
};

// Files larger than this are refused rather than read into memory.
inline constexpr std::uintmax_t kMaxRichTextFileBytes = 256u * 1024 * 1024;

// A document from file contents: RTF when the bytes look like RTF, otherwise
// plain text (UTF-8, or code page 1252 when it is not valid UTF-8), one
// paragraph per line, in `plainFormat`. A file of ours that a crash left
// part way through an entry reads as it will be repaired (see
// in_place_append.h): up to its last whole entry.
RichTextDocument readRichText(std::string_view bytes, const TextFormat& plainFormat = {});

// Throws RichTextFileError when the file cannot be read.
RichTextDocument loadRichTextFile(const std::filesystem::path& path, const TextFormat& plainFormat = {});

// Writes the document as RTF through writeFileAtomically.
void saveRichTextFile(const std::filesystem::path& path, const RichTextDocument& document,
                      const RtfWriteOptions& options = {});

// Writes `contents` to a new temporary file beside the file `path` names
// (symbolic links followed, so a link stays a link), flushes it to disk and
// renames it over that file. An existing file keeps its permissions. A file
// with other hard links is rewritten in place instead, so that they keep
// naming it. A folder, a FIFO, a device, a socket or a read-only file is
// refused without being opened. Temporary files that killed writes to the
// same file left behind are removed first. On failure the temporary file is
// removed, `path` is left as it was, and RichTextFileError is thrown.
void writeFileAtomically(const std::filesystem::path& path, std::string_view contents);

}  // namespace solwire
