#include "store/rtf_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/rich_text_file.h"
#include "store/rtf_writer.h"

namespace solwire {
namespace {

using Runs = std::vector<TextRun>;

std::string text(std::string_view rtf) { return readRtf(rtf).plainText(); }

// ---- Round trips through our own writer ----

RichTextDocument sampleReport() {
  RichTextDocument document;
  document.setFontName("WenQuanYi Micro Hei");
  document.endParagraph();  // a report starts on a fresh line
  document.appendRun(std::string(101, '-'), 10, kRed);
  document.endParagraph();
  document.appendRun("KVRD 数据", 13, kBlue);
  document.appendRun("    2024/05/01  12:00:00     ", 10);
  document.appendRun("设置 5      状态: *    24  V.", 13);
  document.endParagraph();
  document.appendRun("Day\tCharge    \tDischarge ", 13, kBlue, true);
  document.endParagraph();
  document.appendRun("\tAh\t\tAh\t\tV\t\tV", 10.5, kBlue, false, true);
  document.endParagraph();
  document.appendRun("Braces {x} back\\slash é € 😀 \u00A0 \uFFFF", 10, Rgb{1, 2, 3}, true, true);
  return document;
}

TEST(RtfRoundTrip, KeepsTextTabsSizesColoursStylesParagraphsAndChinese) {
  const RichTextDocument report = sampleReport();
  EXPECT_EQ(readRtf(writeRtf(report)), report);

  RichTextDocument endsWithEmptyLines = report;
  endsWithEmptyLines.endParagraph();
  endsWithEmptyLines.endParagraph();
  EXPECT_EQ(readRtf(writeRtf(endsWithEmptyLines)), endsWithEmptyLines);
  EXPECT_EQ(readRtf(writeRtf(RichTextDocument{})), RichTextDocument{});
}

// A help page: centred title, indented items with space around them, a
// monospaced snippet whose lines break inside one paragraph.
RichTextDocument laidOutDocument() {
  RichTextDocument document;
  document.setParagraphFormat({Alignment::Centre, 0, 0, 0, 0, 240});
  document.appendRun("Title", TextFormat{18, kBlue, true, false});
  document.endParagraph();
  document.setParagraphFormat({Alignment::Left, 360, 120, -180, 60, 80});
  document.appendRun("Item ", 10);
  document.appendRun("bold", 10, kBlack, true);
  document.endParagraph();
  document.setParagraphFormat({Alignment::Left, 720, 0, 0, 0, 120});
  document.appendRun("[Ports]\u2028COM1=sim", TextFormat{10, kBlack, false, false, "Courier New", FontKind::Monospace});
  document.appendRun(" 中文", 10);
  document.endParagraph();
  document.setParagraphFormat({Alignment::Justify, 0, 0, 0, 0, 0});
  document.appendRun("serif", TextFormat{10, kBlack, false, false, "", FontKind::Serif});
  document.appendRun("named", TextFormat{10, kBlack, false, false, "DejaVu Sans", FontKind::Any});
  document.endParagraph();
  document.setParagraphFormat({Alignment::Right, 0, 0, 0, 0, 0});  // an empty last paragraph keeps its format
  return document;
}

TEST(RtfRoundTrip, KeepsParagraphLayoutFacesAndLineBreaks) {
  const RichTextDocument document = laidOutDocument();
  EXPECT_EQ(readRtf(writeRtf(document)), document);
  EXPECT_EQ(readRtf(writeRtf(document)).plainText(), "Title\nItem bold\n[Ports]\nCOM1=sim 中文\nserifnamed\n");
}

TEST(RtfRoundTrip, AppendingToALoadedFileKeepsEarlierReports) {
  RichTextDocument file = readRtf(writeRtf(sampleReport()));
  file.append(sampleReport());
  const RichTextDocument reloaded = readRtf(writeRtf(file));
  EXPECT_EQ(reloaded, file);
  EXPECT_EQ(reloaded.plainText(), sampleReport().plainText() + sampleReport().plainText());
}

// ---- What word processors write ----

TEST(RtfReader, ReadsWordPadStyleWithTablesCp1252AndChineseInAGbkFont) {
  const RichTextDocument document = readRtf(
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}"
      "{\\f1\\fnil\\fcharset134 SimSun;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
      "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
      "\\pard\\sa200\\sl276\\slmult1\\cf1\\f0\\fs20\\lang9 Caf\\'e9 \\'80 5\\tab\\b bold\\b0\\par\r\n"
      "\\cf2\\f1\\fs26\\lang2052\\'d6\\'d0\\'ce\\'c4\\f0\\lang9  \\u20013?\\u25991?\\par\r\n}\r\n");
  EXPECT_EQ(document.fontName(), "Calibri");
  ASSERT_EQ(document.paragraphs().size(), 2u);
  EXPECT_EQ(document.paragraphs()[0].runs,
            (Runs{{"Café € 5\t", {10, kRed, false, false}}, {"bold", {10, kRed, true, false}}}));
  EXPECT_EQ(document.paragraphs()[1].runs, (Runs{{"中文 中文", {13, kBlue, false, false}}}));
}

TEST(RtfReader, DecodesBytesInTheCodePageOfTheFontOrTheDocument) {
  // A Chinese WordPad file: code page 936 throughout, font name in GBK.
  const RichTextDocument chinese = readRtf(
      "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
      "\\pard\\f0\\fs22\\'b5\\'e7\\'b3\\'d8\\'b5\\'e7\\'d1\\'b9 12.5V\\par}");
  EXPECT_EQ(chinese.fontName(), "宋体");
  EXPECT_EQ(chinese.plainText(), "电池电压 12.5V");

  // Charset 0 follows \ansicpg; other charsets and \cpg bring their own code page.
  EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset238 B;}{\\f2\\cpg1253 C;}}"
                 "\\f0\\'c0\\f1\\'c8\\f2\\'c1\\f9\\'c0}"),
            "АČΑА");
  EXPECT_EQ(text("{\\rtf1\\ansi caf\xe9 \\mac \\'8e}"), "café é");  // raw 8-bit text, Mac Roman
  EXPECT_EQ(text("{\\rtf1\\ansi\\ansicpg99999 \\'e9}"), "é");      // unknown code page: Latin-1
}

