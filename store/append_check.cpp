#include "store/append_check.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "store/rtf_reader.h"

namespace solwire {

namespace {

constexpr std::size_t kMaxWordLetters = 32;
constexpr std::size_t kMaxParameterDigits = 10;
constexpr std::int64_t kMinParameter = -2'147'483'648LL;
constexpr std::int64_t kMaxParameter = 2'147'483'647LL;

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F;
}

std::string byteAt(std::string_view bytes, std::size_t pos) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "byte 0x%02X at offset %zu", static_cast<unsigned char>(bytes[pos]), pos);
  return text.data();
}

// Destinations whose content the reader leaves out of the document.
std::optional<std::string> contentThatWouldBeDropped(std::string_view word) {
  if (word == "pict" || word == "shppict" || word == "nonshppict") return "a picture";
  if (word == "object" || word == "objdata" || word == "shp" || word == "shpinst") return "an embedded object";
  if (word.starts_with("header") || word.starts_with("footer")) {
    const std::string_view rest = word.substr(6);
    if (rest.empty() || rest == "l" || rest == "r" || rest == "f") return "a page header or footer";
  }
  if (word == "footnote") return "a footnote";
  if (word == "annotation") return "a comment";
  return std::nullopt;
}

bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
  for (const std::string_view candidate : words) {
    if (word == candidate) return true;
  }
  return false;
}

// Formatting the reader does not keep: rewriting the file would lose it.
// `on` is false for a word that turns the formatting off (\ul0, \strike0).
std::optional<std::string> formattingThatWouldBeDropped(std::string_view word, bool on) {
  if (word.starts_with("ul") && !isOneOf(word, {"ulnone", "ulc"})) {
    return on ? std::optional<std::string>("underlined text") : std::nullopt;
  }
  if (isOneOf(word, {"strike", "striked"})) return on ? std::optional<std::string>("struck-through text") : std::nullopt;
  if (isOneOf(word, {"super", "sub", "up", "dn"})) {
    return on ? std::optional<std::string>("raised or lowered text") : std::nullopt;
  }
  if (isOneOf(word, {"highlight", "cb", "chcbpat"})) {
    return on ? std::optional<std::string>("highlighted text") : std::nullopt;
  }
  if (isOneOf(word, {"trowd", "intbl", "cell", "row", "nestcell", "nestrow"})) return "a table";
  if (isOneOf(word, {"tx", "tqr", "tqc", "tqdec", "tb"})) return "tab stops of its own";
  if (isOneOf(word, {"title", "subject", "author", "manager", "company", "operator", "category", "keywords",
                     "comment", "doccomm", "hlinkbase"})) {
    return "document information (title, author, ...)";
  }
  if (isOneOf(word, {"margl", "margr", "margt", "margb", "marglsxn", "margrsxn", "margtsxn", "margbsxn", "gutter",
                     "guttersxn"})) {
    return "page margins";
  }
  if (isOneOf(word, {"paperw", "paperh", "pgwsxn", "pghsxn", "landscape", "lndscpsxn"})) return "a page size";
  if (isOneOf(word, {"page", "sect"})) return "page or section breaks";
  return std::nullopt;
}

class RtfStructureCheck {
 public:
  RtfStructureCheck(std::string_view bytes, std::size_t start) : in_(bytes), pos_(start) {}

