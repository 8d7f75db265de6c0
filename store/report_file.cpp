#include "store/report_file.h"

#include <system_error>

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

}  // namespace

AppendOutcome appendToRichTextFile(const fs::path& path, const RichTextDocument& addition,
                                   const AppendOptions& options) {
  std::error_code error;
  const bool exists = fs::exists(path, error);
  if (error) throw RichTextFileError(path, "cannot examine: " + error.message());

  if (exists) {
    RichTextDocument document = loadRichTextFile(path);
    document.append(addition);
    saveRichTextFile(path, document, options.rtf);
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