TEST(RtfReader, SkipsUnicodeFallbacksAsTheGroupsUcSays) {
  EXPECT_EQ(text("{\\rtf1\\uc2\\u20013\\'d6\\'d0 x{\\uc0\\u25991 y}\\u25991\\'ce\\'c4z\\uc1\\u233?w}"), "中 x文y文zéw");
  EXPECT_EQ(text("{\\rtf1\\uc3\\u20013{b}}"), "中b");          // a group ends the fallback
  EXPECT_EQ(text("{\\rtf1\\u20013\\tab x\\u-3?}"), "中x\uFFFD");  // a control word counts as one
  EXPECT_EQ(text("{\\rtf1 \\u-10179?\\u-8704?}"), "😀");
  EXPECT_EQ(text("{\\rtf1 \\u-9000?a\\u-10179?b\\u-10179?}"), "\uFFFDa\uFFFDb\uFFFD");  // lone surrogates
}

TEST(RtfReader, SkipsDestinationsItDoesNotShow) {
  EXPECT_EQ(text("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\stylesheet{\\s0 Normal;}}{\\info{\\title Secret}}"
                 "{\\*\\unknown hidden {\\nested also}}{\\*\\generator Riched20;}"
                 "A{\\pict\\wmetafile8\\picw10 0a0b0c}B{\\*\\bkmkstart b}C"
                 "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt Link}}"
                 "D\\bin5 {}\\}xE{\\upr{ansi}{\\*\\ud{Uni}}}F{\\header Head}{\\footer Foot}{\\v hidden}G}"),
            "ABCLinkDEUniFG");
}

