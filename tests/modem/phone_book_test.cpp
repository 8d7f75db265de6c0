#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "modem/phone_book_file.h"
#include "modem/phone_book_rows.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesOf(const PhoneBookRows& rows) {
  std::vector<std::string> names;
  for (const PhoneBookRow& row : rows) names.push_back(row.position + ":" + row.name);
  return names;
}

TEST(PhoneBookRows, SortsByNameIgnoringCaseWithBlankNamesLastAndRenumbers) {
  PhoneBookRows rows{{"1", "Relay", "555-103"},   {"2", "  \t", "555-9"},          {"3", "east pump", "555-101"},
                     {"4", "", ""},                {"5", "North Station", "555-102"}, {"6", "ab c", "1"},
                     {"7", "ab", "2"}};
  sortAndRenumber(rows);
  EXPECT_EQ(namesOf(rows), (std::vector<std::string>{"1:ab", "2:ab c", "3:east pump", "4:North Station", "5:Relay",
                                                     "6:  \t", "7:"}));
  EXPECT_EQ(rows[5].number, "555-9") << "a blank row keeps its number and its order among blank rows";
}

TEST(PhoneBookRows, EqualNamesKeepTheOrderOfTheirOldNumbersComparedAsText) {
  PhoneBookRows rows{{"2", "Depot", "b"}, {"10", "depot", "a"}, {"3", "x@y", "c"}};
  sortAndRenumber(rows);
  EXPECT_EQ(rows[0].number, "a") << "\"10\" comes before \"2\" as text";
  EXPECT_EQ(rows[1].number, "b");
  EXPECT_EQ(rows[2], (PhoneBookRow{"3", "x@y", "c"})) << "an @ in a name is kept";
}

TEST(PhoneBookRows, AddingAndDeletingKeepTheListSortedNumberedAndNeverEmpty) {
  PhoneBookRows rows{{"1", "Relay", "3"}, {"2", "Alpha", "1"}};
  sortAndRenumber(rows);
  EXPECT_EQ(addBlankRow(rows), 2u);
  EXPECT_EQ(namesOf(rows), (std::vector<std::string>{"1:Alpha", "2:Relay", "3:"}));

  deleteRow(rows, 0);
  EXPECT_EQ(namesOf(rows), (std::vector<std::string>{"1:Relay", "2:"}));
  deleteRow(rows, 5);
  EXPECT_EQ(rows.size(), 2u);
  deleteRow(rows, 1);
  deleteRow(rows, 0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows.front(), (PhoneBookRow{"1", "", ""}));
  EXPECT_EQ(phoneBookText(rows), "1,,\r\n");
}

TEST(PhoneBookRows, OnlyTheDigitsOfANumberAreDialled) {
  EXPECT_EQ(dialledDigits("(1) 2-3"), "123");
  EXPECT_EQ(dialledDigits("+44 (0)1632 960 001"), "4401632960001");
  EXPECT_EQ(dialledDigits("ext. -"), "");
}

TEST(PhoneBookRows, EachLineBreakInACellBecomesOneSpace) {
  EXPECT_EQ(withLineBreaksAsSpaces("North\r\nStation"), "North Station") << "CR LF is one line break";
  EXPECT_EQ(withLineBreaksAsSpaces("a\rb\nc"), "a b c");
  EXPECT_EQ(withLineBreaksAsSpaces("\n\r555\r\n\r\n"), "  555  ");
  EXPECT_EQ(withLineBreaksAsSpaces("Depot, \"old\"\tyard"), "Depot, \"old\"\tyard");
}

TEST(PhoneBookRows, ANewPhoneBookHasSevenNumberedEmptyRows) {
  const PhoneBookRows rows = newPhoneBookRows();
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows.back(), (PhoneBookRow{"7", "", ""}));
}

class PhoneBookFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solwire-book-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory = pattern;
    file = directory / "BOOK.CSV";
  }
  void TearDown() override { fs::remove_all(directory); }
  void write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
  std::string contents() {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path directory;
  fs::path file;
};

