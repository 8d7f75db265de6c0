#include "store/rtf_reader.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/code_page.h"
#include "store/rtf_writer.h"

namespace solwire {

namespace {

constexpr std::size_t kMaxWordLength = 32;
constexpr std::int64_t kMaxParameter = 2'000'000'000;
constexpr std::size_t kMaxTableEntries = 4096;
constexpr std::size_t kMaxFontNameBytes = 256;
constexpr int kMaxUnicodeSkip = 255;
constexpr double kDefaultPointSize = 12.0;  // RTF's default \fs24

enum class Destination : std::uint8_t {
  Body,         // document text
  Skip,         // not shown; only groups and \bin are followed
  FontTable,
  ColourTable,
  Upr,          // \upr: the ANSI alternative is ignored ...
  UprChild,     // ... and so are its groups, except \ud
};

enum class Keyword : std::uint8_t {
  Rtf, Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont, DefaultTab,
  Plain, Bold, Italic, Hidden, FontSize, Colour, Font, UnicodeSkip, Unicode, Binary,
  LowAnsi, HighAnsi, DoubleByte, RightToLeft, LeftToRight,
  AssociatedFont, AssociatedSize, AssociatedBold, AssociatedItalic,
  Paragraph, LineBreak, Tab,
  ParagraphDefaults, AlignLeft, AlignCentre, AlignRight, AlignJustify,
  LeftIndent, RightIndent, FirstLineIndent, SpaceBefore, SpaceAfter,
  FontTable, ColourTable, FontCharset, FontCodePage, FontPitch,
  FontNil, FontRoman, FontSwiss, FontModern, FontScript, FontDecor, FontTech,
  Red, Green, Blue,
  Upr, Ud, SkipDestination,
  EmDash, EnDash, Bullet, LeftQuote, RightQuote, LeftDoubleQuote, RightDoubleQuote,
  EmSpace, EnSpace, QuarterEmSpace, ZeroWidthJoiner, ZeroWidthNonJoiner, LtrMark, RtlMark,
};

const std::unordered_map<std::string_view, Keyword>& keywords() {
  static const std::unordered_map<std::string_view, Keyword> table = [] {
    std::unordered_map<std::string_view, Keyword> t{
        {"rtf", Keyword::Rtf},
        {"ansi", Keyword::Ansi},
        {"mac", Keyword::Mac},
        {"pc", Keyword::Pc},
        {"pca", Keyword::Pca},
        {"ansicpg", Keyword::AnsiCodePage},
        {"deff", Keyword::DefaultFont},
        {"deftab", Keyword::DefaultTab},
        {"plain", Keyword::Plain},
        {"b", Keyword::Bold},
        {"i", Keyword::Italic},
        {"v", Keyword::Hidden},
        {"fs", Keyword::FontSize},
        {"cf", Keyword::Colour},
        {"f", Keyword::Font},
        {"uc", Keyword::UnicodeSkip},
        {"u", Keyword::Unicode},
        {"bin", Keyword::Binary},
        {"loch", Keyword::LowAnsi},
        {"hich", Keyword::HighAnsi},
        {"dbch", Keyword::DoubleByte},
        {"rtlch", Keyword::RightToLeft},
        {"ltrch", Keyword::LeftToRight},
        {"af", Keyword::AssociatedFont},
        {"afs", Keyword::AssociatedSize},
        {"ab", Keyword::AssociatedBold},
        {"ai", Keyword::AssociatedItalic},
        {"par", Keyword::Paragraph},
        {"line", Keyword::LineBreak},
        {"row", Keyword::Paragraph},
        {"tab", Keyword::Tab},
        {"cell", Keyword::Tab},
        {"nestcell", Keyword::Tab},
        {"pard", Keyword::ParagraphDefaults},
        {"ql", Keyword::AlignLeft},
        {"qc", Keyword::AlignCentre},
        {"qr", Keyword::AlignRight},
        {"qj", Keyword::AlignJustify},
        {"qd", Keyword::AlignJustify},
        {"li", Keyword::LeftIndent},
        {"lin", Keyword::LeftIndent},
        {"ri", Keyword::RightIndent},
        {"rin", Keyword::RightIndent},
        {"fi", Keyword::FirstLineIndent},
        {"sb", Keyword::SpaceBefore},
        {"sa", Keyword::SpaceAfter},
        {"fonttbl", Keyword::FontTable},
        {"colortbl", Keyword::ColourTable},
        {"fcharset", Keyword::FontCharset},
        {"cpg", Keyword::FontCodePage},
        {"fprq", Keyword::FontPitch},
        {"fnil", Keyword::FontNil},
        {"froman", Keyword::FontRoman},
        {"fswiss", Keyword::FontSwiss},
        {"fmodern", Keyword::FontModern},
        {"fscript", Keyword::FontScript},
        {"fdecor", Keyword::FontDecor},
        {"ftech", Keyword::FontTech},
        {"red", Keyword::Red},
        {"green", Keyword::Green},
        {"blue", Keyword::Blue},
        {"upr", Keyword::Upr},
        {"ud", Keyword::Ud},
        {"emdash", Keyword::EmDash},
        {"endash", Keyword::EnDash},
        {"bullet", Keyword::Bullet},
        {"lquote", Keyword::LeftQuote},
        {"rquote", Keyword::RightQuote},
        {"ldblquote", Keyword::LeftDoubleQuote},
        {"rdblquote", Keyword::RightDoubleQuote},
        {"emspace", Keyword::EmSpace},
        {"enspace", Keyword::EnSpace},
        {"qmspace", Keyword::QuarterEmSpace},
        {"zwj", Keyword::ZeroWidthJoiner},
        {"zwnj", Keyword::ZeroWidthNonJoiner},
        {"ltrmark", Keyword::LtrMark},
        {"rtlmark", Keyword::RtlMark},
    };
    // Destinations whose content is not part of the visible text.
    for (std::string_view word :
         {"stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer",
          "footerl", "footerr", "footerf", "footnote", "annotation", "object", "fldinst",
          "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl",
          "themedata", "colorschememapping", "latentstyles", "datastore", "filetbl", "private",
          "nonshppict", "shp", "shpinst", "pn", "pntxta", "pntxtb", "falt", "panose", "bkmkstart",
          "bkmkend", "atnid", "atnauthor", "atrfstart", "atrfend", "ftnsep", "ftnsepc", "ftncn",
          "aftnsep", "aftnsepc", "aftncn", "txe", "xe", "tc", "rxe", "template", "userprops",
          "docvar", "mmathPr", "pgdsctbl", "fchars", "lchars", "protusertbl", "objdata",
          "background", "wgrffmtfilter", "pagebb"}) {
      t.emplace(word, Keyword::SkipDestination);
    }
    return t;
  }();
  return table;
}

// Which characters the associated-character properties (\af, \afs, \ab, \ai)
// that follow apply to.
enum class RunType : std::uint8_t { None, LowAnsi, HighAnsi, DoubleByte, RightToLeft, LeftToRight };

// Properties of East Asian characters given apart from the others (\dbch\afsN).
struct AsianFormat {
  std::optional<double> pointSize;
  std::optional<bool> bold;
  std::optional<bool> italic;
  bool any() const { return pointSize || bold || italic; }
};

struct GroupState {
  TextFormat format{kDefaultPointSize, kBlack, false, false};
  ParagraphFormat paragraph;
  AsianFormat asian;
  RunType runType = RunType::None;
  int font = -1;  // -1: the document's default font
  int asianFont = -1;
  int unicodeSkip = 1;
  Destination destination = Destination::Body;
  Destination outsideUpr = Destination::Body;
  bool hidden = false;
};

struct FontEntry {
  std::string name;
  FontKind kind = FontKind::Any;
  bool fixedPitch = false;  // \fprq1
  int charsetCodePage = 0;
  int codePage = 0;  // from \cpg, overrides the charset's
  int effectiveCodePage() const { return codePage != 0 ? codePage : charsetCodePage; }
  FontKind effectiveKind() const { return fixedPitch ? FontKind::Monospace : kind; }
  bool eastAsian() const {
    const int cp = effectiveCodePage();
    return cp == 932 || cp == 936 || cp == 949 || cp == 950;
  }
};

// Room for as many faces as a file may name, besides the two fonts the writer
// always puts first, so that what is read is written and read back whole.
constexpr std::size_t kMaxFonts = kMaxTableEntries + 2;

int indentTwips(int parameter) { return std::clamp(parameter, -kMaxIndentTwips, kMaxIndentTwips); }
int spacingTwips(int parameter) { return std::clamp(parameter, 0, kMaxIndentTwips); }

class RtfParser {
 public:
  explicit RtfParser(std::string_view input) : in_(input) { stack_.emplace_back(); }

