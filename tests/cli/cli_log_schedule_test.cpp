// The unattended logger in virtual time: its link session runs the
// controller's one-second cycle on a hand-moved clock, with local time
// following that clock, against the built-in simulated line (whose replies
// come in real time) or a port that is not there.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/unattended_logger.h"
#include "serial/manual_clock.h"
#include "sim/pty_server.h"
#include "sim/simulated_line_service.h"
#include "store/rich_text_file.h"
#include "tests/cli/log_test_support.h"

namespace solwire::cli {
namespace {

using namespace std::chrono_literals;

using test::linesOf;
using test::zonedTimeAfter;
using test::occurrences;

class LoggerInVirtualTime : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("solwire-log-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    line.registerAs(registry);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  LoggerOptions options(const std::string& port, int site, int rate) const {
    LoggerOptions o;
    o.session = {port, 4, site};
    o.rateHours = rate;
    o.logFile = directory / "LOG.RTF";
    o.csvFile = directory / "log.csv";
    return o;
  }

  std::unique_ptr<UnattendedLogger> start(const LoggerOptions& o, LocalTime startTime) {
    begin = startTime;
    const std::int64_t origin = clock.nowMs();
    return std::make_unique<UnattendedLogger>(
        o,
        LoggerEnvironment{registry, out, err, clock,
                          [this, origin] { return zonedTimeAfter(begin, clock.nowMs() - origin); }},
        true);
  }

  // Runs the logger until `span` of virtual time has passed, moving the clock
  // by `step()` each time the line is free. A request on the line is given
  // its reply in real time before the clock moves on.
  void runFor(UnattendedLogger& logger, std::chrono::milliseconds span, const std::function<std::int64_t()>& step) {
    const std::int64_t end = clock.nowMs() + span.count();
    LinkController& controller = logger.session().controller();
    QueueMainThread& ui = logger.session().mainThread();
    logger.run([&] {
      if (controller.lineBusy()) ui.runUntil([&] { return !controller.lineBusy(); }, 10s);
      if (clock.nowMs() >= end && !controller.lineBusy() && !controller.data().LogReadingReady) return true;
      clock.advance(step());
      return false;
    });
  }

  std::string entries() const { return loadRichTextFile(directory / "LOG.RTF").plainText(); }

  ManualClock clock;
  VirtualDeviceRegistry registry;
  sim::SimulatedLineService line{2400};
  std::ostringstream out;
  std::ostringstream err;
  LocalTime begin;
  std::filesystem::path directory;
};

TEST_F(LoggerInVirtualTime, RateTwoSamplesAtEverySecondHourChange) {
  auto logger = start(options("sim", 1, 2), {2024, 5, 17, 10, 30, 0});
  runFor(*logger, 5h, [] { return 1000; });  // to 15:30

  EXPECT_EQ(logger->samples(), 3);
  EXPECT_EQ(logger->failedSamples(), 0);
  const std::string log = entries();
  EXPECT_EQ(occurrences(log, std::string(101, '-')), 3u) << log;
  // The entry of each reading is written on the tick after its reply.
  std::size_t at = 0;
  for (const char* stamp : {"2024-05-17  11:00:01", "2024-05-17  13:00:01", "2024-05-17  15:00:01"}) {
    at = log.find(stamp, at);
    ASSERT_NE(at, std::string::npos) << stamp << "\n" << log;
  }
  EXPECT_EQ(occurrences(log, "Site Number  1"), 3u);

  const auto rows = linesOf(out.str());
  ASSERT_EQ(rows.size(), 5u) << out.str();  // the start line, three samples, the stop line
  EXPECT_NE(rows[1].find("T11:00:01"), std::string::npos) << rows[1];
  EXPECT_NE(rows[1].find(" site 1 ok "), std::string::npos) << rows[1];
  EXPECT_NE(rows[3].find("T15:00:01"), std::string::npos) << rows[3];
  EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(LoggerInVirtualTime, AnIntervalSamplesAtStartThenFromEachSamplesStartWhateverTheHour) {
  LoggerOptions o = options("sim", 1, 1);
  o.every = 10min;
  auto logger = start(o, {2024, 5, 17, 10, 30, 0});
  runFor(*logger, 35min, [] { return 1000; });  // to 11:05, across an hour change that rate 1 would sample

  EXPECT_EQ(logger->samples(), 4);
  EXPECT_EQ(logger->failedSamples(), 0) << err.str();
  const std::string log = entries();
  EXPECT_EQ(occurrences(log, std::string(101, '-')), 4u) << log;
  std::size_t at = 0;
  for (const char* stamp :
       {"2024-05-17  10:30:01", "2024-05-17  10:40:01", "2024-05-17  10:50:01", "2024-05-17  11:00:01"}) {
    at = log.find(stamp, at);
    ASSERT_NE(at, std::string::npos) << stamp << "\n" << log;
  }
  const auto lines = linesOf(out.str());
  ASSERT_EQ(lines.size(), 6u) << out.str();
  EXPECT_NE(lines[0].find("site 1 every 10m into"), std::string::npos) << lines[0];
  EXPECT_NE(lines[4].find("T11:00:01"), std::string::npos) << lines[4];
}

TEST_F(LoggerInVirtualTime, APortThatIsNotThereLeavesAGapRowAtEachSampleAndNoEntry) {
  auto logger = start(options(directory.string() + "/no-port", 1, 1), {2024, 5, 17, 22, 10, 0});
  runFor(*logger, 2h, [] { return 1000; });  // the first tick (22:10), 23:00 and 00:00

  EXPECT_EQ(logger->samples(), 3);
  EXPECT_EQ(logger->failedSamples(), 3);
  EXPECT_FALSE(std::filesystem::exists(directory / "LOG.RTF"));
  std::ifstream csv(directory / "log.csv");
  std::vector<std::string> rows;
  for (std::string row; std::getline(csv, row);) rows.push_back(row);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].substr(rows[3].find(',')), ",1,,,,,,,,") << rows[3];
  EXPECT_EQ(rows[3].substr(0, 19), "2024-05-18T00:00:00");
  EXPECT_EQ(occurrences(err.str(), "Port Set Exception: " + directory.string() + "/no-port: "), 3u) << err.str();
}

