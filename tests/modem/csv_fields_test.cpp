#include "modem/csv_fields.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace solwire {
namespace {

using Fields = std::vector<std::string>;

// Q stands for one double quote character, as in the examples the file
// format was agreed with.
std::string q(std::string text) {
  for (char& c : text)
    if (c == 'Q') c = '"';
  return text;
}

TEST(CsvSplit, SeparatorsEmptyFieldsAndQuotes) {
  const std::vector<std::pair<std::string, Fields>> cases{
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {"", {}},
      {"QaQQbQ,c", {q("aQb"), "c"}},
      {"Qa,bQ,c", {"a,b", "c"}},
      {"aQb,c", {q("aQb"), "c"}},
      {"1,,", {"1", "", ""}},
      {"QxQ", {"x"}},
      {"QQ", {""}},
      {"a,QbQ", {"a", "b"}},
      {"North Station,0123,", {"North Station", "0123", ""}},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(splitCsvLine(q(line)), expected) << line;
}

TEST(CsvSplit, AnUnclosedQuoteOrTextAfterAClosingQuoteDropsTheRestOfTheLine) {
  EXPECT_EQ(splitCsvLine(q("Qabc")), Fields{});
  EXPECT_EQ(splitCsvLine(q("QaQ x,b")), Fields{});
  EXPECT_EQ(splitCsvLine(q("first,QaQ x,b")), Fields{"first"});
  EXPECT_EQ(splitCsvLine(q("first,QaQQ")), Fields{"first"});
}

TEST(CsvQuote, QuotesOnlyWhatNeedsIt) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"", ""},
      {"plain", "plain"},
      {"North Station", "QNorth StationQ"},
      {"a,b", "Qa,bQ"},
      {"abQc", "QabQQcQ"},
      {"say QhiQ", "Qsay QQhiQQQ"},
      {"QxQ", "QxQ"},
      {"QaQbQ", "QaQQbQ"},
      {"Q", "QQQQ"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(quoteCsvField(q(text)), q(expected)) << text;
}

// Any field reads back as written, except that a field already in quotes
// comes back without them.
TEST(CsvQuote, RandomFieldsReadBackAsWritten) {
  std::mt19937 random(20261207);
  const std::string alphabet = q("ab ,Q1\t") + "\xC3\xA9";
  for (int round = 0; round < 3000; ++round) {
    Fields fields(1 + random() % 4);
    for (std::string& field : fields) {
      const std::size_t length = random() % 7;
      for (std::size_t i = 0; i < length; ++i) field += alphabet[random() % alphabet.size()];
    }
    std::string line;
    Fields expected;
    for (const std::string& field : fields) {
      if (&field != &fields.front()) line += ',';
      line += quoteCsvField(field);
      const bool quoted = field.size() >= 2 && field.front() == '"' && field.back() == '"';
      expected.push_back(quoted ? field.substr(1, field.size() - 2) : field);
    }
    if (fields.size() == 1 && fields.front().empty()) expected.clear();  // an empty line has no fields
    EXPECT_EQ(splitCsvLine(line), expected) << line;
  }
}

}  // namespace
}  // namespace solwire
