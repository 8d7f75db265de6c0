#include "store/config/settings_text_filter.h"

#include <cstddef>
#include <cstdint>

namespace solwire {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isLineSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool endsOrMarks(char c) { return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\'; }
bool isOctal(char c) { return c >= '0' && c <= '7'; }
bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct IniLine {
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t equals = kNone;
};

// The next line as the INI reader splits the file: leading white space and
// ";" comment lines are skipped, a quote carries the line over line breaks, a
// backslash carries it over the next character, and an unquoted ";" ends it.
bool nextLine(std::string_view data, std::size_t& pos, IniLine& line) {
  bool inQuotes = false;
  line.equals = kNone;
  std::size_t start = pos;
  while (start < data.size() && isLineSpace(data[start])) ++start;
  std::size_t i = start;
  while (i < data.size()) {
    const char ch = data[i++];
    if (!endsOrMarks(ch)) continue;
    if (ch == '=') {
      if (!inQuotes && line.equals == kNone) line.equals = i - 1;
    } else if (ch == '\n' || ch == '\r') {
      if (i == start + 1) {
        ++start;
      } else if (!inQuotes) {
        --i;
        break;
      }
    } else if (ch == '\\') {
      if (i < data.size()) {
        const char escaped = data[i++];
        if (i < data.size() && ((escaped == '\n' && data[i] == '\r') || (escaped == '\r' && data[i] == '\n'))) ++i;
      }
    } else if (ch == '"') {
      inQuotes = !inQuotes;
    } else if (i == start + 1) {  // a ";" comment line
      while (i < data.size() && data[i] != '\n' && data[i] != '\r') ++i;
      while (i < data.size() && isLineSpace(data[i])) ++i;
      start = i;
    } else if (!inQuotes) {
      --i;
      break;
    }
  }
  pos = i;
  line.start = start;
  line.end = i;
  return i > start;
}

// The text a backslash escape stands for, from just after the backslash; `i`
// moves past it. Values wrap at 16 bits, as the reader's do.
void appendEscape(std::string_view raw, std::size_t& i, std::u16string& out) {
  static constexpr std::string_view kNamed = "abfnrtv\"?'\\";
  static constexpr std::u16string_view kMeant = u"\a\b\f\n\r\t\v\"?'\\";
  const char ch = raw[i++];
  if (const std::size_t named = kNamed.find(ch); named != kNone) {
    out.push_back(kMeant[named]);
  } else if (ch == 'x') {
    if (i >= raw.size() || hexValue(raw[i]) < 0) return;
    std::uint16_t value = 0;
    for (; i < raw.size() && hexValue(raw[i]) >= 0; ++i) value = static_cast<std::uint16_t>((value << 4) + hexValue(raw[i]));
    out.push_back(value);
  } else if (isOctal(ch)) {
    auto value = static_cast<std::uint16_t>(ch - '0');
    for (; i < raw.size() && isOctal(raw[i]); ++i) value = static_cast<std::uint16_t>((value << 3) + (raw[i] - '0'));
    out.push_back(value);
  } else if (ch == '\n' || ch == '\r') {
    if (i < raw.size() && (raw[i] == '\n' || raw[i] == '\r') && raw[i] != ch) ++i;
  }
}

// The elements of a value as the reader unescapes them: quotes dropped,
// escapes replaced, unquoted commas separating the elements of a list. Bytes
// beyond ASCII are left out: the reader decodes them as UTF-8, and in doing
// so may hold one back until after an escaped "@"; without them an element
// looks typed wherever the reader could find it so.
std::vector<std::u16string> valueElements(std::string_view raw) {
  std::vector<std::u16string> elements(1);
  bool inQuotes = false;
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
  };
  skipBlanks();
  while (i < raw.size()) {
    const char ch = raw[i++];
    if (ch == '\\') {
      if (i >= raw.size()) break;
      appendEscape(raw, i, elements.back());
    } else if (ch == '"') {
      inQuotes = !inQuotes;
      if (!inQuotes) skipBlanks();
    } else if (ch == ',' && !inQuotes) {
      elements.emplace_back();
      skipBlanks();
    } else if (static_cast<unsigned char>(ch) < 0x80) {
      elements.back().push_back(static_cast<char16_t>(ch));
    }
  }
  return elements;
}

// "@Name" when the element opens with "@Name(", the form the reader turns
// into data of a type; empty otherwise ("@@..." is an escaped "@"). The one
// form kept is "@String(": it is text, and QSettings writes a text holding a
// NUL character so.
std::string typedForm(const std::u16string& element) {
  if (element.empty() || element[0] != u'@') return {};
  std::size_t end = 1;
  while (end < element.size() && isLetter(element[end])) ++end;
  if (end == 1 || end >= element.size() || element[end] != u'(') return {};
  std::string form(element.begin(), element.begin() + static_cast<std::ptrdiff_t>(end));
  return form == "@String" ? std::string() : form;
}

std::string typedFormIn(std::string_view value) {
  for (const std::u16string& element : valueElements(value))
    if (std::string form = typedForm(element); !form.empty()) return form;
  return {};
}

std::string_view trimmedKey(std::string_view key) {
  while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
  return key;
}

}  // namespace

FilteredSettingsText withoutTypedValues(std::string_view fileText) {
  FilteredSettingsText filtered;
  filtered.text.reserve(fileText.size());
  std::size_t pos = fileText.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  std::size_t copiedUpTo = 0;
  std::string_view section;
  IniLine line;
  while (nextLine(fileText, pos, line)) {
    const std::string_view text = fileText.substr(line.start, line.end - line.start);
    if (text.front() == '[') {
      section = text;
      continue;
    }
    if (line.equals == kNone) continue;
    const std::string form = typedFormIn(fileText.substr(line.equals + 1, line.end - line.equals - 1));
    if (form.empty()) continue;
    filtered.text.append(fileText.substr(copiedUpTo, line.start - copiedUpTo));
    copiedUpTo = line.end;
    filtered.leftOut.push_back(std::string(section) + " " +
                               std::string(trimmedKey(fileText.substr(line.start, line.equals - line.start))) + " (" +
                               form + ")");
  }
  filtered.text.append(fileText.substr(copiedUpTo));
  return filtered;
}

}  // namespace solwire
