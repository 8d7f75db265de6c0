#include "store/config/settings_text_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace solwire {
namespace {

struct Line {
  const char* text;     // one line of a settings file, as written
  const char* typedAs;  // the form it is left out for; empty when it stays
};

// Typed forms wherever the reader would find them (quoted, escaped, in a
// list, with no closing parenthesis), and texts that merely start with "@".
const Line kLines[] = {
    {R"v(Odd=@Variant(\0\0\0\n\0\x7f\xff\xff\xfe))v", "@Variant"},
    {"Bytes=@ByteArray(ab)", "@ByteArray"},
    {"When=@DateTime(\\0\\0)", "@DateTime"},
    {"Box=@Rect(1 2 3 4)", "@Rect"},
    {"None=@Invalid()", "@Invalid"},
    {"Open=@Size(1 2", "@Size"},
    {R"v(Quoted="@Variant(x)")v", "@Variant"},
    {R"v(Hex=\x40Variant(x))v", "@Variant"},
    {R"v(Wide=\x10040Point(1 2))v", "@Point"},
    {R"v(Octal=\100ByteArray(x))v", "@ByteArray"},
    {R"v(Split=@By"te"Array(x))v", "@ByteArray"},
    {"List=a, @Variant(x)", "@Variant"},
    {"Spaced =   @Variant(x)   ", "@Variant"},
    {"Escaped=@@Variant(x)", ""},
    {"Home=@home", ""},
    {"Alone=@", ""},
    {"Text=@String(a\\0b)", ""},
    {"Inner=x@Variant(y)", ""},
    {"Gap=@ Variant(x)", ""},
    {"Digit=@1(x)", ""},
    {"ListOfAt=@a, @b", ""},
    {"InQuotes=\"a, @Variant(x)\"", ""},
    {";Comment=@Variant(x)", ""},
    {"[Looks=@Variant(x)]", ""},
    {"NoEquals @Variant(x)", ""},
};

TEST(SettingsTextFilter, LeavesOutExactlyTheLinesWithATypedValue) {
  for (const Line& line : kLines) {
    const std::string file = "[Settings]\nSite%20Number=4\n" + std::string(line.text) + "\nafter=1\n";
    const FilteredSettingsText filtered = withoutTypedValues(file);
    if (*line.typedAs == '\0') {
      EXPECT_EQ(filtered.text, file) << line.text;
      EXPECT_TRUE(filtered.leftOut.empty()) << line.text;
      continue;
    }
    EXPECT_EQ(filtered.text, "[Settings]\nSite%20Number=4\n\nafter=1\n") << line.text;
    ASSERT_EQ(filtered.leftOut.size(), 1U) << line.text;
    EXPECT_NE(filtered.leftOut[0].find(std::string("(") + line.typedAs + ")"), std::string::npos)
        << filtered.leftOut[0];
    EXPECT_EQ(filtered.leftOut[0].rfind("[Settings] ", 0), 0U) << filtered.leftOut[0];
  }
}

// Where a line ends decides what is left out with it: a quote carries a value
// over line breaks, a backslash carries it over one, and ";" ends it.
TEST(SettingsTextFilter, LeavesOutWholeLinesAsTheReaderSplitsThem) {
  const struct {
    const char* file;
    const char* kept;
  } kFiles[] = {
      {"a=\"x\n@Variant(y)\"\nb=1\n", "a=\"x\n@Variant(y)\"\nb=1\n"},
      {"a=\"@Variant(\ny)\"\nb=1\n", "\nb=1\n"},
      {"a=@Variant(x\\\ny)\nb=1\n", "\nb=1\n"},
      {"a=@Variant(x);comment\nb=1\n", ";comment\nb=1\n"},
      {"\xEF\xBB\xBF" "a=@Rect(1 2 3 4)\nb=1", "\xEF\xBB\xBF\nb=1"},
      {"  a=@Rect(1 2 3 4)\r\nb=1", "  \r\nb=1"},
  };
  for (const auto& file : kFiles) EXPECT_EQ(withoutTypedValues(file.file).text, file.kept) << file.file;
}

}  // namespace
}  // namespace solwire
