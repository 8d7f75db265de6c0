#include "store/periodic_log_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "store/rich_text_file.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

int countOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++count;
  return count;
}

class PeriodicLogWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solwire-log-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory = pattern;
    fileName = directory / "LOG1.RTF";
  }
  void TearDown() override { fs::remove_all(directory); }

  PeriodicLogWriter makeWriter() {
    PeriodicLogEnvironment environment;
    environment.fileName = [this] { return fileName; };
    environment.language = [this] { return language; };
    environment.stamp = [this] { return ReportStamp{"07/12/2026", "1" + std::to_string(entries) + ":00:00"}; };
    environment.written = [this](const fs::path& file, AppendOutcome outcome) {
      outcomes.push_back(outcome);
      writtenFiles.push_back(file);
      ++entries;
    };
    environment.failed = [this](const RichTextFileError& error) { failures.push_back(error.what()); };
    environment.append.freeBytes = [this](const fs::path&) { return freeBytes; };
    return PeriodicLogWriter(std::move(environment));
  }

  static LogReading readingOfSite(int site) {
    LogReading reading;
    reading.site = site;
    reading.current.batteryVoltageReading = 25 * 1280;
    reading.current.stateCode = 3;
    return reading;
  }

  fs::path directory;
  fs::path fileName;
  Language language = Language::English;
  std::uintmax_t freeBytes = 1'000'000;
  int entries = 0;
  std::vector<AppendOutcome> outcomes;
  std::vector<fs::path> writtenFiles;
  std::vector<std::string> failures;
};

TEST_F(PeriodicLogWriterTest, EntriesGoToTheEndOfTheFileInTimeOrderAndANewNameStartsANewFile) {
  PeriodicLogWriter writer = makeWriter();
  writer.writeLogEntry(readingOfSite(4));
  language = Language::Chinese;
  writer.writeLogEntry(readingOfSite(4));
  ASSERT_EQ(outcomes, (std::vector{AppendOutcome::Created, AppendOutcome::Appended}));

  const std::string firstFile = loadRichTextFile(fileName).plainText();
  EXPECT_EQ(countOf(firstFile, std::string(101, '-')), 2);
  const std::size_t english = firstFile.find("KVRD DATA");
  const std::size_t chinese = firstFile.find("KVRD 数据");
  ASSERT_NE(english, std::string::npos);
  ASSERT_NE(chinese, std::string::npos);
  EXPECT_LT(english, chinese);
  EXPECT_LT(firstFile.find("10:00:00"), firstFile.find("11:00:00"));

  const std::string before = contentsOf(fileName);
  const fs::path oldName = fileName;
  fileName = directory / "LOG2.RTF";
  writer.writeLogEntry(readingOfSite(4));
  EXPECT_EQ(contentsOf(oldName), before) << "the old log file is left as it was";
  EXPECT_EQ(countOf(loadRichTextFile(fileName).plainText(), std::string(101, '-')), 1);
  EXPECT_EQ(writtenFiles.back(), fileName);
  EXPECT_TRUE(failures.empty());
}

TEST_F(PeriodicLogWriterTest, ANewFileOnAFullDiskIsNotStartedButAnExistingOneStillGrows) {
  PeriodicLogWriter writer = makeWriter();
  freeBytes = kMinFreeBytesForNewFile;
  writer.writeLogEntry(readingOfSite(1));
  EXPECT_EQ(outcomes, std::vector{AppendOutcome::NoRoomForNewFile});
  EXPECT_FALSE(fs::exists(fileName));

  freeBytes = kMinFreeBytesForNewFile + 1;
  writer.writeLogEntry(readingOfSite(1));
  freeBytes = 0;
  writer.writeLogEntry(readingOfSite(1));
  EXPECT_EQ(outcomes.back(), AppendOutcome::Appended);
  EXPECT_EQ(countOf(loadRichTextFile(fileName).plainText(), std::string(101, '-')), 2);
}

TEST_F(PeriodicLogWriterTest, AFileThatCannotBeWrittenIsReportedAndTheNextEntryStillGoesOut) {
  PeriodicLogWriter writer = makeWriter();
  const fs::path good = fileName;
  fileName = directory / "NO-SUCH-FOLDER" / "LOG.RTF";
  writer.writeLogEntry(readingOfSite(2));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures.front().find(fileName.string()), std::string::npos) << failures.front();
  EXPECT_TRUE(outcomes.empty());
  EXPECT_FALSE(fs::exists(fileName));

  fileName = good;
  writer.writeLogEntry(readingOfSite(2));
  EXPECT_EQ(outcomes, std::vector{AppendOutcome::Created});
}

}  // namespace
}  // namespace solwire
