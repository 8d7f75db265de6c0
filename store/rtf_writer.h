// Writes a rich-text document as RTF that word processors open as written:
// 7-bit output, every non-ASCII character as \uN with a one-character
// fallback, sizes in half points, colours from the colour table. Runs holding
// CJK characters use a second font with the GB2312 charset, which is also the
// East Asian font of the whole text, so that readers choose a CJK-capable face
// for them. Runs with a face of their own get a font of their own after those
// two; a paragraph's layout is written where it differs from the one before,
// and a line separator as \line.
#pragma once

#include <string>

#include "store/rich_text_document.h"

namespace solwire {

struct RtfWriteOptions {
  std::string cjkFontName = "SimSun";
};

std::string writeRtf(const RichTextDocument& document, const RtfWriteOptions& options = {});

// Point sizes are written as whole half points within this range.
inline constexpr int kMinHalfPoints = 1;
inline constexpr int kMaxHalfPoints = 3276;

// The half-point size written for a point size: rounded and clamped; a size
// that is not a positive number becomes 10 points.
int halfPointsOf(double pointSize);

}  // namespace solwire