  RichTextDocument parse() {
    parseUntil(in_.size());
    return finish();
  }

  // Reads on until at least `end` bytes of the input are read, or the
  // document has ended.
  void parseUntil(std::size_t end) {
    while (pos_ < end && pos_ < in_.size() && !done_) {
      const auto c = static_cast<unsigned char>(in_[pos_++]);
      switch (c) {
        case '{': openGroup(); break;
        case '}': closeGroup(); break;
        case '\\': controlSequence(); break;
        case '\r':
        case '\n': break;
        default: character(c); break;
      }
    }
  }

  bool inputEnded() const { return done_ || pos_ >= in_.size(); }
  std::size_t bytesRead() const { return std::min(pos_, in_.size()); }
  std::size_t inputSize() const { return in_.size(); }

  // The paragraphs nothing more of the input can change: all but the current one.
  std::vector<Paragraph> takeFinishedParagraphs() { return document_.takeFinishedParagraphs(); }

  // The face of the document's default font, once its font table is read.
  std::string documentFontName() const {
    const auto deff = fonts_.find(defaultFont_);
    if (deff != fonts_.end() && !deff->second.name.empty()) return deff->second.name;
    return std::string(RichTextDocument::kDefaultFontName);
  }
  int defaultTabTwips() const { return defaultTabTwips_; }

