// When the logger samples: --every's span, the schedule of a logger that
// starts its samples itself (every HOURS-th change of the hour, or one every
// span from the start of the one before), and the log command's options that
// go together or not.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "cli/commands.h"
#include "cli/duration_option.h"
#include "cli/sample_schedule.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using namespace std::chrono_literals;

TEST(DurationOption, AWholeNumberAndOneUnit) {
  EXPECT_EQ(parseDuration("45s"), 45s);
  EXPECT_EQ(parseDuration("15m"), 15min);
  EXPECT_EQ(parseDuration("2h"), 2h);
  EXPECT_EQ(parseDuration("0010s"), 10s);
  EXPECT_EQ(parseDuration("2147483647h"), std::chrono::hours(2147483647)) << "no overflow in seconds";
  for (const char* wrong : {"", "s", "10", "10 s", " 10s", "10S", "1.5m", "-10s", "+10s", "0s", "10sec", "10d", "1h30m",
                            "2147483648s", "m10"})
    EXPECT_EQ(parseDuration(wrong), std::nullopt) << wrong;
}

TEST(DurationOption, WrittenInTheLargestUnitThatDividesIt) {
  EXPECT_EQ(durationText(45s), "45s");
  EXPECT_EQ(durationText(90s), "90s");
  EXPECT_EQ(durationText(15min), "15m");
  EXPECT_EQ(durationText(2h), "2h");
  EXPECT_EQ(durationText(90min), "90m");
}

LocalTime at(int hour, int minute) { return {2024, 5, 17, hour, minute, 0}; }

TEST(HourChangeSchedule, CountsTheChangesOfTheHourAsTheDesktopDoes) {
  // Rate 2 from 10:30: the first look is a change (the count starts at hour
  // 0) that leaves one hour to go; 11:00 samples, 13:00 and 15:00 after it.
  HourChangeSchedule everySecondHour(2);
  std::vector<int> sampledAt;
  for (int minutes = 10 * 60 + 30; minutes <= 15 * 60 + 30; ++minutes)
    if (everySecondHour.due(0, at(minutes / 60, minutes % 60))) sampledAt.push_back(minutes / 60);
  EXPECT_EQ(sampledAt, (std::vector<int>{11, 13, 15}));

  HourChangeSchedule hourly(1);
  EXPECT_TRUE(hourly.due(0, at(10, 30))) << "rate 1: the first look at any hour but midnight samples";
  EXPECT_FALSE(hourly.due(0, at(10, 59)));
  EXPECT_TRUE(hourly.due(0, at(11, 0)));

  HourChangeSchedule fromMidnight(1);
  EXPECT_FALSE(fromMidnight.due(0, at(0, 10))) << "hour 0 is where the count starts: no change seen";
  EXPECT_TRUE(fromMidnight.due(0, at(1, 0)));
}

TEST(IntervalSchedule, FirstAtOnceThenFromTheStartOfTheOneBeforeAndAtOnceWhenLate) {
  IntervalSchedule schedule(45s);
  EXPECT_TRUE(schedule.due(1'000, at(10, 0)));
  EXPECT_EQ(schedule.untilNextLook(1'000), 0ms);
  schedule.started(1'000);
  EXPECT_FALSE(schedule.due(45'999, at(10, 0)));
  EXPECT_EQ(schedule.untilNextLook(23'000), 23s) << "the due time itself, not a second's step";
  EXPECT_TRUE(schedule.due(46'000, at(10, 0)));

  // A sample that took 70 s: the next one is due the moment it ends.
  schedule.started(46'000);
  EXPECT_TRUE(schedule.due(116'000, at(10, 1)));
  EXPECT_EQ(schedule.untilNextLook(116'000), 0ms);
}

TEST(LogOptions, OneLinkOneScheduleAndASpanOfTenSecondsAtLeast) {
  const std::vector<std::string> files{"--site", "1", "--file", "/nonexistent/LOG.RTF"};
  // Each with the option its message names.
  const std::vector<std::pair<std::vector<std::string>, std::string>> wrong{
      {{"--port", "sim", "--every", "9s"}, "--every"},
      {{"--port", "sim", "--every", "10"}, "--every"},
      {{"--port", "sim", "--every", "ten"}, "--every"},
      {{"--port", "sim", "--every", "10s", "--rate", "2"}, "--rate"},
      {{"--modem", "sim-modem", "--every", "10s"}, "--dial"},
      {{"--port", "sim", "--dial", "0123"}, "--modem"},
      {{"--port", "sim", "--setup", "&K0"}, "--modem"},
      {{"--port", "sim", "--pulse"}, "--modem"},
      {{"--port", "sim", "--modem", "sim-modem", "--dial", "0123"}, "--port"},
      {{"--modem", "sim-modem", "--dial", "0123", "--baud", "1200"}, "--modem"},
      {{"--modem", "", "--dial", "0123"}, "--modem"},
      {{"--modem", "sim-modem", "--dial", ""}, "--dial"},
      {{"--dial", "0123"}, "--port"},
      {{"--modem", "sim-modem", "--dial", "12\r\nATZ"}, "--dial"},  // a second modem command
      {{"--modem", "sim-modem", "--dial", "abc"}, "--dial"},
  };
  for (auto [words, option] : wrong) {
    words.insert(words.begin(), "log");
    words.insert(words.end(), files.begin(), files.end());
    const test::CliResult r = test::runCli(words);
    EXPECT_EQ(r.status, kExitUsage) << ::testing::PrintToString(words);
    EXPECT_NE(r.err.substr(0, r.err.find("usage:")).find(option), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: solwire-cli log"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
}

// A sample by modem costs a call: files that cannot take it are found first.
TEST(LogOnce, FilesThatCannotTakeTheSampleAreRefusedBeforeAnythingIsDialled) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("solwire-once-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  ASSERT_EQ(::mkfifo((folder / "pipe.csv").c_str(), 0600), 0);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--file", folder.string()}, "folder"},
      {{"--file", (folder / "missing" / "LOG.RTF").string()}, "does not exist"},
      {{"--file", (folder / "LOG.RTF").string(), "--csv", (folder / "pipe.csv").string()}, "pipe"},
  };
  for (const auto& [files, reason] : cases) {
    std::vector<std::string> words{"log", "--once", "--modem", "sim-modem", "--dial", "0123", "--site", "1"};
    words.insert(words.end(), files.begin(), files.end());
    const test::CliResult r = test::runCli(words);
    EXPECT_EQ(r.status, kExitFailed) << r.err;
    EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing dialled"), std::string::npos) << r.err;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace solwire::cli
