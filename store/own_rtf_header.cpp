#include "store/own_rtf_header.h"

#include <array>
#include <cstdint>
#include <string>

#include "store/code_page.h"
#include "store/rtf_reader.h"

namespace solwire {

namespace {

constexpr std::array<std::pair<std::string_view, FontKind>, 7> kFamilies{{
    {"fnil", FontKind::Any},
    {"froman", FontKind::Serif},
    {"fswiss", FontKind::SansSerif},
    {"fmodern", FontKind::Monospace},
    {"fscript", FontKind::Script},
    {"fdecor", FontKind::Decorative},
    {"ftech", FontKind::Symbol},
}};

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the header in the order writeRtfHeader writes it. Only the tables'
// contents are taken from the file; the caller compares the header written
// from them with the file's, so anything this reader lets through that the
// writer would not write is still refused.
class HeaderReader {
 public:
  explicit HeaderReader(std::string_view in) : in_(in) {}

  std::optional<OwnRtfHeader> read() {
    OwnRtfHeader header;
    RtfTables& tables = header.tables;
    if (!literal("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset0 ") ||
        !name(tables.fontName) || !literal(";}{\\f1\\fnil\\fcharset134 ") || !name(tables.cjkFontName) ||
        !literal(";}")) {
      return std::nullopt;
    }
    while (literal("{\\f")) {
      std::int64_t index = 0;
      FontKind kind = FontKind::Any;
      std::string faceName;
      if (!number(index) || index != RtfTables::kFirstFaceIndex + static_cast<std::int64_t>(tables.faces.size()) ||
          !family(kind) || !literal("\\fcharset0 ") || !name(faceName) || !literal(";}")) {
        return std::nullopt;
      }
      tables.faces.emplace_back(std::move(faceName), kind);
    }
    if (!literal("}\n{\\colortbl ;")) return std::nullopt;
    while (literal("\\red")) {
      std::int64_t red = 0, green = 0, blue = 0;
      if (!number(red) || !literal("\\green") || !number(green) || !literal("\\blue") || !number(blue) ||
          !literal(";") || red > 255 || green > 255 || blue > 255) {
        return std::nullopt;
      }
      tables.colours.push_back(
          Rgb{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue)});
    }
    if (!literal("}\n{\\*\\generator Solwire;}")) return std::nullopt;
    // Absent from the files written before it was written.
    if (literal("\\deftab")) {
      std::int64_t twips = 0;
      if (!number(twips)) return std::nullopt;
      tables.defaultTabTwips = static_cast<int>(twips);
    }
    header.size = pos_;
    return header;
  }

 private:
  bool literal(std::string_view text) {
    if (!in_.substr(pos_).starts_with(text)) return false;
    pos_ += text.size();
    return true;
  }

  // Up to six digits: more than any table index, colour component or tab
  // spacing the reader keeps.
  bool number(std::int64_t& value) {
    const std::size_t start = pos_;
    value = 0;
    while (pos_ < in_.size() && pos_ - start < 6 && in_[pos_] >= '0' && in_[pos_] <= '9') {
      value = value * 10 + (in_[pos_++] - '0');
    }
    return pos_ > start;
  }

  bool family(FontKind& kind) {
    for (const auto& [word, familyKind] : kFamilies) {
      if (literal("\\" + std::string(word))) {
        kind = familyKind;
        return true;
      }
    }
    return false;
  }

  // A name as RtfOutput::text writes it: ASCII, \\ \{ \} and \uN with a
  // one-character fallback; it ends at the ';' that closes the entry.
  bool name(std::string& out) {
    char16_t highSurrogate = 0;
    while (pos_ < in_.size() && in_[pos_] != ';') {
      const char c = in_[pos_];
      if (c == '\\' && pos_ + 1 < in_.size() && (in_[pos_ + 1] == '\\' || in_[pos_ + 1] == '{' || in_[pos_ + 1] == '}')) {
        if (highSurrogate != 0) return false;
        out += in_[pos_ + 1];
        pos_ += 2;
      } else if (literal("\\u")) {
        std::int64_t unit = 0;
        const bool negative = literal("-");
        if (!number(unit) || !fallback()) return false;
        const auto utf16 = static_cast<char16_t>(negative ? 65536 - unit : unit);
        if (!addUnit(out, utf16, highSurrogate)) return false;
      } else if (c >= 0x20 && c < 0x7F && c != '{' && c != '}' && c != '\\') {
        if (highSurrogate != 0) return false;
        out += c;
        ++pos_;
      } else {
        return false;
      }
    }
    return highSurrogate == 0;
  }

  bool fallback() {
    if (literal("?")) return true;
    if (pos_ + 4 <= in_.size() && in_.substr(pos_, 2) == "\\'" && hexValue(in_[pos_ + 2]) >= 0 &&
        hexValue(in_[pos_ + 3]) >= 0) {
      pos_ += 4;
      return true;
    }
    return false;
  }

  static bool addUnit(std::string& out, char16_t unit, char16_t& highSurrogate) {
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (highSurrogate != 0) {
      if (!low) return false;
      appendUtf8(out, 0x10000 + ((static_cast<char32_t>(highSurrogate) - 0xD800) << 10) + (unit - 0xDC00));
      highSurrogate = 0;
      return true;
    }
    if (low) return false;
    if (high) {
      highSurrogate = unit;
      return true;
    }
    appendUtf8(out, unit);
    return true;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<OwnRtfHeader> readOwnRtfHeader(std::string_view file) {
  const std::string_view text = withoutByteOrderMark(file);
  std::optional<OwnRtfHeader> header = HeaderReader(text).read();
  if (!header || writeRtfHeader(header->tables) != text.substr(0, header->size)) return std::nullopt;
  header->size += file.size() - text.size();
  return header;
}

}  // namespace solwire
