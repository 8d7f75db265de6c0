// A small rich-text document: paragraphs of text runs, each run with its point
// size, colour, bold and italic. Tabs are characters of the text. This is the
// model that reports and log entries are composed in, that the RTF writer
// saves and the RTF reader loads, and that the Qt glue shows and prints.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace solwire {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};

struct TextFormat {
  double pointSize = 10.0;
  Rgb colour = kBlack;
  bool bold = false;
  bool italic = false;
  bool operator==(const TextFormat&) const = default;
};

struct TextRun {
  std::string text;  // UTF-8, no line breaks; may hold tabs
  TextFormat format;
  bool operator==(const TextRun&) const = default;
};

struct Paragraph {
  std::vector<TextRun> runs;
  std::string plainText() const;
  bool empty() const { return runs.empty(); }
  bool operator==(const Paragraph&) const = default;
};

// The document always holds at least one paragraph; the last one is the
// current paragraph that appended runs go to. An empty document is one empty
// paragraph.
class RichTextDocument {
 public:
  static constexpr std::string_view kDefaultFontName = "Arial";

  RichTextDocument();

  void clear();

  // Appends text to the current paragraph. Adjacent runs with the same format
  // are merged. A line break in the text ("\n", "\r\n" or "\r") ends the
  // paragraph; other control characters (C0 except tab, DEL, C1) are dropped and invalid
  // UTF-8 becomes U+FFFD, so the document always holds clean UTF-8.
  void appendRun(std::string_view text, const TextFormat& format);
  void appendRun(std::string_view text, double pointSize, Rgb colour = kBlack, bool bold = false,
                 bool italic = false);

  // Ends the current paragraph and starts a new, empty one.
  void endParagraph();

  // Appends `other` as if it were typed at the end: its first paragraph
  // continues the current one, each further paragraph starts a new one.
  void append(const RichTextDocument& other);

  // Paragraphs joined with "\n".
  std::string plainText() const;

  const std::vector<Paragraph>& paragraphs() const { return paragraphs_; }
  bool empty() const { return paragraphs_.size() == 1 && paragraphs_.front().empty(); }

  // The face of the whole document; runs carry only size, colour and style.
  const std::string& fontName() const { return fontName_; }
  void setFontName(std::string name) { fontName_ = std::move(name); }

  bool operator==(const RichTextDocument&) const = default;

 private:
  void appendClean(std::string_view text, const TextFormat& format);

  std::vector<Paragraph> paragraphs_;
  std::string fontName_{kDefaultFontName};
};

}  // namespace solwire