  // Ends what the input left open; the document as read.
  RichTextDocument finish() {
    flushPending();
    resolveHighSurrogate();
    flushRun();
    // The final \par ends the last paragraph rather than opening an empty one.
    std::optional<ParagraphFormat> last;
    if (!pendingBreaks_.empty()) {
      last = pendingBreaks_.back();
      pendingBreaks_.pop_back();
    }
    flushBreaks();
    if (last) document_.setParagraphFormat(*last);
    document_.setFontName(documentFontName());
    document_.setDefaultTabTwips(defaultTabTwips_);
    return std::move(document_);
  }

 private:
  GroupState& top() { return stack_.back(); }

  // ---- groups ----

  void openGroup() {
    flushPending();
    skip_ = 0;
    star_ = false;
    if (stack_.size() > static_cast<std::size_t>(kMaxRtfGroupDepth)) {
      ++overflowDepth_;
      return;
    }
    GroupState child = top();
    if (child.destination == Destination::Upr) child.destination = Destination::UprChild;
    stack_.push_back(child);
  }

  void closeGroup() {
    flushPending();
    skip_ = 0;
    star_ = false;
    if (overflowDepth_ > 0) {
      --overflowDepth_;
      return;
    }
    if (stack_.size() == 1) return;  // no group open: ignore the brace
    const Destination closing = top().destination;
    if (closing == Destination::FontTable) finishFontName();
    if (closing == Destination::ColourTable && colourHasValue_) finishColour();
    stack_.pop_back();
    if (stack_.size() == 1 && seenRtf_) done_ = true;
  }

  // Destinations change only in a group below the outermost one, and not
  // inside groups beyond the depth limit (they share the deepest group's state).
  void setDestination(Destination destination) {
    if (overflowDepth_ == 0 && stack_.size() > 2) top().destination = destination;
  }

  static bool showsNothing(Destination d) {
    return d == Destination::Skip || d == Destination::Upr || d == Destination::UprChild;
  }

  // ---- characters ----

