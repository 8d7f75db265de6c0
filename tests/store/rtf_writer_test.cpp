#include "store/rtf_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

#include "store/own_rtf_header.h"
#include "store/rtf_reader.h"
#include "store/rtf_splice.h"

namespace solwire {
namespace {

int count(const std::string& text, std::string_view what) {
  int n = 0;
  for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size())) ++n;
  return n;
}

RichTextDocument oneRun(std::string_view text, TextFormat format = {}) {
  RichTextDocument document;
  document.appendRun(text, format);
  return document;
}

TEST(RtfWriter, WritesHeaderTablesAndOnlySevenBitText) {
  RichTextDocument document = oneRun("Café 中文 😀", {10, kRed, false, false});
  document.setFontName("Courier New");
  const std::string rtf = writeRtf(document);
  EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf;
  EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset0 Courier New;}{\\f1\\fnil\\fcharset134 SimSun;}}"),
            std::string::npos);
  EXPECT_NE(rtf.find("{\\colortbl ;\\red255\\green0\\blue0;}"), std::string::npos);
  EXPECT_TRUE(rtf.ends_with("\\par\n}\n"));
  for (char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

// Our own header is recognised, and appended to without reading the body,
// whether it names the tab spacing or was written before it did.
TEST(RtfWriter, WritesTheTabSpacingInAHeaderItRecognisesAsItsOwn) {
  RichTextDocument document = oneRun("Day\tCharge", {12, kBlue, false, false});
  const std::string rtf = writeRtf(document);
  EXPECT_NE(rtf.find("{\\*\\generator Solwire;}\\deftab720\\pard"), std::string::npos) << rtf;
  document.setDefaultTabTwips(567);
  const std::string other = writeRtf(document);
  EXPECT_EQ(count(other, "\\deftab567"), 1) << other;
  std::string old = rtf;
  old.erase(old.find("\\deftab720"), 10);

  RichTextDocument addition;
  addition.endParagraph();
  addition.appendRun("0\t12", {10, Rgb{0, 128, 0}, false, false});  // a new colour: the header is written again
  for (const auto& [name, file, tabs] : {std::tuple{"new", rtf, 720}, std::tuple{"other", other, 567},
                                        std::tuple{"old", old, 720}}) {
    SCOPED_TRACE(name);
    const std::optional<OwnRtfHeader> header = readOwnRtfHeader(file);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->size, file.find("\\pard\\plain"));
    const std::optional<std::string> spliced = spliceIntoOwnRtf(file, addition);
    ASSERT_TRUE(spliced.has_value());
    EXPECT_EQ(readRtf(*spliced).defaultTabTwips(), tabs);
    EXPECT_EQ(readRtf(*spliced).plainText(), "Day\tCharge\n0\t12");
    EXPECT_EQ(count(*spliced, "\\deftab"), count(file, "\\deftab"));  // an old header stays as it was
  }
  // A spacing written some other way is no header of ours.
  std::string padded = rtf;
  padded.replace(padded.find("\\deftab720"), 10, "\\deftab0720");
  EXPECT_FALSE(readOwnRtfHeader(padded).has_value());
}

TEST(RtfWriter, EscapesSpecialsAndEncodesNonAsciiAsSigned16BitUnits) {
  const std::string rtf = writeRtf(oneRun("a\\b{c}\td é € 中 \uFFFF 😀"));
  EXPECT_NE(rtf.find("a\\\\b\\{c\\}\\tab d"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\u233\\'e9"), std::string::npos);    // cp1252 fallback
  EXPECT_NE(rtf.find("\\u8364\\'80"), std::string::npos);   // € is 0x80 in cp1252
  EXPECT_NE(rtf.find("\\u20013?"), std::string::npos);
  EXPECT_NE(rtf.find("\\u-1?"), std::string::npos);         // U+FFFF
  EXPECT_NE(rtf.find("\\u-10179?\\u-8704?"), std::string::npos);  // U+1F600 as a surrogate pair
}

TEST(RtfWriter, WritesFormatChangesOnlyWhereTheyChange) {
  RichTextDocument document;
  document.appendRun("red", 10, kRed);
  document.appendRun("blue bold", 13, kBlue, true);
  document.endParagraph();
  document.appendRun("blue bold", 13, kBlue, true);
  document.appendRun("KVRD 数据", 13, kBlue, false, true);
  document.appendRun(" black", 10.5, kBlack);
  const std::string rtf = writeRtf(document);
  EXPECT_NE(rtf.find("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green0\\blue0;}"),
            std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\f0\\fs20\\cf1 red\\fs26\\cf2\\b blue bold\\par"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\par\nblue bold\\f1\\b0\\i KVRD"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\f0\\fs21\\cf3\\i0  black"), std::string::npos) << rtf;
  EXPECT_EQ(count(rtf, "\\par\n"), 2);
}

TEST(RtfWriter, WritesParagraphLayoutWhereItChangesAndRunFacesInTheFontTable) {
  RichTextDocument document;
  document.setParagraphFormat({Alignment::Centre, 0, 0, 0, 120, 240});
  document.appendRun("Title", 18);
  document.endParagraph();
  document.setParagraphFormat({Alignment::Left, 720, 360, -180, 0, 0});
  document.appendRun("[Ports]\u2028COM1=sim", TextFormat{10, kBlack, false, false, "Courier New", FontKind::Monospace});
  document.endParagraph();
  document.setParagraphFormat({Alignment::Left, 720, 360, -180, 0, 0});
  document.appendRun("中文", TextFormat{10, kBlack, false, false, "", FontKind::Serif});
  document.appendRun("again", TextFormat{10, kBlack, false, false, "Courier New", FontKind::Monospace});
  document.endParagraph();
  const std::string rtf = writeRtf(document);
  EXPECT_NE(rtf.find("{\\f2\\fmodern\\fcharset0 Courier New;}{\\f3\\froman\\fcharset0 ;}}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\qc\\sb120\\sa240\\f0\\fs36"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\li720\\ri360\\fi-180\\f2\\fs20 [Ports]\\line COM1=sim\\par\n\\f3"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\f2 again"), std::string::npos) << rtf;
  // The header's, then the title, the snippet and the last, empty paragraph
  // back to the default layout; the third paragraph has the snippet's.
  EXPECT_EQ(count(rtf, "\\pard"), 4);
}

TEST(RtfWriter, FontNamesCannotBreakTheFontTable) {
  RichTextDocument document;
  document.setFontName("Evil;}{\\rtf1\nName");
  const std::string rtf = writeRtf(document, RtfWriteOptions{"宋体"});
  EXPECT_NE(rtf.find("\\fcharset0 Evil\\}\\{\\\\rtf1Name;}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\fcharset134 \\u23435?\\u20307?;}"), std::string::npos) << rtf;
}

TEST(RtfWriter, HalfPointsAreRoundedAndClamped) {
  EXPECT_EQ(halfPointsOf(10), 20);
  EXPECT_EQ(halfPointsOf(10.3), 21);
  EXPECT_EQ(halfPointsOf(0.1), kMinHalfPoints);
  EXPECT_EQ(halfPointsOf(1e9), kMaxHalfPoints);
  EXPECT_EQ(halfPointsOf(0), 20);
  EXPECT_EQ(halfPointsOf(-4), 20);
  EXPECT_EQ(halfPointsOf(std::numeric_limits<double>::quiet_NaN()), 20);
  EXPECT_EQ(halfPointsOf(std::numeric_limits<double>::infinity()), 20);
}

}  // namespace
}  // namespace solwire
