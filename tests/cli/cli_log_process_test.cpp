// solwire-cli log as a process against solwire-sim as a process: single
// samples into the rich-text log and the CSV file, a failed sample's gap row,
// a clean stop on SIGTERM and SIGINT, and the CSV as Python's csv module and
// LibreOffice Calc read it.
#include <gtest/gtest.h>

#include <thread>

#include <chrono>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "store/rich_text_file.h"
#include "tests/cli/spawned_process.h"

namespace solwire {
namespace {

using test::SimProcess;
using test::SpawnedProcess;
using Rows = std::vector<std::vector<std::string>>;

const std::vector<std::string> kHeader{"Time",    "Site",        "Battery V",  "Charge A", "Load A", "Charge Ah",
                                       "Load Ah", "Daily max V", "Daily min V", "State"};
const std::string kSeparator(101, '-');

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

// The output of a shell command, or nullopt when it failed.
std::optional<std::string> shellOutput(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string text;
  char chunk[4096];
  while (std::fgets(chunk, sizeof chunk, pipe)) text += chunk;
  return pclose(pipe) == 0 ? std::optional(text) : std::nullopt;
}

// The rows of a CSV file as Python's csv module reads them.
Rows pythonCsvRows(const std::filesystem::path& file) {
  const auto json = shellOutput(
      "python3 -c 'import csv, json, sys; print(json.dumps(list(csv.reader(open(sys.argv[1], newline=\"\")))))' '" +
      file.string() + "'");
  if (!json) return {};
  return nlohmann::json::parse(*json).get<Rows>();
}

class CliLogProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("solwire-cli-log-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  struct Run {
    int status = -1;
    std::vector<std::string> lines;
    std::string err;
  };

  // solwire-cli log with `words`, run to its end.
  Run log(std::vector<std::string> words) {
    words.insert(words.begin(), "log");
    for (const std::string option : {"--file", "--csv"}) {
      words.push_back(option);
      words.push_back((directory / (option == std::string("--file") ? "LOG.RTF" : "log.csv")).string());
    }
    const std::string errFile = (directory / "stderr.txt").string();
    std::filesystem::remove(errFile);
    SpawnedProcess cli(SOLWIRE_CLI_PATH, words, errFile);
    Run run;
    for (std::string line = cli.readLine(); !line.empty(); line = cli.readLine()) run.lines.push_back(line);
    run.status = cli.wait();
    run.err = contents(errFile);
    return run;
  }

  std::string entries() const { return loadRichTextFile(directory / "LOG.RTF").plainText(); }

  std::filesystem::path directory;
};

TEST_F(CliLogProcess, TwoSingleSamplesLeaveTwoEntriesInOrderAndTwoRowsPythonReads) {
  SimProcess sim({"--sites", "3:2"});
  ASSERT_FALSE(sim.devicePath().empty());
  const std::regex sampleLine(
      "(\\d{4}-\\d\\d-\\d\\dT(\\d\\d:\\d\\d:\\d\\d)[+-]\\d\\d:\\d\\d) site 3 ok .*LOG\\.RTF and .*log\\.csv");

  std::vector<std::string> times;
  for (int sample = 0; sample < 2; ++sample) {
    const Run run = log({"--port", sim.devicePath(), "--site", "3", "--once"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 1u);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.lines[0], match, sampleLine)) << run.lines[0];
    times.push_back(match[2]);
    EXPECT_TRUE(run.err.empty()) << run.err;
  }

  const std::string log = entries();
  EXPECT_EQ(occurrences(log, kSeparator), 2u) << log;
  const std::size_t first = log.find(times[0]);
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find(times[1], first + times[0].size()), std::string::npos) << "the second entry after the first";
  EXPECT_EQ(occurrences(log, "Site Number  3"), 2u);
  EXPECT_EQ(occurrences(log, "48  V."), 2u);

  const Rows rows = pythonCsvRows(directory / "log.csv");
  ASSERT_EQ(rows.size(), 3u) << contents(directory / "log.csv");
  EXPECT_EQ(rows[0], kHeader);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), kHeader.size());
    EXPECT_NE(rows[i][0].find("T" + times[i - 1]), std::string::npos) << rows[i][0];
    EXPECT_EQ(rows[i][1], "3");
    // The values stand in the entry as it shows them.
    for (const auto& [field, unit] : {std::pair{2, " V "}, {3, " A "}, {4, " A "}})
      EXPECT_NE(log.find(" " + rows[i][std::size_t(field)] + unit), std::string::npos) << rows[i][std::size_t(field)];
    EXPECT_NE(log.find("State: " + rows[i][9]), std::string::npos) << rows[i][9];
  }
}

TEST_F(CliLogProcess, ASiteThatDoesNotAnswerLeavesAGapRowAndNoEntry) {
  SimProcess sim({"--sites", "3:2"});
  ASSERT_EQ(log({"--port", sim.devicePath(), "--site", "3", "--once"}).status, 0);

  const Run failed = log({"--port", sim.devicePath(), "--site", "5", "--once"});
  EXPECT_EQ(failed.status, 1);
  ASSERT_EQ(failed.lines.size(), 1u);
  EXPECT_NE(failed.lines[0].find(" site 5 failed "), std::string::npos) << failed.lines[0];
  EXPECT_NE(failed.err.find("Data Timeout: site 5 did not answer"), std::string::npos) << failed.err;

  EXPECT_EQ(occurrences(entries(), kSeparator), 1u);
  const Rows rows = pythonCsvRows(directory / "log.csv");
  ASSERT_EQ(rows.size(), 3u);
  ASSERT_EQ(rows[2].size(), kHeader.size());
  EXPECT_EQ(rows[2][1], "5");
  for (std::size_t i = 2; i < kHeader.size(); ++i) EXPECT_TRUE(rows[2][i].empty()) << i;
}