  void character(unsigned char c) {
    if (c < 0x20 && c != '\t') return;
    star_ = false;
    if (skip_ > 0) {
      --skip_;
      return;
    }
    const Destination d = top().destination;
    if (showsNothing(d)) return;
    if (d == Destination::ColourTable) {
      if (c == ';') finishColour();
      return;
    }
    if (d == Destination::FontTable && c == ';') {
      flushPending();
      finishFontName();
      return;
    }
    if (c == '\t') {
      flushPending();
      emitText("\t");
    } else if (c >= 0x80 || !pendingBytes_.empty()) {
      addByte(c);
    } else {
      const char ch = static_cast<char>(c);
      emitText(std::string_view(&ch, 1));
    }
  }

  void controlSequence() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      controlWord();
    } else {
      ++pos_;
      controlSymbol(c);
    }
  }

  void controlSymbol(char c) {
    if (c == '\'') {
      int value = 0;
      int digits = 0;
      while (digits < 2 && pos_ < in_.size()) {
        const int digit = hexValue(in_[pos_]);
        if (digit < 0) break;
        value = value * 16 + digit;
        ++digits;
        ++pos_;
      }
      star_ = false;
      if (skip_ > 0) {
        --skip_;
      } else if (digits > 0 && !showsNothing(top().destination)) {
        addByte(static_cast<unsigned char>(value));
      }
      return;
    }
    flushPending();
    if (skip_ > 0) {
      --skip_;
      return;
    }
    if (c == '*') {
      star_ = true;
      return;
    }
    star_ = false;
    switch (c) {
      case '\\':
      case '{':
      case '}': emitText(std::string_view(&c, 1)); break;
      case '~': emitCodePoint(0x00A0); break;
      case '_': emitCodePoint(0x2011); break;
      case '\t': emitText("\t"); break;
      case '\r':
      case '\n': paragraphBreak(); break;
      default: break;  // \- optional hyphen, \| \: and unknown symbols
    }
  }

  void controlWord() {
    std::string_view name;
    const std::size_t start = pos_;
    while (pos_ < in_.size() && ((in_[pos_] >= 'a' && in_[pos_] <= 'z') || (in_[pos_] >= 'A' && in_[pos_] <= 'Z'))) {
      ++pos_;
    }
    if (pos_ - start <= kMaxWordLength) name = in_.substr(start, pos_ - start);

    bool hasParameter = false;
    bool negative = false;
    std::int64_t value = 0;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && isDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
      hasParameter = true;
      value = std::min<std::int64_t>(value * 10 + (in_[pos_] - '0'), kMaxParameter);
      ++pos_;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    const int parameter = static_cast<int>(negative ? -value : value);

    flushPending();
    const bool star = star_;
    star_ = false;
    const auto found = keywords().find(name);
    const bool known = !name.empty() && found != keywords().end();
    if (skip_ > 0) {
      --skip_;
      if (known && found->second == Keyword::Binary) skipBinary(parameter);
      return;
    }
    if (!known) {
      if (star) setDestination(Destination::Skip);
      return;
    }
    const Keyword keyword = found->second;
    GroupState& state = top();
    if (showsNothing(state.destination)) {
      if (keyword == Keyword::Binary) skipBinary(parameter);
      if (keyword == Keyword::Ud && state.destination != Destination::Skip) {
        state.destination = state.outsideUpr;
      }
      return;
    }
    word(keyword, hasParameter, parameter, state);
  }

