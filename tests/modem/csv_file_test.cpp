#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "modem/csv_parser.h"
#include "modem/csv_writer.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using Fields = std::vector<std::string>;

class CsvFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solwire-csv-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory = pattern;
  }
  void TearDown() override { fs::remove_all(directory); }

  std::vector<Fields> readAll(const fs::path& file) {
    TCsvParser parser;
    parser.Open(file);
    std::vector<Fields> records;
    while (parser.Next()) records.push_back(parser.Fields);
    parser.Close();
    return records;
  }

  static std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path directory;
};

TEST_F(CsvFileTest, RecordsWithTheWrongFieldCountAreRefusedAndTheRestWriteAndReadBack) {
  T_objCSV writer;
  writer.SetFieldCount(3);
  writer.setFileName(directory / "BOOK.CSV");
  writer.AddField("1");
  writer.AddField("");
  EXPECT_EQ(writer.EndRecord(), "") << "two fields where three are needed";
  writer.AddField("");
  EXPECT_EQ(writer.EndRecord(), "1,,");
  writer.AddField("2");
  writer.AddField("Depot, \"North\"");
  writer.AddField("\"0123 456\"");
  EXPECT_EQ(writer.EndRecord(), "2,\"Depot, \"\"North\"\"\",\"0123 456\"");
  writer.WriteFile();

  EXPECT_EQ(contentsOf(directory / "BOOK.CSV"), "1,,\r\n2,\"Depot, \"\"North\"\"\",\"0123 456\"\r\n");
  EXPECT_EQ(readAll(directory / "BOOK.CSV"),
            (std::vector<Fields>{{"1", "", ""}, {"2", "Depot, \"North\"", "0123 456"}}));
}

TEST_F(CsvFileTest, WritingAppendsToAnExistingFile) {
  const fs::path file = directory / "BOOK.CSV";
  std::ofstream(file, std::ios::binary) << "0,Old,1\r\n";
  T_objCSV writer;
  writer.SetFieldCount(1);
  writer.setFileName(file);
  writer.AddField("new");
  writer.EndRecord();
  writer.WriteFile();
  EXPECT_EQ(contentsOf(file), "0,Old,1\r\nnew\r\n");
}

TEST_F(CsvFileTest, ReadsUnixLineEndsAByteOrderMarkAndALastLineWithoutLineEnd) {
  const fs::path file = directory / "BOOK.CSV";
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF" "a,b\n\nc";
  EXPECT_EQ(readAll(file), (std::vector<Fields>{{"a", "b"}, {}, {"c"}}));
}

TEST_F(CsvFileTest, TheLineLastReadIsKeptWithoutItsLineEndAndByteOrderMark) {
  const fs::path file = directory / "BOOK.CSV";
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF" "\"a b\",c\r\n  \r\n";
  TCsvParser parser;
  parser.Open(file);
  std::vector<std::string> lines;
  while (parser.Next()) lines.push_back(parser.CurrentLine);
  EXPECT_EQ(lines, (std::vector<std::string>{"\"a b\",c", "  "}));
  EXPECT_EQ(parser.CurrentLine, "") << "nothing was read at the end";
}

TEST_F(CsvFileTest, OpenAndWriteFailuresNameTheFile) {
  TCsvParser parser;
  EXPECT_THROW(parser.Open(directory / "MISSING.CSV"), CsvFileError);
  EXPECT_THROW(parser.Open(directory), CsvFileError);
  EXPECT_FALSE(parser.Next());

  T_objCSV writer;
  writer.setFileName(directory / "NO-FOLDER" / "BOOK.CSV");
  try {
    writer.WriteFile();
    FAIL() << "no error";
  } catch (const CsvFileError& error) {
    EXPECT_NE(std::string(error.what()).find("NO-FOLDER"), std::string::npos) << error.what();
  }
}

// Another program's CSV reader sees the same fields.
TEST_F(CsvFileTest, PythonsCsvModuleReadsTheSameFields) {
  if (std::system("python3 -c 'import csv' 2>/dev/null") != 0) GTEST_SKIP() << "python3 is not installed";
  const fs::path file = directory / "BOOK.CSV";
  T_objCSV writer;
  writer.SetFieldCount(3);
  writer.setFileName(file);
  const std::vector<Fields> records{{"1", "North Station", "0123"}, {"2", "say \"hi\", twice", ""},
                                    {"3", "Gare \xC3\xA9t\xC3\xA9", "99"}, {"4", "a\"b", "+44 1"}};
  for (const Fields& record : records) {
    for (const std::string& field : record) writer.AddField(field);
    ASSERT_NE(writer.EndRecord(), "");
  }
  writer.WriteFile();
  const fs::path out = directory / "fields.txt";
  const std::string command = "python3 -c \"import csv,sys\nwith open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                              "  for row in csv.reader(f): print('|'.join(row))\" " +
                              file.string() + " > " + out.string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string expected;
  for (const Fields& record : records) expected += record[0] + "|" + record[1] + "|" + record[2] + "\n";
  EXPECT_EQ(contentsOf(out), expected);
}

}  // namespace
}  // namespace solwire
