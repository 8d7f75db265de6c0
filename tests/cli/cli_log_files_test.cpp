// solwire-cli log --once when one of its files cannot take the sample (a
// read-only log file, a full disk under the CSV file): the output line says
// which files took the reading and which did not, and the exit status tells
// a reading that is in every file (0) from one that is in some only (3) and
// from a sample that is lost (1); and what the recorder behind it counts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/sample_recorder.h"
#include "serial/monotonic_clock.h"
#include "store/rich_text_file.h"
#include "tests/cli/log_test_support.h"
#include "tests/support/cli_run.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using test::linesOf;
using test::occurrences;
using test::runCli;

const fs::path kFullDisk = "/dev/full";  // every write fails with ENOSPC
const std::string kSeparator(101, '-');

std::string contents(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

class CliLogFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "solwire-cli-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory = pattern;
  }
  void TearDown() override { fs::remove_all(directory); }

  static test::CliResult sampleInto(const fs::path& log, const fs::path& csv) {
    return runCli({"log", "--port", "sim", "--site", "1", "--once", "--file", log.string(), "--csv", csv.string()});
  }

  // A log file that holds one entry and is read-only.
  fs::path readOnlyLog() const {
    const fs::path file = directory / "LOG.RTF";
    EXPECT_EQ(runCli({"log", "--port", "sim", "--site", "1", "--once", "--file", file.string()}).status, 0);
    ::chmod(file.c_str(), 0444);
    return file;
  }

  // The CSV file's rows after its header.
  static std::vector<std::string> rowsOf(const fs::path& csv) {
    std::vector<std::string> lines = linesOf(contents(csv));
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }

  fs::path directory;
};

TEST_F(CliLogFiles, ASampleBothFilesTookIsOkAndExitsZero) {
  const fs::path log = directory / "LOG.RTF";
  const fs::path csv = directory / "log.csv";
  const test::CliResult r = sampleInto(log, csv);
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(linesOf(r.out).size(), 1u) << r.out;
  EXPECT_TRUE(r.out.ends_with(" site 1 ok " + log.string() + " and " + csv.string() + "\n")) << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(CliLogFiles, AReadOnlyLogFileBesideAWritableCsvFileExitsThreeAndTheRowIsWritten) {
  const fs::path log = readOnlyLog();
  const std::string before = contents(log);
  const fs::path csv = directory / "log.csv";

  const test::CliResult r = sampleInto(log, csv);
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  ASSERT_EQ(linesOf(r.out).size(), 1u) << r.out;
  EXPECT_TRUE(r.out.ends_with(" site 1 read, in " + csv.string() + " only, not in " + log.string() + "\n")) << r.out;
  EXPECT_EQ(r.out.find("failed"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(log.string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;

  EXPECT_EQ(contents(log), before);
  const std::vector<std::string> rows = rowsOf(csv);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].find(",1,,"), std::string::npos) << "the row has the reading's values: " << rows[0];
}

TEST_F(CliLogFiles, AFullDiskUnderTheCsvFileBesideAWritableLogFileExitsThreeAndTheEntryIsWritten) {
  const fs::path log = directory / "LOG.RTF";

  const test::CliResult r = sampleInto(log, kFullDisk);
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  ASSERT_EQ(linesOf(r.out).size(), 1u) << r.out;
  EXPECT_TRUE(r.out.ends_with(" site 1 read, in " + log.string() + " only, not in " + kFullDisk.string() + "\n"))
      << r.out;
  EXPECT_NE(r.err.find(kFullDisk.string() + ": cannot be written: No space left on device"), std::string::npos)
      << r.err;
  EXPECT_EQ(occurrences(loadRichTextFile(log).plainText(), kSeparator), 1u);
}

TEST_F(CliLogFiles, AReadingNoFileTookIsLostAndExitsOne) {
  const fs::path log = readOnlyLog();

  const test::CliResult r = sampleInto(log, kFullDisk);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  ASSERT_EQ(linesOf(r.out).size(), 1u) << r.out;
  EXPECT_TRUE(r.out.ends_with(" site 1 read, not in " + log.string() + " or " + kFullDisk.string() + "\n")) << r.out;
  EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
}

TEST_F(CliLogFiles, ASiteThatDoesNotAnswerFailsAndExitsOneWithAGapRow) {
  const fs::path log = directory / "LOG.RTF";
  const fs::path csv = directory / "log.csv";
  const test::CliResult r =
      runCli({"log", "--port", "sim", "--site", "9", "--once", "--file", log.string(), "--csv", csv.string()});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find(" site 9 failed"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(log));
  ASSERT_EQ(rowsOf(csv).size(), 1u);
  EXPECT_NE(rowsOf(csv)[0].find(",9,,"), std::string::npos) << rowsOf(csv)[0];
}

// The recorder behind both loggers: what it counts for the stop line, and the
// time it gives the entry and the row.
TEST_F(CliLogFiles, TheRecorderCountsLostSamplesAndSamplesInSomeFilesOnly) {
  VirtualDeviceRegistry registry;
  std::ostringstream out;
  std::ostringstream err;
  cli::LoggerOptions options;
  options.session.site = 6;
  options.logFile = readOnlyLog();
  options.csvFile = directory / "log.csv";
  const cli::ZonedTime secondHalfPastTwo{{2026, 10, 25, 2, 30, 0}, 3600};
  cli::SampleRecorder recorder(options, cli::LoggerEnvironment{registry, out, err, systemClock(),
                                                               [&] { return secondHalfPastTwo; }});
  LogReading reading;
  reading.site = 6;

  recorder.recordReading(reading);
  EXPECT_TRUE(recorder.lastOutcome().inSomeFilesOnly());
  EXPECT_EQ(recorder.lastOutcome().tookIt, std::vector<std::string>{options.csvFile->string()});
  EXPECT_EQ(recorder.lastOutcome().missed, std::vector<std::string>{options.logFile.string()});
  recorder.recordFailure("Data Timeout: site 6 did not answer");
  EXPECT_TRUE(recorder.lastOutcome().lost());
  EXPECT_EQ(recorder.tally(), "2 sample(s), 1 failed, 1 not in every file");

  const std::vector<std::string> rows = rowsOf(*options.csvFile);
  ASSERT_EQ(rows.size(), 2u);
  for (const std::string& row : rows) EXPECT_TRUE(row.starts_with("2026-10-25T02:30:00+01:00,6,")) << row;
  EXPECT_TRUE(out.str().starts_with("2026-10-25T02:30:00+01:00 site 6 read, in ")) << out.str();
}

}  // namespace
}  // namespace solwire
