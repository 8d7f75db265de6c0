// solwire-cli log --modem as a process against solwire-sim --modem as a
// process serving its modem over RFC 2217 with a 3 s connect delay: three
// samples ten seconds apart, each a call that connects, reads the site and
// hangs up, and a SIGTERM during the third call's hang-up that lets it end
// before the logger does. Real time, about half a minute.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <memory>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "store/rich_text_file.h"
#include "tests/cli/log_test_support.h"
#include "tests/cli/spawned_process.h"

namespace solwire {
namespace {

using test::SpawnedProcess;

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Seconds since midnight of an ISO time's clock part (2024-05-17T14:03:09+02:00).
int secondOfDay(const std::string& iso) {
  return std::stoi(iso.substr(11, 2)) * 3600 + std::stoi(iso.substr(14, 2)) * 60 + std::stoi(iso.substr(17, 2));
}

class CliModemLogProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("solwire-cli-modem-log-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  std::filesystem::path directory;
};

TEST_F(CliModemLogProcess, ThreeCallsTenSecondsApartEachConnectedReadAndHungUp) {
  SpawnedProcess sim(SOLWIRE_SIM_PATH,
                     {"--modem", "--connect-delay", "3000", "--listen", "rfc2217:0", "--sites", "1:21"});
  const std::string url = sim.readLine();
  ASSERT_EQ(url.rfind("rfc2217://127.0.0.1:", 0), 0u) << url;

  const auto logFile = directory / "LOG.RTF";
  const auto csvFile = directory / "log.csv";
  const std::string errFile = (directory / "stderr.txt").string();
  SpawnedProcess cli(SOLWIRE_CLI_PATH,
                     {"log", "--modem", url, "--dial", "0123", "--every", "10s", "--site", "1", "--file",
                      logFile.string(), "--csv", csvFile.string()},
                     errFile);
  ASSERT_TRUE(cli.started());
  EXPECT_NE(cli.readLine().find("site 1 by calling 0123 through " + url + " every 10s"), std::string::npos);

  const std::regex sampleLine("(\\S+) site 1 ok .*LOG\\.RTF and .*log\\.csv");
  const std::regex callLine(
      "solwire-cli log: call to 0123 connected after (\\d+\\.\\d) s, hung up after (\\d+\\.\\d) s");
  std::vector<std::string> sampleTimes;
  std::vector<std::string> lines;
  // The third sample's entry is written: stop it while its call is still up.
  while (sampleTimes.size() < 3) {
    const std::string line = cli.readLine();
    ASSERT_FALSE(line.empty()) << "the logger ended early: " << contents(errFile);
    lines.push_back(line);
    std::smatch match;
    if (std::regex_match(line, match, sampleLine)) sampleTimes.push_back(match[1]);
  }
  cli.signal(SIGTERM);
  for (std::string line = cli.readLine(); !line.empty(); line = cli.readLine()) lines.push_back(line);
  EXPECT_EQ(cli.wait(), 0);
  EXPECT_EQ(contents(errFile), "");

  int calls = 0;
  for (const std::string& line : lines) {
    std::smatch match;
    if (!std::regex_match(line, match, callLine)) continue;
    ++calls;
    EXPECT_GE(std::stod(match[1]), 3.0) << "the connect delay: " << line;
    EXPECT_GE(std::stod(match[2]), 6.0) << "the hang-up's guard times, 110 port ticks: " << line;
  }
  EXPECT_EQ(calls, 3) << "each call hung up, the third one after the stop";
  EXPECT_EQ(lines.back(), "solwire-cli log: stopped after 3 sample(s), 0 failed");

  for (std::size_t i = 1; i < sampleTimes.size(); ++i) {
    const int apart = secondOfDay(sampleTimes[i]) - secondOfDay(sampleTimes[i - 1]);
    EXPECT_GE(apart, 9) << sampleTimes[i - 1] << " " << sampleTimes[i];
    EXPECT_LE(apart, 11) << sampleTimes[i - 1] << " " << sampleTimes[i];
  }
  EXPECT_EQ(test::occurrences(loadRichTextFile(logFile).plainText(), std::string(101, '-')), 3u);
  const auto rows = test::linesOf(contents(csvFile));
  ASSERT_EQ(rows.size(), 4u);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].rfind(sampleTimes[i - 1] + ",1,", 0), 0u) << rows[i];
    EXPECT_NE(rows[i].substr(sampleTimes[i - 1].size() + 3, 1), ",") << "a reading's values: " << rows[i];
  }
}

// A stop during a read through a modem ends the call before the program: a
// modem that ignores DTR would otherwise keep the line off-hook.
TEST_F(CliModemLogProcess, AReadThroughAModemStoppedBySigtermHangsUpBeforeItEnds) {
  SpawnedProcess sim(SOLWIRE_SIM_PATH,
                     {"--modem", "--connect-delay", "1000", "--listen", "rfc2217:0", "--sites", "1:21"});
  const std::string url = sim.readLine();
  const std::string errFile = (directory / "stderr.txt").string();
  SpawnedProcess cli(SOLWIRE_CLI_PATH, {"read", "--modem", url, "--dial", "0123", "--site", "1", "history"}, errFile);
  ASSERT_TRUE(cli.started());
  std::this_thread::sleep_for(std::chrono::seconds(4));  // connected, and into the eight history blocks
  ASSERT_TRUE(cli.catches(SIGTERM));
  const auto signalled = std::chrono::steady_clock::now();
  cli.signal(SIGTERM);
  EXPECT_EQ(cli.waitFor(std::chrono::seconds(30)), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(6)) << "the hang-up's guard times";
  const std::string said = contents(errFile);  // a loaded machine may still be dialling
  EXPECT_TRUE(said == "stopped before the reading ended\n" || said == "Call failed: stopped before the call connected\n")
      << said;
}

// The device server ends the connection in the middle of a call: the port
// failed, and it is named, rather than the far end's carrier or the site.
TEST_F(CliModemLogProcess, AModemPortLostDuringAReadIsNamed) {
  auto sim = std::make_unique<SpawnedProcess>(
      SOLWIRE_SIM_PATH, std::vector<std::string>{"--modem", "--connect-delay", "1000", "--listen", "rfc2217:0",
                                                 "--sites", "1:21"});
  const std::string url = sim->readLine();
  const std::string errFile = (directory / "stderr.txt").string();
  SpawnedProcess cli(SOLWIRE_CLI_PATH, {"read", "--modem", url, "--dial", "0123", "--site", "1", "history"}, errFile);
  std::this_thread::sleep_for(std::chrono::seconds(4));  // connected, and into the eight history blocks
  sim.reset();                                           // killed: its connection ends under the call
  EXPECT_EQ(cli.waitFor(std::chrono::seconds(60)), 1);
  const std::string said = contents(errFile);
  EXPECT_NE(said.find("the modem port " + url + " went away"), std::string::npos) << said;
}

}  // namespace
}  // namespace solwire
