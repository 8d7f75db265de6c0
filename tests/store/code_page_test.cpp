#include "store/code_page.h"

#include <gtest/gtest.h>

namespace solwire {
namespace {

TEST(Utf8, EncodesAndDecodesEveryLengthAndRejectsWhatIsNotACharacter) {
  for (char32_t cp : {U'\0', U'\x7F', U'\x80', U'\x7FF', U'\x800', U'\xFFFF', U'\x10000', U'\x10FFFF'}) {
    std::string utf8;
    appendUtf8(utf8, cp);
    std::size_t pos = 0;
    EXPECT_EQ(nextUtf8(utf8, pos), cp);
    EXPECT_EQ(pos, utf8.size());
  }
  std::string replaced;
  appendUtf8(replaced, 0xD800);
  appendUtf8(replaced, 0x110000);
  EXPECT_EQ(replaced, "\uFFFD\uFFFD");
}

TEST(Utf8, InvalidSequencesBecomeOneReplacementPerByte) {
  // Overlong, encoded surrogate, truncated, beyond U+10FFFF, stray continuation.
  for (std::string_view bad : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xE4\xB8", "\xF5\x80\x80\x80", "\x80"}) {
    std::size_t pos = 0;
    EXPECT_EQ(nextUtf8(bad, pos), kReplacementCharacter) << bad;
    EXPECT_EQ(pos, 1u);
  }
}

TEST(CodePage, CharsetsMapToTheirWindowsCodePages) {
  EXPECT_EQ(codePageOfCharset(134), 936);
  EXPECT_EQ(codePageOfCharset(136), 950);
  EXPECT_EQ(codePageOfCharset(204), 1251);
  EXPECT_EQ(codePageOfCharset(0), 0);  // the document's code page applies
  EXPECT_EQ(codePageOfCharset(2), kLatin1CodePage);
}

TEST(CodePage, DecodesCp1252IncludingItsSpecialRange) {
  CodePageDecoder decoder;
  EXPECT_EQ(decoder.decode("caf\xE9 \x80 \x93q\x94", 1252), "café € “q”");
  EXPECT_EQ(decoder.decode("a\x81z", 1252), "a\uFFFDz");  // undefined in cp1252
}

TEST(CodePage, DecodesDoubleByteChinese) {
  CodePageDecoder decoder;
  EXPECT_EQ(decoder.decode("\xD6\xD0\xCE\xC4 ok", 936), "中文 ok");
  EXPECT_EQ(decoder.decode("\xA4\xA4", 950), "中");
  EXPECT_EQ(decoder.decode("\xD6\xD0\xCE", 936), "中\uFFFD");  // lead byte without its trail byte
  // The converter is reused: a truncated sequence must not leak into the next call.
  EXPECT_EQ(decoder.decode("\xCE\xC4", 936), "文");
}

TEST(CodePage, UnknownCodePagesReadAsLatin1) {
  CodePageDecoder decoder;
  EXPECT_TRUE(decoder.knows(1252));
  EXPECT_TRUE(decoder.knows(936));
  EXPECT_FALSE(decoder.knows(12345));
  EXPECT_EQ(decoder.decode("\xE9\x80\xFF", 12345), "é\u0080ÿ");
  EXPECT_EQ(decoder.decode("\xE9", -7), "é");
}

TEST(CodePage, ClassifiesCjkCharacters) {
  for (char32_t cp : {U'中', U'あ', U'한', U'，', U'\x20000'}) EXPECT_TRUE(isCjkCodePoint(cp));
  for (char32_t cp : {U'A', U'é', U'€', U' '}) EXPECT_FALSE(isCjkCodePoint(cp));
}

}  // namespace
}  // namespace solwire
