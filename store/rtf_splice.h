// Adding to an RTF file this program wrote without reading it into a
// document: the file's header gives the tables, a linear check of its body
// makes sure the body is made of what writeRtfBody writes and leaves nothing
// in effect, and the addition's body goes before the closing brace, marked
// as an entry (see own_rtf_body.h). The result reads as the file's document
// with the addition appended (RichTextDocument::append), as loading,
// appending and writing would give.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/rich_text_document.h"
#include "store/rtf_writer.h"

namespace solwire {

// The new file contents; none when the file is not one this shortcut can
// extend (another program's file, another CJK font, a body this program
// would not write) or the addition continues the file's last paragraph:
// then the file has to be loaded and written whole.
std::optional<std::string> spliceIntoOwnRtf(std::string_view file, const RichTextDocument& addition,
                                            const RtfWriteOptions& options = {});

}  // namespace solwire