  void word(Keyword keyword, bool hasParameter, int parameter, GroupState& state) {
    const bool on = !hasParameter || parameter != 0;
    switch (keyword) {
      case Keyword::Rtf: seenRtf_ = true; break;
      case Keyword::Ansi: documentCodePage_ = 1252; break;
      case Keyword::Mac: documentCodePage_ = 10000; break;
      case Keyword::Pc: documentCodePage_ = 437; break;
      case Keyword::Pca: documentCodePage_ = 850; break;
      case Keyword::AnsiCodePage:
        if (parameter > 0) documentCodePage_ = parameter;
        break;
      case Keyword::DefaultFont: defaultFont_ = parameter; break;
      case Keyword::DefaultTab:
        if (hasParameter && parameter > 0) defaultTabTwips_ = std::min(parameter, kMaxIndentTwips);
        break;
      case Keyword::Plain:
        state.format = GroupState{}.format;
        state.asian = AsianFormat{};
        state.font = -1;
        state.asianFont = -1;
        state.hidden = false;
        break;
      case Keyword::LowAnsi: state.runType = RunType::LowAnsi; break;
      case Keyword::HighAnsi: state.runType = RunType::HighAnsi; break;
      case Keyword::DoubleByte: state.runType = RunType::DoubleByte; break;
      case Keyword::RightToLeft: state.runType = RunType::RightToLeft; break;
      case Keyword::LeftToRight: state.runType = RunType::LeftToRight; break;
      case Keyword::AssociatedFont:
        if (state.runType == RunType::DoubleByte) state.asianFont = parameter;
        break;
      case Keyword::AssociatedSize:
        if (state.runType == RunType::DoubleByte) state.asian.pointSize = pointSizeOf(hasParameter, parameter);
        break;
      case Keyword::AssociatedBold:
        if (state.runType == RunType::DoubleByte) state.asian.bold = on;
        break;
      case Keyword::AssociatedItalic:
        if (state.runType == RunType::DoubleByte) state.asian.italic = on;
        break;
      case Keyword::Bold: state.format.bold = on; break;
      case Keyword::Italic: state.format.italic = on; break;
      case Keyword::Hidden: state.hidden = on; break;
      case Keyword::FontSize: state.format.pointSize = pointSizeOf(hasParameter, parameter); break;
      case Keyword::Colour: state.format.colour = colourAt(parameter); break;
      case Keyword::Font:
        if (state.destination == Destination::FontTable) {
          currentFont_ = parameter;
        } else {
          state.font = parameter;
        }
        break;
      case Keyword::UnicodeSkip:
        state.unicodeSkip = hasParameter ? std::clamp(parameter, 0, kMaxUnicodeSkip) : 1;
        break;
      case Keyword::Unicode:
        unicode(parameter);
        skip_ = state.unicodeSkip;
        break;
      case Keyword::Binary: skipBinary(parameter); break;
      case Keyword::Paragraph: paragraphBreak(); break;
      case Keyword::LineBreak: lineBreak(); break;
      case Keyword::Tab: emitText("\t"); break;
      case Keyword::ParagraphDefaults: state.paragraph = ParagraphFormat{}; break;
      case Keyword::AlignLeft: state.paragraph.alignment = Alignment::Left; break;
      case Keyword::AlignCentre: state.paragraph.alignment = Alignment::Centre; break;
      case Keyword::AlignRight: state.paragraph.alignment = Alignment::Right; break;
      case Keyword::AlignJustify: state.paragraph.alignment = Alignment::Justify; break;
      case Keyword::LeftIndent: state.paragraph.leftIndent = indentTwips(parameter); break;
      case Keyword::RightIndent: state.paragraph.rightIndent = indentTwips(parameter); break;
      case Keyword::FirstLineIndent: state.paragraph.firstLineIndent = indentTwips(parameter); break;
      case Keyword::SpaceBefore: state.paragraph.spaceBefore = spacingTwips(parameter); break;
      case Keyword::SpaceAfter: state.paragraph.spaceAfter = spacingTwips(parameter); break;
      case Keyword::FontTable: setDestination(Destination::FontTable); break;
      case Keyword::ColourTable:
        setDestination(Destination::ColourTable);
        colourHasValue_ = false;
        pendingColour_ = Rgb{};
        break;
      case Keyword::FontCharset:
        if (FontEntry* entry = fontEntry()) entry->charsetCodePage = codePageOfCharset(parameter);
        break;
      case Keyword::FontCodePage:
        if (FontEntry* entry = fontEntry()) entry->codePage = std::max(parameter, 0);
        break;
      case Keyword::FontPitch:
        if (FontEntry* entry = fontEntry()) entry->fixedPitch = parameter == 1;
        break;
      case Keyword::FontNil: setFontKind(FontKind::Any); break;
      case Keyword::FontRoman: setFontKind(FontKind::Serif); break;
      case Keyword::FontSwiss: setFontKind(FontKind::SansSerif); break;
      case Keyword::FontModern: setFontKind(FontKind::Monospace); break;
      case Keyword::FontScript: setFontKind(FontKind::Script); break;
      case Keyword::FontDecor: setFontKind(FontKind::Decorative); break;
      case Keyword::FontTech: setFontKind(FontKind::Symbol); break;
      case Keyword::Red:
      case Keyword::Green:
      case Keyword::Blue:
        if (state.destination == Destination::ColourTable) {
          const auto component = static_cast<std::uint8_t>(std::clamp(parameter, 0, 255));
          if (keyword == Keyword::Red) pendingColour_.red = component;
          if (keyword == Keyword::Green) pendingColour_.green = component;
          if (keyword == Keyword::Blue) pendingColour_.blue = component;
          colourHasValue_ = true;
        }
        break;
      case Keyword::Upr:
        if (overflowDepth_ == 0 && stack_.size() > 2) {
          state.outsideUpr = state.destination;
          state.destination = Destination::Upr;
        }
        break;
      case Keyword::Ud: break;  // outside \upr its content is ordinary text
      case Keyword::SkipDestination: setDestination(Destination::Skip); break;
      case Keyword::EmDash: emitCodePoint(0x2014); break;
      case Keyword::EnDash: emitCodePoint(0x2013); break;
      case Keyword::Bullet: emitCodePoint(0x2022); break;
      case Keyword::LeftQuote: emitCodePoint(0x2018); break;
      case Keyword::RightQuote: emitCodePoint(0x2019); break;
      case Keyword::LeftDoubleQuote: emitCodePoint(0x201C); break;
      case Keyword::RightDoubleQuote: emitCodePoint(0x201D); break;
      case Keyword::EmSpace: emitCodePoint(0x2003); break;
      case Keyword::EnSpace: emitCodePoint(0x2002); break;
      case Keyword::QuarterEmSpace: emitCodePoint(0x2005); break;
      case Keyword::ZeroWidthJoiner: emitCodePoint(0x200D); break;
      case Keyword::ZeroWidthNonJoiner: emitCodePoint(0x200C); break;
      case Keyword::LtrMark: emitCodePoint(0x200E); break;
      case Keyword::RtlMark: emitCodePoint(0x200F); break;
    }
  }

