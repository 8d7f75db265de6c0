// A small rich-text document: paragraphs of text runs, each run with its point
// size, colour, bold, italic and optionally a face of its own; each paragraph
// with its alignment, indents and spacing. Tabs are characters of the text,
// and so is U+2028, a line break inside a paragraph. This is the model that
// reports and log entries are composed in, that the RTF writer saves and the
// RTF reader loads, and that the Qt glue shows and prints.
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

// The kind of face a run asks for, so that a face of the same kind stands in
// when the named one is not installed.
enum class FontKind : std::uint8_t { Any, Serif, SansSerif, Monospace, Script, Decorative, Symbol };

struct TextFormat {
  double pointSize = 10.0;
  Rgb colour = kBlack;
  bool bold = false;
  bool italic = false;
  // A face of the run's own; empty name and kind Any: the document's face.
  std::string fontName{};
  FontKind fontKind = FontKind::Any;
  bool operator==(const TextFormat&) const = default;
};

// A line break that does not end the paragraph.
inline constexpr char32_t kLineSeparator = 0x2028;

struct TextRun {
  std::string text;  // UTF-8, no paragraph breaks; may hold tabs and line separators
  TextFormat format;
  bool operator==(const TextRun&) const = default;
};

enum class Alignment : std::uint8_t { Left, Centre, Right, Justify };

// Indents and spacing in twips (1/20 point), the unit RTF gives them in.
struct ParagraphFormat {
  Alignment alignment = Alignment::Left;
  int leftIndent = 0;
  int rightIndent = 0;
  int firstLineIndent = 0;  // from the left indent; negative hangs the first line out
  int spaceBefore = 0;
  int spaceAfter = 0;
  bool operator==(const ParagraphFormat&) const = default;
};

struct Paragraph {
  std::vector<TextRun> runs;
  ParagraphFormat format;
  // The text with line separators as "\n".
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
  // Half an inch: the tab spacing of a file that names none.
  static constexpr int kDefaultTabTwips = 720;

  RichTextDocument();
  // A document of these paragraphs, the last one current; none gives one
  // empty paragraph. For documents handed over a piece at a time.
  explicit RichTextDocument(std::vector<Paragraph> paragraphs);

  void clear();

  // Appends text to the current paragraph. Adjacent runs with the same format
  // are merged. A line break in the text ("\n", "\r\n" or "\r") ends the
  // paragraph; other control characters (C0 except tab, DEL, C1) are dropped and invalid
  // UTF-8 becomes U+FFFD, so the document always holds clean UTF-8.
  void appendRun(std::string_view text, const TextFormat& format);
  void appendRun(std::string_view text, double pointSize, Rgb colour = kBlack, bool bold = false,
                 bool italic = false);

  // Ends the current paragraph and starts a new, empty one with the default
  // paragraph format.
  void endParagraph();

  // The alignment, indents and spacing of the current paragraph.
  void setParagraphFormat(const ParagraphFormat& format) { paragraphs_.back().format = format; }

  // Appends `other` as if it were typed at the end: its first paragraph
  // continues the current one in the current one's format, each further
  // paragraph starts a new one in its own format.
  void append(const RichTextDocument& other);

  // For handing a document over a piece at a time: the paragraphs before
  // the current one, which later appends leave alone, are moved out ...
  std::vector<Paragraph> takeFinishedParagraphs();
  // ... and at the end all of them, leaving one empty paragraph.
  std::vector<Paragraph> takeAllParagraphs();

  // Paragraphs joined with "\n", line separators as "\n" too.
  std::string plainText() const;

  const std::vector<Paragraph>& paragraphs() const { return paragraphs_; }
  bool empty() const { return paragraphs_.size() == 1 && paragraphs_.front().empty(); }

  // The face of the whole document, for runs without a face of their own.
  const std::string& fontName() const { return fontName_; }
  void setFontName(std::string name) { fontName_ = std::move(name); }

  // The distance between tab stops, in twips: each tab moves the text on to
  // the next multiple of it.
  int defaultTabTwips() const { return defaultTabTwips_; }
  void setDefaultTabTwips(int twips) { defaultTabTwips_ = twips; }

  bool operator==(const RichTextDocument&) const = default;

 private:
  void appendClean(std::string_view text, const TextFormat& format);

  std::vector<Paragraph> paragraphs_;
  std::string fontName_{kDefaultFontName};
  int defaultTabTwips_ = kDefaultTabTwips;
};

}  // namespace solwire
