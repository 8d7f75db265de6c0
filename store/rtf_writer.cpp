#include "store/rtf_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "store/code_page.h"

namespace solwire {

namespace {

// Code page 1252's characters in 0x80..0x9F, for the fallback of \uN.
constexpr std::array<std::pair<char32_t, unsigned char>, 27> kCp1252Specials{{
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
    {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
    {0x017E, 0x9E}, {0x0178, 0x9F},
}};

// The cp1252 byte of a character, or 0 when cp1252 has none.
unsigned char cp1252Byte(char32_t cp) {
  if (cp >= 0xA0 && cp <= 0xFF) return static_cast<unsigned char>(cp);
  for (const auto& [unicode, byte] : kCp1252Specials) {
    if (unicode == cp) return byte;
  }
  return 0;
}

bool containsCjk(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (isCjkCodePoint(nextUtf8(text, pos))) return true;
  }
  return false;
}

class RtfOutput {
 public:
  void controlWord(std::string_view word, int parameter) {
    out_ += '\\';
    out_ += word;
    out_ += std::to_string(parameter);
    delimit_ = true;
  }
  void controlWord(std::string_view word) {
    out_ += '\\';
    out_ += word;
    delimit_ = true;
  }
  void raw(std::string_view text) {
    out_ += text;
    delimit_ = false;
  }

  // Text of a run or a font name: ASCII as is, the RTF specials escaped,
  // everything else as \uN with a cp1252 or '?' fallback.
  void text(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
      const char32_t cp = nextUtf8(utf8, pos);
      if (cp == '\t') {
        controlWord("tab");
      } else if (cp == '\\' || cp == '{' || cp == '}') {
        out_ += '\\';
        out_ += static_cast<char>(cp);
        delimit_ = false;
      } else if (cp >= 0x20 && cp < 0x7F) {
        if (delimit_) out_ += ' ';
        out_ += static_cast<char>(cp);
        delimit_ = false;
      } else if (cp >= 0x10000) {
        const char32_t v = cp - 0x10000;
        unicode(static_cast<char16_t>(0xD800 + (v >> 10)), 0);
        unicode(static_cast<char16_t>(0xDC00 + (v & 0x3FF)), 0);
      } else {
        unicode(static_cast<char16_t>(cp), cp1252Byte(cp));
      }
    }
  }

  std::string take() { return std::move(out_); }

 private:
  // \uN takes a signed 16-bit N; the fallback is the cp1252 byte when there is one.
  void unicode(char16_t unit, unsigned char fallback) {
    out_ += "\\u";
    out_ += std::to_string(static_cast<std::int16_t>(unit));
    if (fallback != 0) {
      std::array<char, 8> hex{};
      std::snprintf(hex.data(), hex.size(), "\\'%02x", fallback);
      out_ += hex.data();
    } else {
      out_ += '?';
    }
    delimit_ = false;
  }

  std::string out_;
  bool delimit_ = false;  // a control word was written and text must not run into it
};

// Run text: as RtfOutput::text, with line separators as \line.
void writeRunText(RtfOutput& out, std::string_view utf8) {
  constexpr std::string_view kSeparator = "\xE2\x80\xA8";  // U+2028 in UTF-8
  for (auto at = utf8.find(kSeparator); at != std::string_view::npos; at = utf8.find(kSeparator)) {
    out.text(utf8.substr(0, at));
    out.controlWord("line");
    utf8.remove_prefix(at + kSeparator.size());
  }
  out.text(utf8);
}

const char* familyWord(FontKind kind) {
  switch (kind) {
    case FontKind::Serif: return "froman";
    case FontKind::SansSerif: return "fswiss";
    case FontKind::Monospace: return "fmodern";
    case FontKind::Script: return "fscript";
    case FontKind::Decorative: return "fdecor";
    case FontKind::Symbol: return "ftech";
    case FontKind::Any: break;
  }
  return "fnil";
}

bool hasOwnFace(const TextFormat& format) { return !format.fontName.empty() || format.fontKind != FontKind::Any; }

void writeParagraphFormat(RtfOutput& out, const ParagraphFormat& format) {
  out.controlWord("pard");
  switch (format.alignment) {
    case Alignment::Centre: out.controlWord("qc"); break;
    case Alignment::Right: out.controlWord("qr"); break;
    case Alignment::Justify: out.controlWord("qj"); break;
    case Alignment::Left: break;
  }
  const std::pair<const char*, int> values[] = {{"li", format.leftIndent},      {"ri", format.rightIndent},
                                                {"fi", format.firstLineIndent}, {"sb", format.spaceBefore},
                                                {"sa", format.spaceAfter}};
  for (const auto& [word, value] : values) {
    if (value != 0) out.controlWord(word, value);
  }
}

// What the reader has in effect at a point of the output.
struct OutputState {
  int font = -1;
  int halfPoints = -1;
  int colour = -1;
  bool bold = false;
  bool italic = false;
};

}  // namespace