TEST(RtfReader, ReadsEscapesAndNamedCharacters) {
  EXPECT_EQ(text("{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g\\emdash h\\endash i\\bullet\\lquote j\\rquote"
                 "\\ldblquote k\\rdblquote\\line l\\tab m\\cell n\\row o\\\np}"),
            "a{b}c\\d\u00A0ef\u2011g—h–i•‘j’“k”\nl\tm\tn\no\np");
}

std::vector<ParagraphFormat> paragraphFormats(const RichTextDocument& document) {
  std::vector<ParagraphFormat> formats;
  for (const Paragraph& paragraph : document.paragraphs()) formats.push_back(paragraph.format);
  return formats;
}

TEST(RtfReader, KeepsAlignmentIndentsAndSpacingUntilPard) {
  const RichTextDocument document = readRtf(
      "{\\rtf1\\ansi\\pard\\qc\\sa240 Title\\par\r\n"
      "\\pard\\li360\\ri120\\fi-180\\sb60\\sa80 Item\\par Still the item's layout\\par\r\n"
      "\\pard\\qr right\\par\\qj justified\\par\\qd distributed\\par\\ql\\lin720\\rin240 logical\\par\r\n"
      "\\pard{\\qc closed before the mark} left\\par\r\n"
      "\\pard\\li99999999\\ri-99999999\\sb-20\\sa99999999 clamped\\par\r\n"
      "\\pard\\qc\\par\\pard last}");
  EXPECT_EQ(paragraphFormats(document), (std::vector<ParagraphFormat>{
                                            {Alignment::Centre, 0, 0, 0, 0, 240},
                                            {Alignment::Left, 360, 120, -180, 60, 80},
                                            {Alignment::Left, 360, 120, -180, 60, 80},
                                            {Alignment::Right, 0, 0, 0, 0, 0},
                                            {Alignment::Justify, 0, 0, 0, 0, 0},
                                            {Alignment::Justify, 0, 0, 0, 0, 0},
                                            {Alignment::Left, 720, 240, 0, 0, 0},
                                            {Alignment::Left, 0, 0, 0, 0, 0},
                                            {Alignment::Left, kMaxIndentTwips, -kMaxIndentTwips, 0, 0, kMaxIndentTwips},
                                            {Alignment::Centre, 0, 0, 0, 0, 0},
                                            {Alignment::Left, 0, 0, 0, 0, 0},
                                        }));
  EXPECT_EQ(document.paragraphs()[9].plainText(), "");
}

TEST(RtfReader, LineBreaksStayInsideTheParagraph) {
  const RichTextDocument document = readRtf("{\\rtf1\\pard\\li720\\sa120 [Ports]\\line COM1=sim\\line\\par after\\par}");
  ASSERT_EQ(document.paragraphs().size(), 2u);
  EXPECT_EQ(document.paragraphs()[0].runs[0].text, "[Ports]\u2028COM1=sim\u2028");
  EXPECT_EQ(document.paragraphs()[0].format.leftIndent, 720);
  EXPECT_EQ(document.plainText(), "[Ports]\nCOM1=sim\n\nafter");
}

TEST(RtfReader, RunsKeepAFaceOtherThanTheDefaultOne) {
  const RichTextDocument document = readRtf(
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset134 SimSun{\\*\\falt X};}"
      "{\\f2\\fmodern\\fcharset0 Courier New;}{\\f3 DejaVu Sans Mono;}{\\f4\\fnil\\fprq1 ;}{\\f5\\froman Times;}"
      "{\\f6\\fswiss\\'3b Semi\\'3bColon;}}"
      "\\f0 body {\\f2 code} \\f3 named\\f4 fixed\\f5 serif\\f6 odd\\f1 \\u20013?\\f9 unknown\\plain\\fs24 plain}");
  const auto face = [](std::string name, FontKind kind) {
    return TextFormat{12, kBlack, false, false, std::move(name), kind};
  };
  EXPECT_EQ(document.fontName(), "Arial");
  // The East Asian font is left to the platform, as the writer's own is.
  EXPECT_EQ(document.paragraphs()[0].runs, (Runs{{"body ", face("", FontKind::Any)},
                                                 {"code", face("Courier New", FontKind::Monospace)},
                                                 {" ", face("", FontKind::Any)},
                                                 {"named", face("DejaVu Sans Mono", FontKind::Any)},
                                                 {"fixed", face("", FontKind::Monospace)},
                                                 {"serif", face("Times", FontKind::Serif)},
                                                 {"odd", face("SemiColon", FontKind::SansSerif)},
                                                 {"中unknownplain", face("", FontKind::Any)}}));
}