  static double pointSizeOf(bool hasParameter, int halfPoints) {
    return hasParameter && halfPoints > 0 ? std::min(halfPoints, kMaxHalfPoints) / 2.0 : kDefaultPointSize;
  }

  void skipBinary(int count) {
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    pos_ += std::min(n, in_.size() - pos_);
  }

  // \uN: N is a signed 16-bit UTF-16 unit; pairs of surrogates form one character.
  void unicode(int n) {
    if (n < -32768 || n > 65535) {
      emitCodePoint(kReplacementCharacter);
      return;
    }
    const auto unit = static_cast<char32_t>(n < 0 ? n + 65536 : n);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      resolveHighSurrogate();
      highSurrogate_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (highSurrogate_ != 0) {
        const char32_t cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
        highSurrogate_ = 0;
        emitCodePoint(cp);
      } else {
        emitCodePoint(kReplacementCharacter);
      }
    } else {
      emitCodePoint(unit);
    }
  }

  void resolveHighSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    emitCodePoint(kReplacementCharacter);
  }

  // ---- code page bytes ----

  int currentCodePage() {
    const GroupState& state = top();
    int font = state.font < 0 ? defaultFont_ : state.font;
    if (state.runType == RunType::DoubleByte && state.asianFont >= 0) font = state.asianFont;
    if (state.destination == Destination::FontTable) font = currentFont_;
    const auto found = fonts_.find(font);
    if (found != fonts_.end() && found->second.effectiveCodePage() != 0) {
      return found->second.effectiveCodePage();
    }
    return documentCodePage_;
  }

  void addByte(unsigned char byte) {
    const int codePage = currentCodePage();
    if (!pendingBytes_.empty() && codePage != pendingCodePage_) flushPending();
    pendingCodePage_ = codePage;
    pendingBytes_.push_back(static_cast<char>(byte));
  }

  void flushPending() {
    if (pendingBytes_.empty()) return;
    std::string decoded;
    decoder_.decode(pendingBytes_, pendingCodePage_, decoded);
    pendingBytes_.clear();
    emitText(decoded);
  }

  // ---- output ----

  void emitCodePoint(char32_t cp) {
    std::string utf8;
    appendUtf8(utf8, cp);
    emitText(utf8);
  }

  void emitText(std::string_view utf8) {
    resolveHighSurrogate();
    const GroupState& state = top();
    if (state.destination == Destination::FontTable) {
      if (fontName_.size() + utf8.size() <= kMaxFontNameBytes) fontName_ += utf8;
      return;
    }
    if (state.destination != Destination::Body || state.hidden) return;
    flushBreaks();
    document_.setParagraphFormat(state.paragraph);
    const TextFormat format = withRunFace(state);
    if (!state.asian.any()) {
      appendToRun(utf8, format);
      lastWasAsian_ = false;
      return;
    }
    TextFormat asianFormat = format;
    if (state.asian.pointSize) asianFormat.pointSize = *state.asian.pointSize;
    if (state.asian.bold) asianFormat.bold = *state.asian.bold;
    if (state.asian.italic) asianFormat.italic = *state.asian.italic;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
      const std::size_t start = pos;
      const char32_t cp = nextUtf8(utf8, pos);
      // Spaces, digits and punctuation go with the characters before them.
      const bool weak = cp < 0x80 && !((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z'));
      if (!weak) lastWasAsian_ = isCjkCodePoint(cp);
      appendToRun(utf8.substr(start, pos - start), lastWasAsian_ ? asianFormat : format);
    }
  }

  // The state's format with the face of its font, when that is neither the
  // document's default font nor an East Asian one: East Asian faces are left
  // to the platform, which picks one that has the characters (the writer
  // puts its own East Asian font in the table and marks nothing else with it).
  TextFormat withRunFace(const GroupState& state) const {
    TextFormat format = state.format;
    if (state.font < 0 || state.font == defaultFont_) return format;
    const auto found = fonts_.find(state.font);
    if (found == fonts_.end() || found->second.eastAsian()) return format;
    format.fontName = found->second.name;
    format.fontKind = found->second.effectiveKind();
    return format;
  }

  void appendToRun(std::string_view utf8, const TextFormat& format) {
    if (!runText_.empty() && !(runFormat_ == format)) flushRun();
    runFormat_ = format;
    runText_ += utf8;
  }

  void flushRun() {
    if (runText_.empty()) return;
    document_.appendRun(runText_, runFormat_);
    runText_.clear();
  }

  // The paragraph ends with the layout in effect at its mark.
  void paragraphBreak() {
    if (top().destination != Destination::Body) return;
    resolveHighSurrogate();
    flushRun();
    lastWasAsian_ = false;
    pendingBreaks_.push_back(top().paragraph);
  }

  void lineBreak() {
    if (top().destination == Destination::Body) emitCodePoint(kLineSeparator);
  }

  void flushBreaks() {
    for (const ParagraphFormat& format : pendingBreaks_) {
      flushRun();
      document_.setParagraphFormat(format);
      document_.endParagraph();
    }
    pendingBreaks_.clear();
  }

  // ---- tables ----

  FontEntry* fontEntry() {
    if (top().destination != Destination::FontTable) return nullptr;
    auto found = fonts_.find(currentFont_);
    if (found == fonts_.end()) {
      if (fonts_.size() >= kMaxFonts) return nullptr;
      found = fonts_.emplace(currentFont_, FontEntry{}).first;
    }
    return &found->second;
  }

  void setFontKind(FontKind kind) {
    if (FontEntry* entry = fontEntry()) entry->kind = kind;
  }

  // A name keeps no control characters and no ';', which would end it in a
  // font table.
  void finishFontName() {
    std::string name;
    for (char c : fontName_) {
      if (static_cast<unsigned char>(c) >= 0x20 && c != ';') name += c;
    }
    fontName_.clear();
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return;
    name = name.substr(first, name.find_last_not_of(' ') - first + 1);
    if (FontEntry* entry = fontEntry()) entry->name = std::move(name);
  }

  void finishColour() {
    if (colours_.size() < kMaxTableEntries) {
      colours_.push_back(colourHasValue_ ? std::optional<Rgb>(pendingColour_) : std::nullopt);
    }
    colourHasValue_ = false;
    pendingColour_ = Rgb{};
  }

  Rgb colourAt(int index) const {
    if (index >= 0 && static_cast<std::size_t>(index) < colours_.size() && colours_[static_cast<std::size_t>(index)]) {
      return *colours_[static_cast<std::size_t>(index)];
    }
    return kBlack;  // \cf0 and entries without a value are the automatic colour
  }

  static bool isDigit(char c) { return c >= '0' && c <= '9'; }
  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  bool done_ = false;
  bool seenRtf_ = false;
  bool star_ = false;          // \* seen; an unknown destination word follows
  int skip_ = 0;               // fallback characters of \uN still to skip
  char32_t highSurrogate_ = 0;
  std::vector<GroupState> stack_;  // [0] is outside any group
  std::size_t overflowDepth_ = 0;

  int documentCodePage_ = 1252;
  int defaultFont_ = 0;
  int defaultTabTwips_ = RichTextDocument::kDefaultTabTwips;
  std::map<int, FontEntry> fonts_;
  int currentFont_ = 0;
  std::string fontName_;
  std::vector<std::optional<Rgb>> colours_;
  Rgb pendingColour_;
  bool colourHasValue_ = false;

  CodePageDecoder decoder_;
  std::string pendingBytes_;
  int pendingCodePage_ = 1252;

  RichTextDocument document_;
  std::string runText_;
  TextFormat runFormat_;
  std::vector<ParagraphFormat> pendingBreaks_;  // the layout of each paragraph ended but not yet begun anew
  bool lastWasAsian_ = false;
};

}  // namespace

