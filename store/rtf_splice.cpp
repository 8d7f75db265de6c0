#include "store/rtf_splice.h"

#include <span>

#include "store/own_rtf_body.h"
#include "store/own_rtf_header.h"
#include "store/rtf_reader.h"

namespace solwire {

std::optional<std::string> spliceIntoOwnRtf(std::string_view file, const RichTextDocument& addition,
                                            const RtfWriteOptions& options) {
  // The addition's first paragraph would continue the file's last one.
  if (!addition.paragraphs().front().empty()) return std::nullopt;
  const std::optional<OwnRtfHeader> header = readOwnRtfHeader(file);
  if (!header || header->tables.cjkFontName != fontTableName(options.cjkFontName)) return std::nullopt;
  const std::optional<std::size_t> end = closingBrace(file);
  if (!end || *end < header->size) return std::nullopt;
  const std::string_view body = file.substr(header->size, *end - header->size);
  if (!endsWithParagraphMark(body) || !isOwnRtfBody(body, header->tables)) return std::nullopt;

  const std::span<const Paragraph> added = std::span(addition.paragraphs()).subspan(1);
  RtfTables tables = header->tables;
  tables.addFacesAndColoursOf(added);
  const std::string addedBody = writeRtfBody(added, tables);

  std::string result;
  const std::string newHeader = tables == header->tables ? std::string() : writeRtfHeader(tables);
  result.reserve(file.size() + newHeader.size() + addedBody.size() + kRtfTrailer.size() + 2);
  if (newHeader.empty()) {
    result += file.substr(0, header->size);
  } else {
    result += file.substr(0, file.size() - withoutByteOrderMark(file).size());
    result += newHeader;
  }
  result += body;
  if (!endsWithEntryEnd(body)) result += '\n';
  result += addedBody;
  result += '\n';
  result += kRtfTrailer;
  return result;
}

}  // namespace solwire