  std::optional<std::string> run() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      if (closed_) {
        if (!isWhiteSpace(c)) return "there is data after the end of the document (" + byteAt(in_, pos_) + ")";
        ++pos_;
        continue;
      }
      std::optional<std::string> problem;
      switch (c) {
        case '{': problem = openGroup(); break;
        case '}': problem = closeGroup(); break;
        case '\\': problem = controlSequence(); break;
        default:
          if (isControlByte(c)) return "it holds binary data (" + byteAt(in_, pos_) + ")";
          ++pos_;
          break;
      }
      if (problem) return problem;
    }
    if (!closed_) return "it is truncated or its braces are unbalanced: " + std::to_string(depth_) + " group(s) never close";
    return std::nullopt;
  }

 private:
  std::optional<std::string> openGroup() {
    ++pos_;
    if (++depth_ > kMaxRtfGroupDepth) {
      return "its groups are nested deeper than " + std::to_string(kMaxRtfGroupDepth) + " levels";
    }
    return std::nullopt;
  }

  std::optional<std::string> closeGroup() {
    if (depth_ == 0) return "its braces are unbalanced: a '}' at offset " + std::to_string(pos_) + " closes no group";
    ++pos_;
    if (depth_ == ignorableDepth_) ignorableDepth_ = 0;
    if (--depth_ == 0) closed_ = true;
    return std::nullopt;
  }

  std::optional<std::string> controlSequence() {
    ++pos_;
    if (pos_ >= in_.size()) return std::string("it is truncated: it ends inside a control word");
    const char c = in_[pos_];
    if (isLetter(c)) return controlWord();
    ++pos_;
    if (c == '*') enterIgnorableGroup();
    if (c == '\'') {
      if (pos_ + 2 > in_.size() || !isHexDigit(in_[pos_]) || !isHexDigit(in_[pos_ + 1])) {
        return "a character escape at offset " + std::to_string(pos_ - 2) + " is broken";
      }
      pos_ += 2;
    } else if (isControlByte(c)) {
      return "it holds binary data (" + byteAt(in_, pos_ - 1) + ")";
    }
    return std::nullopt;
  }

  std::optional<std::string> controlWord() {
    const std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    if (word.size() > kMaxWordLetters) {
      return "a control word at offset " + std::to_string(start - 1) + " is longer than " +
             std::to_string(kMaxWordLetters) + " letters";
    }
    const std::size_t numberStart = pos_;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    std::int64_t value = 0;
    std::size_t digits = 0;
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
      if (++digits > kMaxParameterDigits) return numberOutOfRange(word, numberStart);
      value = value * 10 + (in_[pos_++] - '0');
    }
    if (negative) value = -value;
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    if (word == "bin") return binaryData(value);
    if (value < kMinParameter || value > kMaxParameter) return numberOutOfRange(word, numberStart);
    if (word == "u" && (value < -32768 || value > 65535)) return numberOutOfRange(word, numberStart);
    if (const auto dropped = contentThatWouldBeDropped(word)) {
      return "it holds " + *dropped + ", which Solwire cannot keep";
    }
    if (word == "stylesheet") enterIgnorableGroup();
    if (ignorableDepth_ == 0) {
      if (const auto dropped = formattingThatWouldBeDropped(word, digits == 0 || value != 0)) {
        return "it has " + *dropped + ", which Solwire cannot keep";
      }
    }
    return std::nullopt;
  }

  // Style definitions and groups a reader may skip (\*) apply to no text of
  // their own: their formatting is not looked at.
  void enterIgnorableGroup() {
    if (ignorableDepth_ == 0) ignorableDepth_ = depth_;
  }

  std::string numberOutOfRange(std::string_view word, std::size_t numberStart) const {
    std::size_t end = numberStart;
    while (end < in_.size() && end - numberStart < 24 && (isDigit(in_[end]) || in_[end] == '-')) ++end;
    return "a number out of range in \\" + std::string(word) + std::string(in_.substr(numberStart, end - numberStart));
  }

  std::string binaryData(std::int64_t count) const {
    if (count < 0 || static_cast<std::uint64_t>(count) > in_.size() - pos_) {
      return "its binary data (\\bin" + std::to_string(count) + ") runs past the end of the file";
    }
    return "it holds binary data (\\bin), which Solwire cannot keep";
  }

  std::string_view in_;
  std::size_t pos_;
  int depth_ = 0;
  int ignorableDepth_ = 0;  // the depth of the ignorable group the check is in; 0 when none
  bool closed_ = false;
};

std::optional<std::string> whyTextNotExtensible(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size(); ++pos) {
    if (isControlByte(bytes[pos])) {
      return "it is neither RTF nor text: it holds NUL bytes or control characters (" + byteAt(bytes, pos) + ")";
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> whyNotExtensible(std::string_view bytes) {
  if (!looksLikeRtf(bytes)) return whyTextNotExtensible(bytes);
  std::size_t start = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (isWhiteSpace(bytes[start])) ++start;
  return RtfStructureCheck(bytes, start).run();
}

}  // namespace solwire
