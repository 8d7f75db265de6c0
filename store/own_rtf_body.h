// The body of an RTF file this program wrote, read without a parser: whether
// it holds only what writeRtfBody writes, and where its entries end.
//
// Each addition to a file (a report, a log entry) is one entry of its body,
// and an entry ends with an empty line after its last paragraph mark:
// "\par\n\n". RTF ignores line ends, so readers never see the mark, and
// writeRtfBody never writes two line ends in a row, so it cannot be mistaken.
// A file that a crash left without its closing brace is cut back to the end
// of its last whole entry by that mark.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/rtf_writer.h"

namespace solwire {

inline constexpr std::string_view kEntryEnd = "\\par\n\n";

// Whether `body` holds only what writeRtfBody writes with these tables, and
// leaves nothing in effect (no group, no \uc, no hidden text), so that text
// written after it reads as it would on its own. One linear pass.
bool isOwnRtfBody(std::string_view body, const RtfTables& tables);

// Whether `text` ends with the control word \par and a line end (an entry
// mark after it included), not with an escaped backslash and the letters "par".
bool endsWithParagraphMark(std::string_view text);

// Whether `text` ends with an entry mark.
bool endsWithEntryEnd(std::string_view text);

// Where the last entry mark in text[0, end) ends: the length of `text` up to
// and including it; none when there is none.
std::optional<std::size_t> lastEntryEnd(std::string_view text, std::size_t end);

// Where the closing brace of `text` is, when only white space follows it
// and it is not an escaped brace; none otherwise.
std::optional<std::size_t> closingBrace(std::string_view text);

// A whole RTF file as writeRtf writes it, with its body marked as one entry.
std::string withEntryEnd(std::string rtf);

}  // namespace solwire
