// Whether the bytes of an existing file can be extended by loading them,
// adding to the document and writing it back, without losing what the file
// holds. The RTF reader is tolerant so that any file can be shown; extending a
// file rewrites it, so what the reader would guess at or drop is refused here:
// unbalanced or too deeply nested groups, a truncated file, numbers that do
// not fit, binary data, pictures, objects, headers, footers, footnotes and
// comments, bytes after the end of the document, and formatting the reader
// does not keep (underlining, strike-through, raised text, highlighting,
// tables, tab stops, document information, page margins and size, page
// breaks). A text file is accepted unless it holds NUL bytes or other
// control characters.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solwire {

// Why the file cannot be extended, for an operator to read; none when it can.
std::optional<std::string> whyNotExtensible(std::string_view bytes);

}  // namespace solwire