TEST_F(PhoneBookFileTest, SavedRowsWithSpacesCommasAndQuotesLoadBackUnchanged) {
  const PhoneBookRows rows{{"1", "east pump", "555-101"}, {"2", "North Station", "555-102"}, {"3", "Relay", "555-103"},
                           {"4", "Depot, \"old\" yard", "(1) 2-3"}, {"5", "", ""}};
  savePhoneBook(file, rows);
  EXPECT_EQ(contents(),
            "1,\"east pump\",555-101\r\n2,\"North Station\",555-102\r\n3,Relay,555-103\r\n"
            "4,\"Depot, \"\"old\"\" yard\",\"(1) 2-3\"\r\n5,,\r\n");
  EXPECT_EQ(loadPhoneBook(file), rows);

  savePhoneBook(file, {{"1", "Only", "9"}});
  EXPECT_EQ(contents(), "1,Only,9\r\n") << "a save replaces the file, it does not append";
}

TEST_F(PhoneBookFileTest, AShortRecordFailsTheLoadAndExtraFieldsAreIgnored) {
  write("1,Relay,555\r\n2,Depot\r\n");
  try {
    loadPhoneBook(file);
    FAIL() << "a two-field record loaded";
  } catch (const CsvFileError& error) {
    EXPECT_NE(std::string(error.what()).find("List index out of bounds (2)"), std::string::npos) << error.what();
  }
  write("7,Relay,555,extra,fields\r\n");
  EXPECT_EQ(loadPhoneBook(file), (PhoneBookRows{{"7", "Relay", "555"}}));
}

TEST_F(PhoneBookFileTest, BlankLinesAtTheEndAreIgnoredButNotInTheMiddle) {
  const PhoneBookRows relay{{"1", "Relay", "555"}};
  write("1,Relay,555\r\n\r\n");
  EXPECT_EQ(loadPhoneBook(file), relay) << "an extra CR LF at the end";
  write("1,Relay,555\r\n   ");
  EXPECT_EQ(loadPhoneBook(file), relay) << "a last line of spaces without a line end";
  write("1,Relay,555\n \t\n\n");
  EXPECT_EQ(loadPhoneBook(file), relay) << "several blank lines, LF ends";

  write("1,Relay,555\r\n\r\n2,Depot,556\r\n");
  EXPECT_THROW(loadPhoneBook(file), CsvFileError) << "a blank line between records";
  write("1,Relay,555\r\n\"  \"\r\n");
  EXPECT_THROW(loadPhoneBook(file), CsvFileError) << "a quoted field of spaces is a record, not a blank line";
  write("1,Relay,555\r\n2,Depot\r\n\r\n");
  EXPECT_THROW(loadPhoneBook(file), CsvFileError) << "a short record before the blank line";
}

TEST_F(PhoneBookFileTest, AFileWithoutRecordsOpensAsOneEmptyRow) {
  write("");
  EXPECT_EQ(loadPhoneBook(file), (PhoneBookRows{{"1", "", ""}}));
  write("\r\n  \r\n");
  EXPECT_EQ(loadPhoneBook(file), (PhoneBookRows{{"1", "", ""}})) << "nothing but blank lines";
}

TEST_F(PhoneBookFileTest, AFailedSaveLeavesTheOldFileAndAMissingFileIsAnError) {
  EXPECT_THROW(loadPhoneBook(directory / "MISSING.CSV"), CsvFileError);
  write("1,Relay,555\r\n");
  fs::create_directory(directory / "BOOK.CSV.d");
  EXPECT_THROW(savePhoneBook(directory / "BOOK.CSV.d", {{"1", "x", "y"}}), CsvFileError);
  EXPECT_THROW(savePhoneBook(directory / "NO-FOLDER" / "BOOK.CSV", {{"1", "x", "y"}}), CsvFileError);
  EXPECT_EQ(contents(), "1,Relay,555\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator{}), 2)
      << "no temporary file is left behind";
}

}  // namespace
}  // namespace solwire
