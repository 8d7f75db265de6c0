#include "store/own_rtf_body.h"

#include <array>
#include <cstdint>

namespace solwire {

namespace {

constexpr std::string_view kParagraphEnd = "\\par\n";

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

// Whether the byte at `pos` is preceded by an odd number of backslashes, so
// that it is escaped (or, for a backslash, is itself escaped).
bool isEscaped(std::string_view text, std::size_t pos) {
  std::size_t backslashes = 0;
  while (pos > backslashes && text[pos - backslashes - 1] == '\\') ++backslashes;
  return backslashes % 2 == 1;
}

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

}  // namespace

bool isOwnRtfBody(std::string_view body, const RtfTables& tables) { return OwnBodyCheck(body, tables).passes(); }

bool endsWithParagraphMark(std::string_view text) {
  if (endsWithEntryEnd(text)) return true;
  return text.ends_with(kParagraphEnd) && !isEscaped(text, text.size() - kParagraphEnd.size());
}

bool endsWithEntryEnd(std::string_view text) {
  return text.ends_with(kEntryEnd) && !isEscaped(text, text.size() - kEntryEnd.size());
}

std::optional<std::size_t> lastEntryEnd(std::string_view text, std::size_t end) {
  std::string_view before = text.substr(0, end);
  for (;;) {
    const std::size_t found = before.rfind(kEntryEnd);
    if (found == std::string_view::npos) return std::nullopt;
    if (!isEscaped(before, found)) return found + kEntryEnd.size();
    before = before.substr(0, found);
  }
}

std::optional<std::size_t> closingBrace(std::string_view text) {
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  if (last == std::string_view::npos || text[last] != '}' || isEscaped(text, last)) return std::nullopt;
  return last;
}

std::string withEntryEnd(std::string rtf) {
  if (!rtf.ends_with(kRtfTrailer)) return rtf;
  const std::size_t brace = rtf.size() - kRtfTrailer.size();
  const std::string_view beforeBrace = std::string_view(rtf).substr(0, brace);
  if (!endsWithParagraphMark(beforeBrace) || endsWithEntryEnd(beforeBrace)) return rtf;
  rtf.insert(rtf.begin() + static_cast<std::ptrdiff_t>(brace), '\n');
  return rtf;
}

}  // namespace solwire
