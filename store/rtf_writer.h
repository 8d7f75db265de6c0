// Writes a rich-text document as RTF that word processors open as written:
// 7-bit output, every non-ASCII character as \uN with a one-character
// fallback, sizes in half points, colours from the colour table. Runs holding
// CJK characters use a second font with the GB2312 charset, which is also the
// East Asian font of the whole text, so that readers choose a CJK-capable face
// for them. Runs with a face of their own get a font of their own after those
// two; a paragraph's layout is written where it differs from the one before,
// and a line separator as \line.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/rich_text_document.h"

namespace solwire {

struct RtfWriteOptions {
  std::string cjkFontName = "SimSun";
};

std::string writeRtf(const RichTextDocument& document, const RtfWriteOptions& options = {});

// The font and colour tables of a file: \f0 is the document's face, \f1 the
// CJK font, then the faces runs ask for; colours are numbered from 1. With
// them the tab spacing (\deftab). A file is its header (the tables), its
// body (the paragraphs) and the closing brace, so text written later with the
// same tables can go before that brace.
struct RtfTables {
  std::string fontName;
  std::string cjkFontName;
  std::vector<std::pair<std::string, FontKind>> faces;  // \f2 onwards
  std::vector<Rgb> colours;                             // \cf1 onwards
  // Files written before the tab spacing was written have none; they read
  // with RTF's default, which is the document's default too.
  std::optional<int> defaultTabTwips;

  static constexpr int kFirstFaceIndex = 2;

  // The index of a run's own face or colour; added at the end when missing,
  // so that indices already written keep their meaning.
  int faceIndex(const TextFormat& format);
  int colourIndex(Rgb colour);
  // Adds every face and colour the paragraphs use, in order of first use.
  void addFacesAndColoursOf(std::span<const Paragraph> paragraphs);

  bool operator==(const RtfTables&) const = default;
};

// The tables writeRtf writes for a document.
RtfTables rtfTablesOf(const RichTextDocument& document, const RtfWriteOptions& options = {});

// Everything before the body: the RTF group's opening, font and colour tables,
// generator, tab spacing.
std::string writeRtfHeader(const RtfTables& tables);

// Paragraphs as a body: it starts from plain text and default layout
// (\pard\plain), so it reads the same after any other body. Every face and
// colour of the paragraphs must be in `tables`.
std::string writeRtfBody(std::span<const Paragraph> paragraphs, const RtfTables& tables);

// What ends a file after its body.
inline constexpr std::string_view kRtfTrailer = "}\n";

// A font table entry ends at ';', so a name keeps neither that nor control characters.
std::string fontTableName(std::string_view name);

// Point sizes are written as whole half points within this range.
inline constexpr int kMinHalfPoints = 1;
inline constexpr int kMaxHalfPoints = 3276;

// The half-point size written for a point size: rounded and clamped; a size
// that is not a positive number becomes 10 points.
int halfPointsOf(double pointSize);

}  // namespace solwire
