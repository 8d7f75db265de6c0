#include "store/code_page.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <utility>

namespace solwire {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Windows code pages and the names glibc's iconv knows them by.
constexpr std::array<std::pair<int, const char*>, 35> kIconvNames{{
    {437, "CP437"},         {737, "CP737"},         {775, "CP775"},         {850, "CP850"},
    {852, "CP852"},         {855, "CP855"},         {857, "CP857"},         {860, "CP860"},
    {861, "CP861"},         {862, "CP862"},         {863, "CP863"},         {865, "CP865"},
    {866, "CP866"},         {869, "CP869"},         {874, "CP874"},         {932, "CP932"},
    {936, "CP936"},         {949, "CP949"},         {950, "CP950"},         {1250, "CP1250"},
    {1251, "CP1251"},       {1252, "CP1252"},       {1253, "CP1253"},       {1254, "CP1254"},
    {1255, "CP1255"},       {1256, "CP1256"},       {1257, "CP1257"},       {1258, "CP1258"},
    {1361, "JOHAB"},        {10000, "MACINTOSH"},   {20866, "KOI8-R"},      {21866, "KOI8-U"},
    {54936, "GB18030"},     {65001, "UTF-8"},       {28592, "ISO-8859-2"},
}};

const char* iconvName(int codePage) {
  for (const auto& [number, name] : kIconvNames) {
    if (number == codePage) return name;
  }
  return nullptr;
}

void appendLatin1(std::string& out, std::string_view bytes) {
  for (char c : bytes) appendUtf8(out, static_cast<unsigned char>(c));
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementCharacter;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

char32_t nextUtf8(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacementCharacter;
  }
  if (text.size() - pos < static_cast<std::size_t>(length)) {
    ++pos;
    return kReplacementCharacter;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacementCharacter;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacementCharacter;
  }
  pos += static_cast<std::size_t>(length);
  return cp;
}

bool isCjkCodePoint(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x2E80 && cp <= 0x9FFF) ||
         (cp >= 0xA960 && cp <= 0xA97F) || (cp >= 0xAC00 && cp <= 0xD7AF) ||
         (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

int codePageOfCharset(int charset) {
  switch (charset) {
    case 77: return 10000;   // Mac Roman
    case 128: return 932;    // Shift JIS
    case 129: return 949;    // Hangul
    case 130: return 1361;   // Johab
    case 134: return 936;    // GB2312 / GBK
    case 136: return 950;    // Big5
    case 161: return 1253;   // Greek
    case 162: return 1254;   // Turkish
    case 163: return 1258;   // Vietnamese
    case 177: return 1255;   // Hebrew
    case 178: return 1256;   // Arabic
    case 186: return 1257;   // Baltic
    case 204: return 1251;   // Cyrillic
    case 222: return 874;    // Thai
    case 238: return 1250;   // Eastern European
    case 254: return 437;    // PC 437
    case 255: return 850;    // OEM
    case 2: return kLatin1CodePage;  // symbol fonts: byte values as they are
    default: return 0;  // 0 ANSI (cp 1252 unless the document says otherwise), 1 default
  }
}

CodePageDecoder::~CodePageDecoder() {
  for (auto& [codePage, converter] : converters_) {
    if (converter != nullptr) iconv_close(static_cast<iconv_t>(converter));
  }
}

void* CodePageDecoder::converterFor(int codePage) {
  const auto found = converters_.find(codePage);
  if (found != converters_.end()) return found->second;
  void* converter = nullptr;
  if (const char* name = iconvName(codePage)) {
    const iconv_t opened = iconv_open("UTF-8", name);
    if (opened != kNoConverter) converter = opened;
  }
  converters_.emplace(codePage, converter);
  return converter;
}

bool CodePageDecoder::knows(int codePage) { return converterFor(codePage) != nullptr; }

void CodePageDecoder::decode(std::string_view bytes, int codePage, std::string& out) {
  void* handle = converterFor(codePage);
  if (handle == nullptr) {
    appendLatin1(out, bytes);
    return;
  }
  const auto converter = static_cast<iconv_t>(handle);
  iconv(converter, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

  // iconv's interface takes non-const input pointers but does not write through them.
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  std::array<char, 1024> buffer{};
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // An invalid byte (EILSEQ) or an incomplete sequence at the end (EINVAL):
    // one replacement character for the offending byte, then carry on.
    appendUtf8(out, kReplacementCharacter);
    ++in;
    --inLeft;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
}

std::string CodePageDecoder::decode(std::string_view bytes, int codePage) {
  std::string out;
  decode(bytes, codePage, out);
  return out;
}

}  // namespace solwire
