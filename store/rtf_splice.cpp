#include "store/rtf_splice.h"

#include <array>
#include <cstdint>
#include <span>

#include "store/own_rtf_header.h"
#include "store/rtf_reader.h"

namespace solwire {

namespace {

constexpr std::string_view kLastParagraphEnd = "\\par\n";

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Bytes of a body that are text as they stand: printable ASCII other than
// the RTF specials, and line ends, which RTF ignores.
constexpr std::array<bool, 256> kPlainBytes = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x7F; ++c) plain[static_cast<std::size_t>(c)] = true;
  plain['\\'] = plain['{'] = plain['}'] = false;
  plain['\n'] = plain['\r'] = true;
  return plain;
}();

// Checks, in one pass, that a body holds only what writeRtfBody writes: no
// groups, no words that change how later text is read (\uc, \v, \bin, ...),
// fonts and colours that are in the tables, and every \uN followed by its
// one fallback character, so that text after the body reads as it would on
// its own.
class OwnBodyCheck {
 public:
  OwnBodyCheck(std::string_view body, const RtfTables& tables)
      : in_(body),
        fontCount_(static_cast<std::int64_t>(RtfTables::kFirstFaceIndex + tables.faces.size())),
        colourCount_(static_cast<std::int64_t>(tables.colours.size())) {}

  bool passes() {
    const std::size_t size = in_.size();
    while (pos_ < size) {
      if (kPlainBytes[static_cast<unsigned char>(in_[pos_])]) {
        ++pos_;
      } else if (in_[pos_] != '\\' || !controlSequence()) {
        return false;
      }
    }
    return true;
  }

 private:
  bool controlSequence() {
    ++pos_;
    if (pos_ >= in_.size()) return false;
    const char c = in_[pos_];
    if (c == '\\' || c == '{' || c == '}') {
      ++pos_;
      return true;
    }
    if (c == '\'') return hexEscape();
    return isLetter(c) && controlWord();
  }

  bool hexEscape() {
    if (pos_ + 3 > in_.size() || !isHexDigit(in_[pos_ + 1]) || !isHexDigit(in_[pos_ + 2])) return false;
    pos_ += 3;
    return true;
  }

  bool controlWord() {
    const std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    const bool negative = pos_ < in_.size() && in_[pos_] == '-';
    if (negative) ++pos_;
    const std::size_t digitsStart = pos_;
    std::int64_t value = 0;
    while (pos_ < in_.size() && isDigit(in_[pos_]) && pos_ - digitsStart < 6) value = value * 10 + (in_[pos_++] - '0');
    const bool hasParameter = pos_ > digitsStart;
    if ((negative && !hasParameter) || (pos_ < in_.size() && isDigit(in_[pos_]))) return false;
    if (negative) value = -value;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    return allowed(word, hasParameter, value);
  }

  bool allowed(std::string_view word, bool hasParameter, std::int64_t value) {
    if (!hasParameter) {
      return word == "par" || word == "pard" || word == "plain" || word == "dbch" || word == "loch" ||
             word == "tab" || word == "line" || word == "qc" || word == "qr" || word == "qj" || word == "b" ||
             word == "i";
    }
    if (word == "f" || word == "af") return value >= 0 && value < fontCount_;
    if (word == "cf") return value >= 0 && value <= colourCount_;
    if (word == "fs") return value > 0;
    if (word == "b" || word == "i") return value == 0;
    if (word == "li" || word == "ri" || word == "fi" || word == "sb" || word == "sa") return true;
    if (word == "u") return value >= -32768 && value <= 32767 && fallback();
    return false;
  }

  // The one character \uc1 skips after \uN: '?' or \'hh.
  bool fallback() {
    if (pos_ < in_.size() && in_[pos_] == '?') {
      ++pos_;
      return true;
    }
    if (pos_ + 1 < in_.size() && in_[pos_] == '\\' && in_[pos_ + 1] == '\'') {
      ++pos_;
      return hexEscape();
    }
    return false;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::int64_t fontCount_;
  std::int64_t colourCount_;
};

// Whether the body's last paragraph is closed: it ends with the control word
// \par, not with an escaped backslash followed by the letters "par".
bool endsWithParagraphMark(std::string_view body) {
  if (!body.ends_with(kLastParagraphEnd)) return false;
  std::size_t backslashes = 0;
  for (std::size_t i = body.size() - kLastParagraphEnd.size() + 1; i > 0 && body[i - 1] == '\\'; --i) ++backslashes;
  return backslashes % 2 == 1;
}

// Where the closing brace of the document is, when only white space follows it.
std::optional<std::size_t> closingBrace(std::string_view file) {
  const std::size_t last = file.find_last_not_of(" \t\r\n");
  if (last == std::string_view::npos || file[last] != '}') return std::nullopt;
  return last;
}

}  // namespace

std::optional<std::string> spliceIntoOwnRtf(std::string_view file, const RichTextDocument& addition,
                                            const RtfWriteOptions& options) {
  // The addition's first paragraph would continue the file's last one.
  if (!addition.paragraphs().front().empty()) return std::nullopt;
  const std::optional<OwnRtfHeader> header = readOwnRtfHeader(file);
  if (!header || header->tables.cjkFontName != fontTableName(options.cjkFontName)) return std::nullopt;
  const std::optional<std::size_t> end = closingBrace(file);
  if (!end || *end < header->size) return std::nullopt;
  const std::string_view body = file.substr(header->size, *end - header->size);
  if (!endsWithParagraphMark(body) || !OwnBodyCheck(body, header->tables).passes()) return std::nullopt;

  const std::span<const Paragraph> added = std::span(addition.paragraphs()).subspan(1);
  RtfTables tables = header->tables;
  tables.addFacesAndColoursOf(added);
  const std::string addedBody = writeRtfBody(added, tables);

  std::string result;
  const std::string newHeader = tables == header->tables ? std::string() : writeRtfHeader(tables);
  result.reserve(file.size() + newHeader.size() + addedBody.size() + kRtfTrailer.size());
  if (newHeader.empty()) {
    result += file.substr(0, header->size);
  } else {
    result += file.substr(0, file.size() - withoutByteOrderMark(file).size());
    result += newHeader;
  }
  result += body;
  result += addedBody;
  result += kRtfTrailer;
  return result;
}

}  // namespace solwire