int halfPointsOf(double pointSize) {
  if (!std::isfinite(pointSize) || pointSize <= 0) return 20;
  const double halfPoints = std::round(pointSize * 2);
  if (halfPoints < kMinHalfPoints) return kMinHalfPoints;
  if (halfPoints > kMaxHalfPoints) return kMaxHalfPoints;
  return static_cast<int>(halfPoints);
}

std::string fontTableName(std::string_view name) {
  std::string clean;
  for (char c : name) {
    if (c != ';' && static_cast<unsigned char>(c) >= 0x20) clean += c;
  }
  return clean;
}

int RtfTables::faceIndex(const TextFormat& format) {
  const std::pair<std::string, FontKind> face{fontTableName(format.fontName), format.fontKind};
  const auto found = std::find(faces.begin(), faces.end(), face);
  if (found != faces.end()) return kFirstFaceIndex + static_cast<int>(found - faces.begin());
  faces.push_back(face);
  return kFirstFaceIndex + static_cast<int>(faces.size()) - 1;
}

int RtfTables::colourIndex(Rgb colour) {
  const auto found = std::find(colours.begin(), colours.end(), colour);
  if (found != colours.end()) return static_cast<int>(found - colours.begin()) + 1;
  colours.push_back(colour);
  return static_cast<int>(colours.size());
}

void RtfTables::addFacesAndColoursOf(std::span<const Paragraph> paragraphs) {
  for (const Paragraph& paragraph : paragraphs) {
    for (const TextRun& run : paragraph.runs) {
      colourIndex(run.format.colour);
      if (hasOwnFace(run.format)) faceIndex(run.format);
    }
  }
}

RtfTables rtfTablesOf(const RichTextDocument& document, const RtfWriteOptions& options) {
  RtfTables tables;
  tables.fontName = fontTableName(document.fontName());
  tables.cjkFontName = fontTableName(options.cjkFontName);
  tables.defaultTabTwips = document.defaultTabTwips();
  tables.addFacesAndColoursOf(document.paragraphs());
  return tables;
}

std::string writeRtfHeader(const RtfTables& tables) {
  RtfOutput out;
  out.raw("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset0 ");
  out.text(fontTableName(tables.fontName));
  out.raw(";}{\\f1\\fnil\\fcharset134 ");
  out.text(fontTableName(tables.cjkFontName));
  out.raw(";}");
  int index = RtfTables::kFirstFaceIndex;
  for (const auto& [name, kind] : tables.faces) {
    out.raw("{");
    out.controlWord("f", index++);
    out.controlWord(familyWord(kind));
    out.controlWord("fcharset", 0);
    out.raw(" ");
    out.text(fontTableName(name));
    out.raw(";}");
  }
  out.raw("}\n{\\colortbl ;");
  for (const Rgb& c : tables.colours) {
    out.controlWord("red", c.red);
    out.controlWord("green", c.green);
    out.controlWord("blue", c.blue);
    out.raw(";");
  }
  out.raw("}\n{\\*\\generator Solwire;}");
  if (tables.defaultTabTwips) out.controlWord("deftab", *tables.defaultTabTwips);
  return out.take();
}

std::string writeRtfBody(std::span<const Paragraph> paragraphs, const RtfTables& tables) {
  // Lookups only: the caller's tables already hold every face and colour.
  RtfTables lookup = tables;
  RtfOutput out;
  // The CJK font is also the East Asian font of the whole text (\dbch\af1), so
  // that readers which keep a separate font for Chinese characters choose it.
  out.raw("\\pard\\plain\\dbch\\af1\\loch");

  OutputState state;
  ParagraphFormat layout;  // the body's \pard
  for (const Paragraph& paragraph : paragraphs) {
    if (paragraph.format != layout) {
      writeParagraphFormat(out, paragraph.format);
      layout = paragraph.format;
    }
    for (const TextRun& run : paragraph.runs) {
      const int font = hasOwnFace(run.format) ? lookup.faceIndex(run.format) : containsCjk(run.text) ? 1 : 0;
      const int halfPoints = halfPointsOf(run.format.pointSize);
      const int colour = lookup.colourIndex(run.format.colour);
      if (font != state.font) out.controlWord("f", font);
      if (halfPoints != state.halfPoints) out.controlWord("fs", halfPoints);
      if (colour != state.colour) out.controlWord("cf", colour);
      if (run.format.bold != state.bold) run.format.bold ? out.controlWord("b") : out.controlWord("b", 0);
      if (run.format.italic != state.italic) {
        run.format.italic ? out.controlWord("i") : out.controlWord("i", 0);
      }
      state = OutputState{font, halfPoints, colour, run.format.bold, run.format.italic};
      writeRunText(out, run.text);
    }
    out.controlWord("par");
    out.raw("\n");
  }
  return out.take();
}

std::string writeRtf(const RichTextDocument& document, const RtfWriteOptions& options) {
  const RtfTables tables = rtfTablesOf(document, options);
  return writeRtfHeader(tables) + writeRtfBody(document.paragraphs(), tables) + std::string(kRtfTrailer);
}

}  // namespace solwire
