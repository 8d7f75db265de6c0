// A phone book written by Solwire, read by other programs: Python's csv module
// and LibreOffice Calc (importing the columns as text, as an operator would
// to keep a number's leading zero) see the same fields.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "modem/phone_book_file.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

std::optional<std::string> shellOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return std::nullopt;
  std::string output;
  std::array<char, 4096> buffer{};
  while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) output.append(buffer.data(), n);
  if (::pclose(pipe.release()) != 0) return std::nullopt;
  return output;
}

// Each row's fields joined by a unit separator, rows by a record separator,
// so that commas, quotes and spaces in the fields stay visible.
Rows pythonCsvRows(const fs::path& file) {
  const auto output = shellOutput(
      "python3 -c \"import csv,sys\nwith open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
      "  sys.stdout.write(''.join('\\x1f'.join(row) + '\\x1e' for row in csv.reader(f)))\" '" +
      file.string() + "'");
  Rows rows;
  if (!output) return rows;
  std::stringstream records(*output);
  std::string record;
  while (std::getline(records, record, '\x1e')) {
    std::vector<std::string> fields;
    std::stringstream split(record);
    std::string field;
    while (std::getline(split, field, '\x1f')) fields.push_back(field);
    if (!record.empty() && record.back() == '\x1f') fields.emplace_back();
    rows.push_back(fields);
  }
  return rows;
}

class PhoneBookInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solwire-book-interop-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory = pattern;
    savePhoneBook(file(), rows);
  }
  void TearDown() override { fs::remove_all(directory); }
  fs::path file() const { return directory / "book.csv"; }
  Rows expected() const {
    Rows out;
    for (const PhoneBookRow& row : rows) out.push_back({row.position, row.name, row.number});
    return out;
  }

  fs::path directory;
  const PhoneBookRows rows{{"1", "east pump", "0555-101"},
                           {"2", "Gare \xC3\xA9t\xC3\xA9, \"quai\" 2", "(1) 2-3"},
                           {"3", "\xE5\x8C\x97\xE7\xAB\x99", "+86 10 1234"},
                           {"4", "", ""}};
};

TEST_F(PhoneBookInterop, PythonsCsvModuleReadsTheSameFields) {
  if (!shellOutput("command -v python3")) GTEST_SKIP() << "python3 is not installed";
  EXPECT_EQ(pythonCsvRows(file()), expected());
}

TEST_F(PhoneBookInterop, LibreOfficeCalcReadsTheSameFields) {
  if (!shellOutput("command -v soffice") || !shellOutput("command -v python3")) GTEST_SKIP() << "soffice is not installed";
  const fs::path converted = directory / "calc";
  // CSV import: comma, double quote, UTF-8 (76), from line 1, all three columns as text.
  const std::string command = "soffice --headless '-env:UserInstallation=file://" + (directory / "profile").string() +
                              "' '--infilter=CSV:44,34,76,1,1/2/2/2/3/2' --convert-to csv:'Text - txt - csv "
                              "(StarCalc)':44,34,76 --outdir '" + converted.string() + "' '" + file().string() +
                              "' 2>&1";
  ASSERT_TRUE(shellOutput(command)) << command;
  EXPECT_EQ(pythonCsvRows(converted / "book.csv"), expected());
}

}  // namespace
}  // namespace solwire
