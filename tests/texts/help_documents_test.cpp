// The help documents shipped beside the program: well-formed, pure-ASCII RTF
// that names the tool bar buttons and the link status messages exactly as the
// program shows them in the document's language.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts/main_window_texts.h"
#include "protocol/status_messages.h"

namespace solwire {
namespace {

std::string readFile(const std::string& name) {
  std::ifstream in(std::string(SOLWIRE_HELP_DIR) + "/" + name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void appendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The visible text of an RTF document as UTF-8, or a description of the first
// fault: unbalanced groups, a \u escape without its '?' fallback or outside the
// basic plane, a byte outside ASCII.
struct Decoded {
  std::string text;
  std::string fault;
};

Decoded decodeRtf(const std::string& rtf) {
  Decoded result;
  std::vector<bool> skip;  // one entry per open group: whether its text is hidden
  std::size_t i = 0;
  const auto fail = [&](std::string what) {
    result.fault = what + " at offset " + std::to_string(i);
    return result;
  };
  while (i < rtf.size()) {
    const char c = rtf[i];
    if (static_cast<unsigned char>(c) >= 0x80) return fail("byte outside ASCII");
    if (skip.empty() && c != '{') return fail("text outside the document's group");
    if (c == '{') {
      skip.push_back(!skip.empty() && skip.back());
      ++i;
    } else if (c == '}') {
      skip.pop_back();
      ++i;
      if (skip.empty()) return i == rtf.size() || rtf.find_first_not_of("\r\n", i) == std::string::npos
                                   ? result
                                   : fail("text after the document's closing brace");
    } else if (c == '\r' || c == '\n') {
      ++i;
    } else if (c != '\\') {
      if (!skip.back()) result.text += c;
      ++i;
    } else if (i + 1 < rtf.size() && !isLetter(rtf[i + 1])) {
      const char symbol = rtf[i + 1];
      i += 2;
      if (symbol == '*') skip.back() = true;
      else if (symbol == '~') { if (!skip.back()) appendUtf8(result.text, 0xA0); }
      else if (symbol == '\\' || symbol == '{' || symbol == '}') { if (!skip.back()) result.text += symbol; }
      else return fail(std::string("unexpected control symbol ") + symbol);
    } else {
      std::size_t end = i + 1;
      while (end < rtf.size() && isLetter(rtf[end])) ++end;
      const std::string word = rtf.substr(i + 1, end - i - 1);
      std::size_t numberEnd = end;
      if (numberEnd < rtf.size() && rtf[numberEnd] == '-') ++numberEnd;
      while (numberEnd < rtf.size() && isDigit(rtf[numberEnd])) ++numberEnd;
      const std::string number = rtf.substr(end, numberEnd - end);
      i = numberEnd;
      if (i < rtf.size() && rtf[i] == ' ') ++i;
      if (word == "fonttbl" || word == "colortbl") skip.back() = true;
      if (skip.back()) continue;
      if (word == "par" || word == "line") result.text += '\n';
      if (word == "tab") result.text += '\t';
      if (word == "u") {
        const long value = number.empty() || number == "-" ? 100000 : std::stol(number);
        if (value < -32768 || value > 32767) return fail("\\u value out of range");
        const unsigned code = static_cast<unsigned>(value < 0 ? value + 65536 : value);
        if (code >= 0xD800 && code <= 0xDFFF) return fail("surrogate in \\u");
        if (i >= rtf.size() || rtf[i] != '?') return fail("\\u without its ? fallback");
        ++i;
        appendUtf8(result.text, code);
      }
    }
  }
  return fail("document not closed");
}

struct HelpDocument {
  const char* file;
  int language;
};

void PrintTo(const HelpDocument& document, std::ostream* out) { *out << document.file; }

class HelpDocuments : public ::testing::TestWithParam<HelpDocument> {};

TEST_P(HelpDocuments, AreWellFormedAsciiRtf) {
  const std::string rtf = readFile(GetParam().file);
  ASSERT_FALSE(rtf.empty()) << "missing " << GetParam().file;
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252", 0), 0u);
  EXPECT_NE(rtf.find("{\\fonttbl"), std::string::npos);
  const Decoded decoded = decodeRtf(rtf);
  EXPECT_EQ(decoded.fault, "");
  // A few pages: enough to explain the program, not a manual.
  EXPECT_GT(decoded.text.size(), 8000u);
  EXPECT_LT(rtf.size(), 60000u);
}

TEST_P(HelpDocuments, QuoteTheProgramsOwnTextsInTheirLanguage) {
  const int language = GetParam().language;
  const Decoded decoded = decodeRtf(readFile(GetParam().file));
  ASSERT_EQ(decoded.fault, "");
  const std::string& text = decoded.text;

  for (int button = 1; button <= 12; ++button) {
    const std::string control = "ToolButton" + std::to_string(button);
    const auto hint = mainWindowText(control, TextKind::Hint, languageFromIndex(language));
    ASSERT_FALSE(hint.empty());
    EXPECT_NE(text.find(hint), std::string::npos) << control << " \"" << hint << '"';
  }
  for (int status = 0; status <= static_cast<int>(LinkStatus::DataTimeout); ++status) {
    const auto message = statusText(static_cast<LinkStatus>(status), languageFromIndex(language));
    EXPECT_NE(text.find(message), std::string::npos) << "status \"" << message << '"';
  }
  for (const char* fact : {"COM1", "COM8", "[Ports]", "SOLWIRE_COM2=sim", "sim-modem", "/dev/ttyS0", "Veltrane/Solwire.conf",
                           "Sorry - Phone Book is not available", "COM2 (/dev/ttyUSB0): No such file or directory"})
    EXPECT_NE(text.find(fact), std::string::npos) << fact;
  EXPECT_NE(text.find(mainWindowText("sitelab", TextKind::Caption, languageFromIndex(language))), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EachLanguage, HelpDocuments,
                         ::testing::Values(HelpDocument{"helpengc.rtf", 0}, HelpDocument{"helpfrnc.rtf", 1},
                                           HelpDocument{"helpchin.rtf", 2}),
                         [](const auto& info) { return std::string(info.param.file).substr(0, 8); });

TEST(HelpDocuments, KeepAccentsAndChineseCharacters) {
  const std::string french = decodeRtf(readFile("helpfrnc.rtf")).text;
  EXPECT_NE(french.find("Le fichier de réglages"), std::string::npos);
  EXPECT_NE(french.find("à"), std::string::npos);
  const std::string chinese = decodeRtf(readFile("helpchin.rtf")).text;
  EXPECT_NE(chinese.find("KVR 网络通信"), std::string::npos);
  EXPECT_NE(chinese.find("设置文件"), std::string::npos);  // 设 is above U+7FFF: written as a negative \u
}

TEST(HelpDocuments, DecoderRejectsWhatReadersWouldMisread) {
  EXPECT_NE(decodeRtf("{\\rtf1 caf\\u233e}").fault, "");    // fallback missing
  EXPECT_NE(decodeRtf("{\\rtf1 {\\b open}").fault, "");     // unbalanced
  EXPECT_NE(decodeRtf("{\\rtf1 a}}").fault, "");            // closed twice
  EXPECT_NE(decodeRtf("{\\rtf1 caf\xC3\xA9}").fault, "");   // raw UTF-8
  EXPECT_EQ(decodeRtf("{\\rtf1 caf\\u233?\\par x\\u-29762?}").text, "café\nx设");
}

}  // namespace
}  // namespace solwire