TEST(RtfReader, AppliesAndResetsCharacterFormatting) {
  const RichTextDocument document = readRtf(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\fs30\\cf1\\b\\i A\\b0 B\\i0 C\\plain D{\\b E}F"
      "\\cf7 G\\cf-1 H\\fs0 I\\fs99999999 J\\cf0 K}");
  EXPECT_EQ(document.paragraphs()[0].runs, (Runs{{"A", {15, kRed, true, true}},
                                                 {"B", {15, kRed, false, true}},
                                                 {"C", {15, kRed, false, false}},
                                                 {"D", {12, kBlack, false, false}},
                                                 {"E", {12, kBlack, true, false}},
                                                 {"FGHI", {12, kBlack, false, false}},
                                                 {"JK", {kMaxHalfPoints / 2.0, kBlack, false, false}}}));
}

TEST(RtfReader, ReadsAFileWrittenByLibreOffice) {
  // English and Chinese in two sizes and colours; LibreOffice gives the
  // Chinese characters their own size and bold (\dbch\afs26, \dbch\ab).
  const RichTextDocument document =
      loadRichTextFile(std::filesystem::path(SOLWIRE_STORE_TEST_DATA) / "libreoffice_sample.rtf");
  EXPECT_EQ(document.plainText(), "Battery Voltage\t电池电压 12.5 V\nKVRD 数据 Café – naïve\nCharge Current 充电电流");
  EXPECT_EQ(document.fontName(), "DejaVu Serif");
  ASSERT_EQ(document.paragraphs().size(), 3u);
  const Rgb green{0, 128, 0};
  EXPECT_EQ(document.paragraphs()[0].runs, (Runs{{"Battery Voltage", {10, kRed, false, false}},
                                                 {"\t", {12, kBlack, false, false}},
                                                 {"电池电压 12.5 V", {13, kBlue, false, false}}}));
  EXPECT_EQ(document.paragraphs()[1].runs,
            (Runs{{"KVRD 数据", {12, kBlack, true, false}}, {" Café – naïve", {12, kBlack, false, false}}}));
  EXPECT_EQ(document.paragraphs()[2].runs,
            (Runs{{"Charge Current ", {14, green, false, true}}, {"充电电流", {12, green, false, false}}}));
}

TEST(RtfReader, TabSpacingIsTheFilesOrHalfAnInch) {
  EXPECT_EQ(readRtf("{\\rtf1 a\\tab b}").defaultTabTwips(), 720);
  EXPECT_EQ(readRtf("{\\rtf1\\deftab567 a\\tab b}").defaultTabTwips(), 567);
  EXPECT_EQ(loadRichTextFile(std::filesystem::path(SOLWIRE_STORE_TEST_DATA) / "libreoffice_sample.rtf")
                .defaultTabTwips(),
            709);
  // No spacing at all, or one in a destination that is not shown, leaves the default.
  for (const char* rtf : {"{\\rtf1\\deftab0 x}", "{\\rtf1\\deftab-20 x}", "{\\rtf1\\deftab x}",
                          "{\\rtf1{\\*\\unknown\\deftab300} x}"}) {
    EXPECT_EQ(readRtf(rtf).defaultTabTwips(), 720) << rtf;
  }
  EXPECT_EQ(readRtf("{\\rtf1\\deftab99999999 x}").defaultTabTwips(), kMaxIndentTwips);

  RichTextDocument document;
  document.setDefaultTabTwips(1134);
  document.appendRun("a\tb", 10);
  EXPECT_EQ(readRtf(writeRtf(document)), document);
}