RichTextDocument readRtf(std::string_view rtf) { return RtfParser(withoutByteOrderMark(rtf)).parse(); }

struct RtfPieceReader::State {
  explicit State(std::string_view rtf) : parser(withoutByteOrderMark(rtf)) {}
  RtfParser parser;
  bool ended = false;
};

RtfPieceReader::RtfPieceReader(std::string_view rtf) : state_(std::make_unique<State>(rtf)) {}
RtfPieceReader::~RtfPieceReader() = default;

std::vector<Paragraph> RtfPieceReader::readPiece(std::size_t bytes) {
  if (state_->ended) return {};
  RtfParser& parser = state_->parser;
  parser.parseUntil(parser.bytesRead() + std::max<std::size_t>(bytes, 1));
  std::vector<Paragraph> piece = parser.takeFinishedParagraphs();
  if (!parser.inputEnded()) return piece;
  state_->ended = true;
  std::vector<Paragraph> rest = parser.finish().takeAllParagraphs();
  piece.insert(piece.end(), std::make_move_iterator(rest.begin()), std::make_move_iterator(rest.end()));
  return piece;
}

bool RtfPieceReader::atEnd() const { return state_->ended; }
// Whatever follows the document's end is not read; it counts as read.
std::size_t RtfPieceReader::bytesRead() const {
  return state_->ended ? state_->parser.inputSize() : state_->parser.bytesRead();
}
std::size_t RtfPieceReader::inputSize() const { return state_->parser.inputSize(); }
std::string RtfPieceReader::fontName() const { return state_->parser.documentFontName(); }
int RtfPieceReader::defaultTabTwips() const { return state_->parser.defaultTabTwips(); }

std::string_view withoutByteOrderMark(std::string_view bytes) {
  return bytes.starts_with(kUtf8ByteOrderMark) ? bytes.substr(kUtf8ByteOrderMark.size()) : bytes;
}

bool looksLikeRtf(std::string_view bytes) {
  bytes = withoutByteOrderMark(bytes);
  const auto first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes.substr(first).starts_with("{\\rtf");
}

}  // namespace solwire