TEST_F(LoggerInVirtualTime, APortThatVanishesIsReportedAndTheLoggerGoesOn) {
  std::optional<sim::PtyServer> server(std::in_place, 5, 2400);
  server->withBus([](sim::RegulatorBus& bus) { bus.addSite(3, 2); });
  server->start();
  auto logger = start(options(server->devicePath(), 3, 1), {2024, 5, 17, 0, 30, 0});
  runFor(*logger, 40min, [] { return 1000; });  // 01:10: one sample, at 01:00
  ASSERT_EQ(logger->samples(), 1);
  EXPECT_EQ(logger->failedSamples(), 0) << err.str();

  server.reset();
  runFor(*logger, 1h, [] { return 1000; });  // 02:10
  EXPECT_NE(err.str().find("has gone away; the next sample opens it again"), std::string::npos) << err.str();
  EXPECT_EQ(logger->samples(), 2);
  EXPECT_EQ(logger->failedSamples(), 1);
  EXPECT_EQ(occurrences(entries(), std::string(101, '-')), 1u);
}

// The number of samples a run from `startHour` over `hourChanges` hour
// boundaries takes: the first tick meets an hour change unless it is midnight,
// and every `rate`-th change from then on takes one.
int expectedSamples(int startHour, int rate, int hourChanges) {
  int countdown = rate;
  int samples = 0;
  int lastHour = 0;
  for (int change = 0; change <= hourChanges; ++change) {
    const int hour = (startHour + change) % 24;
    if (hour == lastHour) continue;
    lastHour = hour;
    countdown = std::max(countdown - 1, 0);
    if (countdown < 1) {
      countdown = rate;
      ++samples;
    }
  }
  return samples;
}

TEST_F(LoggerInVirtualTime, StressRandomStartsRatesStepsAndPorts) {
  std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
  for (int round = 0; round < 4; ++round) {
    const int startHour = std::uniform_int_distribution(0, 23)(random);
    const int startMinute = std::uniform_int_distribution(1, 59)(random);
    const int rate = std::uniform_int_distribution(1, 3)(random);
    const int hours = std::uniform_int_distribution(2, 5)(random);
    const bool portThere = std::uniform_int_distribution(0, 1)(random) == 1;
    SCOPED_TRACE(::testing::Message() << "start " << startHour << ":" << startMinute << " rate " << rate
                                      << " hours " << hours << (portThere ? " sim" : " no port"));
    std::filesystem::remove(directory / "LOG.RTF");
    std::filesystem::remove(directory / "log.csv");
    out.str("");
    err.str("");

    auto logger = start(options(portThere ? "sim" : (directory / "no-port").string(), 2, rate),
                        {2024, 3, 9, startHour, startMinute, 0});
    runFor(*logger, std::chrono::hours(hours), [&] { return std::uniform_int_distribution(200, 2500)(random); });

    const int expected = expectedSamples(startHour, rate, hours);
    EXPECT_EQ(logger->samples(), expected);
    EXPECT_EQ(logger->failedSamples(), portThere ? 0 : expected) << err.str();
    std::ifstream csv(directory / "log.csv");
    int rows = 0;
    for (std::string row; std::getline(csv, row);) ++rows;
    EXPECT_EQ(rows, expected == 0 ? 0 : expected + 1);
    if (portThere && expected > 0) {
      EXPECT_EQ(occurrences(entries(), std::string(101, '-')), std::size_t(expected));
    }
  }
}

}  // namespace
}  // namespace solwire::cli