// ---- A piece at a time ----

// The pieces of `rtf` read `bytes` at a time, put together.
RichTextDocument readInPieces(std::string_view rtf, std::size_t bytes) {
  RtfPieceReader reader(rtf);
  std::vector<Paragraph> paragraphs;
  std::size_t lastRead = 0;
  while (!reader.atEnd()) {
    std::vector<Paragraph> piece = reader.readPiece(bytes);
    EXPECT_GE(reader.bytesRead(), std::min(lastRead + bytes, reader.inputSize()));
    lastRead = reader.bytesRead();
    paragraphs.insert(paragraphs.end(), piece.begin(), piece.end());
  }
  EXPECT_TRUE(reader.readPiece(bytes).empty());
  RichTextDocument document(std::move(paragraphs));
  document.setFontName(reader.fontName());
  document.setDefaultTabTwips(reader.defaultTabTwips());
  return document;
}

TEST(RtfPieceReader, ThePiecesMakeTheDocumentReadRtfReads) {
  RichTextDocument report = sampleReport();
  report.endParagraph();
  report.endParagraph();  // empty paragraphs at the end
  report.setDefaultTabTwips(425);
  const std::vector<std::pair<const char*, std::string>> inputs{
      {"own", writeRtf(report)},
      {"byte-order-mark", std::string(kUtf8ByteOrderMark) + writeRtf(sampleReport())},
      {"libreoffice", [] {
         std::ifstream in(std::filesystem::path(SOLWIRE_STORE_TEST_DATA) / "libreoffice_sample.rtf", std::ios::binary);
         return std::string(std::istreambuf_iterator<char>(in), {});
       }()},
      {"surrogates-and-fallbacks", "{\\rtf1\\uc2 a\\u-10179\\'3f\\'3f\\u-8704\\'3f\\'3fb\\par c\\bin3 \\}x}"},
      {"unended", "{\\rtf1 one\\par two\\par\\pard\\qc three"},
      {"text-after-the-end", "{\\rtf1 one\\par}ignored{\\b more}"},
      {"empty", ""},
  };
  for (const auto& [name, rtf] : inputs) {
    const RichTextDocument whole = readRtf(rtf);
    for (std::size_t bytes : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{1} << 20}) {
      EXPECT_EQ(readInPieces(rtf, bytes), whole) << name << " in pieces of " << bytes;
    }
  }
}

TEST(RtfPieceReader, HandsOverParagraphsAsTheyEnd) {
  const std::string rtf = "{\\rtf1\\deff0\\deftab360{\\fonttbl{\\f0 Courier;}}first\\par second\\par third}";
  RtfPieceReader reader(rtf);
  std::vector<Paragraph> piece = reader.readPiece(rtf.find("second") + 1);
  ASSERT_EQ(piece.size(), 1u);
  EXPECT_EQ(piece[0].plainText(), "first");
  EXPECT_EQ(reader.fontName(), "Courier");
  EXPECT_EQ(reader.defaultTabTwips(), 360);
  EXPECT_FALSE(reader.atEnd());
  piece = reader.readPiece(rtf.size());
  ASSERT_EQ(piece.size(), 2u);
  EXPECT_EQ(piece[1].plainText(), "third");
  EXPECT_TRUE(reader.atEnd());
}

// ---- Malformed input ----

