// Text encodings met in rich-text files: UTF-8 helpers, and decoding of the
// Windows code pages that RTF's \ansicpg, \fcharset and \cpg name. Decoding
// uses the C library's iconv; a code page it does not know is read as Latin-1.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace solwire {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends the UTF-8 form of `codePoint`; surrogates and values beyond
// U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes the code point starting at text[pos] and advances pos past it. An
// invalid or truncated sequence yields U+FFFD and advances by one byte.
char32_t nextUtf8(std::string_view text, std::size_t& pos);

// Chinese, Japanese and Korean characters: ideographs, kana, hangul, CJK
// punctuation and full-width forms. Word processors give them the East Asian
// font and its own size.
bool isCjkCodePoint(char32_t codePoint);

// Code pages with a meaning of their own besides the Windows numbers.
inline constexpr int kLatin1CodePage = 28591;

// The Windows code page of an RTF \fcharset value; 0 when the charset has no
// code page of its own (ANSI default, symbol fonts) and the document's applies.
int codePageOfCharset(int charset);

// Decodes bytes of a Windows code page into UTF-8. Bytes that are not valid in
// the code page become U+FFFD; unknown code pages are read as Latin-1.
// Keeps one iconv converter per code page while it lives; not thread-safe.
class CodePageDecoder {
 public:
  CodePageDecoder() = default;
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  void decode(std::string_view bytes, int codePage, std::string& out);
  std::string decode(std::string_view bytes, int codePage);

  // True when the code page is decoded by iconv rather than read as Latin-1.
  bool knows(int codePage);

 private:
  void* converterFor(int codePage);  // iconv_t, or nullptr for Latin-1

  std::map<int, void*> converters_;
};

}  // namespace solwire