TEST_F(CliLogProcess, SigtermAndSigintStopTheLoggerWithItsFilesWhole) {
  SimProcess sim({"--sites", "3:2"});
  ASSERT_EQ(log({"--port", sim.devicePath(), "--site", "3", "--once"}).status, 0);

  for (const int signal : {SIGTERM, SIGINT}) {
    SpawnedProcess cli(SOLWIRE_CLI_PATH, {"log", "--port", sim.devicePath(), "--site", "3", "--rate", "48", "--file",
                                          (directory / "LOG.RTF").string(), "--csv", (directory / "log.csv").string()});
    ASSERT_TRUE(cli.started());
    const std::string started = cli.readLine();
    EXPECT_NE(started.find("site 3 every 48 hour(s)"), std::string::npos) << started;
    cli.signal(signal);
    EXPECT_NE(cli.readLine().find("stopped after 0 sample(s)"), std::string::npos);
    EXPECT_EQ(cli.wait(), 0) << signal;
  }
  EXPECT_EQ(occurrences(entries(), kSeparator), 1u);
  EXPECT_EQ(pythonCsvRows(directory / "log.csv").size(), 2u);
}

// A sample taken with --once by a timer or a service manager that stops it
// meanwhile: the reading under way finishes and is written.
TEST_F(CliLogProcess, SigtermDuringASingleSampleLetsItFinish) {
  SimProcess sim({"--sites", "3:2", "--fault", "3=late:2500"});
  SpawnedProcess cli(SOLWIRE_CLI_PATH, {"log", "--port", sim.devicePath(), "--site", "3", "--once", "--file",
                                        (directory / "LOG.RTF").string(), "--csv", (directory / "log.csv").string()});
  ASSERT_TRUE(cli.started());
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!cli.catches(SIGTERM) && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
  cli.signal(SIGTERM);  // the reply is still 2.5 s away
  EXPECT_EQ(cli.wait(), 0) << "the sample finished instead of the process being killed";
  EXPECT_EQ(occurrences(entries(), kSeparator), 1u);
  EXPECT_EQ(pythonCsvRows(directory / "log.csv").size(), 2u);
}

// A read that fails says which site and why, as the logger does, not a bare
// status text.
TEST_F(CliLogProcess, AReadOfADamagedReplyNamesTheSiteAndTheCause) {
  SimProcess sim({"--sites", "3:2", "--fault", "3=corrupt"});
  const std::string errFile = (directory / "stderr.txt").string();
  SpawnedProcess cli(SOLWIRE_CLI_PATH, {"read", "--port", sim.devicePath(), "--site", "3", "current"}, errFile);
  ASSERT_TRUE(cli.started());
  while (!cli.readLine().empty()) {
  }
  EXPECT_EQ(cli.wait(), 1);
  EXPECT_EQ(contents(errFile), "Read Error: the reply of site 3 did not check (a damaged or foreign reply)\n");
}

// Equal as text, or as numbers where both are ("7.0" and "7").
bool sameField(const std::string& ours, const std::string& theirs) {
  if (ours == theirs) return true;
  try {
    std::size_t used = 0;
    const double a = std::stod(ours, &used);
    if (used != ours.size()) return false;
    const double b = std::stod(theirs, &used);
    return used == theirs.size() && a == b;
  } catch (const std::exception&) {
    return false;
  }
}

TEST_F(CliLogProcess, LibreOfficeCalcReadsTheSameFields) {
  if (!shellOutput("command -v soffice")) GTEST_SKIP() << "soffice is not installed";
  SimProcess sim({"--sites", "3:2"});
  ASSERT_EQ(log({"--port", sim.devicePath(), "--site", "3", "--once"}).status, 0);
  ASSERT_EQ(log({"--port", (directory / "no-port").string(), "--site", "3", "--once"}).status, 1);
  ASSERT_EQ(log({"--port", sim.devicePath(), "--site", "3", "--once"}).status, 0);

  const auto converted = directory / "calc";
  ASSERT_TRUE(shellOutput("soffice --headless '-env:UserInstallation=file://" + (directory / "profile").string() +
                          "' --convert-to csv --outdir '" + converted.string() + "' '" +
                          (directory / "log.csv").string() + "' 2>&1"))
      << "soffice failed";
  const Rows ours = pythonCsvRows(directory / "log.csv");
  const Rows calc = pythonCsvRows(converted / "log.csv");
  ASSERT_EQ(ours.size(), 4u);
  ASSERT_EQ(calc.size(), ours.size()) << contents(converted / "log.csv");
  for (std::size_t row = 0; row < ours.size(); ++row) {
    ASSERT_EQ(calc[row].size(), kHeader.size()) << row;
    for (std::size_t field = 0; field < kHeader.size(); ++field)
      EXPECT_TRUE(sameField(ours[row][field], calc[row][field]))
          << "row " << row << " " << kHeader[field] << ": " << ours[row][field] << " / " << calc[row][field];
  }
}

}  // namespace
}  // namespace solwire