TEST(RtfReaderMalformed, DeepNestingIsCappedAndTextIsStillRead) {
  EXPECT_EQ(text("{\\rtf1 " + std::string(100'000, '{') + "\\b deep" + std::string(10, '}')), "deep");

  const std::string nested = "{\\rtf1 " + std::string(2000, '{') + "\\b x" + std::string(2000, '}') + "y}";
  const RichTextDocument document = readRtf(nested);
  EXPECT_EQ(document.paragraphs()[0].runs, (Runs{{"x", {12, kBlack, true, false}}, {"y", {12, kBlack, false, false}}}));

  // Destinations beyond the cap would swallow the rest of the deepest group.
  EXPECT_EQ(text("{\\rtf1{" + std::string(1500, '{') + "{\\*\\x hidden}{\\fonttbl F;}after" + std::string(1501, '}') + "}"),
            "hiddenF;after");
}

TEST(RtfReaderMalformed, UnbalancedBracesAndTextOutsideRtf) {
  EXPECT_EQ(text("}}{\\rtf1 A}}}B"), "A");  // reading ends with the outermost group
  EXPECT_EQ(text("plain}text{\\b bold}"), "plaintextbold");
  EXPECT_EQ(text("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\b bold"), "bold");
  EXPECT_EQ(text("{\\rtf1 a\\par\\par"), "a\n");
}

TEST(RtfReaderMalformed, HugeAndInvalidParametersAreClamped) {
  EXPECT_EQ(text("{\\rtf1 \\fs99999999999999999999999 a\\u99999999999999?b\\u-99999?c\\ucx\\uc99999999999\\u20013 "
                 "xyz\\b-1}after"),
            "a\uFFFDb\uFFFDc中");
  EXPECT_EQ(text("{\\rtf1 a\\bin99999999999999 {\\b b}}"), "a");
  EXPECT_EQ(text("{\\rtf1 a\\bin-5 b\\" + std::string(100, 'x') + "5 c\\'zz\\'4 d}"), "abczz d");
}

TEST(RtfReaderMalformed, NulBytesAndControlCharactersAreDropped) {
  const char raw[] = "{\\rtf1 a\0b\\'00c\\u0?d\x01\x1f\\'0d\\'0a}";
  EXPECT_EQ(text(std::string_view(raw, sizeof raw - 1)), "abcd\n");
}

TEST(RtfReaderMalformed, TruncatedFilesKeepTheTextBeforeTheCut) {
  const std::string rtf = writeRtf(sampleReport());
  const std::string full = readRtf(rtf).plainText();
  for (std::size_t cut = 0; cut <= rtf.size(); ++cut) {
    std::string prefix = readRtf(std::string_view(rtf).substr(0, cut)).plainText();
    if (prefix.ends_with("\uFFFD")) prefix.resize(prefix.size() - 3);  // half a surrogate pair
    if (cut < rtf.size() && (rtf[cut] == '\\' || rtf[cut] == '}')) {
      EXPECT_TRUE(full.starts_with(prefix)) << "cut at " << cut << ": " << prefix;
    }
  }
}

TEST(RtfReaderMalformed, LargeInputsAreReadInOnePass) {
  std::string rtf = "{\\rtf1\\ansi\\ansicpg936 ";
  for (int i = 0; i < 200'000; ++i) rtf += "{\\b \\'d6\\'d0}a";
  rtf += std::string(1'000'000, '{');
  const RichTextDocument document = readRtf(rtf);
  ASSERT_EQ(document.paragraphs()[0].runs.size(), 400'000u);
  EXPECT_EQ(document.paragraphs()[0].runs.back(), (TextRun{"a", {12, kBlack, false, false}}));
}

TEST(RtfReader, RecognisesRtfByItsStart) {
  EXPECT_TRUE(looksLikeRtf("{\\rtf1 x}"));
  EXPECT_TRUE(looksLikeRtf("\xEF\xBB\xBF \r\n{\\rtf"));
  EXPECT_FALSE(looksLikeRtf("plain {\\rtf1}"));
  EXPECT_FALSE(looksLikeRtf(""));
}

TEST(RtfReader, AByteOrderMarkBeforeTheDocumentIsNotText) {
  const std::string rtf = writeRtf(sampleReport());
  EXPECT_EQ(readRtf("\xEF\xBB\xBF" + rtf), readRtf(rtf));
  EXPECT_EQ(text("\xEF\xBB\xBF{\\rtf1\\ansi caf\\'e9}"), "caf\u00e9");
}

}  // namespace
}  // namespace solwire
