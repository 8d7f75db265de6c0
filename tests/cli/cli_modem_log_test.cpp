// The unattended logger of a remote site in virtual time: one hand-moved
// clock drives the modem port's transport, the built-in simulated modem (its
// 15 s connect delay, guard times and the paced replies behind it), the
// modem sessions' waits and the logger's schedule; local time follows it.
// Each call is checked in what the modem received: the setup string, the
// dial, the escape and the hang-up command with their guard times.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/modem_logger.h"
#include "serial/manual_clock.h"
#include "sim/simulated_modem_service.h"
#include "store/rich_text_file.h"
#include "tests/cli/log_test_support.h"

namespace solwire::cli {
namespace {

using namespace std::chrono_literals;
using test::linesOf;
using test::zonedTimeAfter;
using test::occurrences;
using Received = sim::HayesModem::Received;

constexpr auto kTick = 55ms;  // one timer-trigger tick of the port
constexpr std::int64_t kCallStepMs = 50;   // fine enough for the guard times and the port's ticks
constexpr std::int64_t kIdleStepMs = 250;  // between calls
const std::string kSeparator(101, '-');

sim::HayesModemOptions slowModem() {
  sim::HayesModemOptions options = sim::builtInModemOptions();
  options.connectDelay = 15s;
  return options;
}

std::int64_t msBetween(const Received& earlier, const Received& later) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(later.at - earlier.at).count();
}

// The entries of the modem's record that are exactly `bytes`.
std::vector<std::size_t> entriesOf(const std::vector<Received>& record, const std::string& bytes) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < record.size(); ++i)
    if (record[i].bytes == bytes) found.push_back(i);
  return found;
}

std::string allSent(const std::vector<Received>& record) {
  std::string all;
  for (const Received& r : record) all += r.bytes;
  return all;
}

class ModemLoggerInVirtualTime : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("solwire-modem-log-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    modem.registerAs(registry);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  LoggerOptions options(const std::string& number, int site, std::chrono::seconds every) const {
    LoggerOptions o;
    o.modem = ModemDialOptions{"sim-modem", number, false, std::string("&K0&Q0&D0"), site};
    o.every = every;
    o.logFile = directory / "LOG.RTF";
    o.csvFile = directory / "log.csv";
    return o;
  }

  std::unique_ptr<ModemLogger> start(const LoggerOptions& o) {
    const std::int64_t origin = clock.nowMs();
    return std::make_unique<ModemLogger>(
        o, LoggerEnvironment{registry, out, err, clock,
                             [this, origin] { return zonedTimeAfter(kStart, clock.nowMs() - origin); },
                             AppendOptions{},
                             [this](QueueMainThread& ui, const std::function<bool()>& done,
                                    std::chrono::milliseconds limit) { return callWait(ui, done, limit); }});
  }

  // A call's waits: the clock moves in small steps, each after the modem has
  // dealt with the last one, and the port's threads get a moment of real
  // time to hand over what the step brought.
  bool callWait(QueueMainThread& ui, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const std::int64_t end = clock.nowMs() + limit.count();
    while (!done()) {
      if (clock.nowMs() >= end) return false;
      modem.waitUntilIdle(1s);
      if (duringCall) duringCall();
      clock.advance(kCallStepMs);
      ui.runUntil(done, 2ms);
    }
    return true;
  }

  // Runs the logger until `span` of virtual time has passed or `stopNow`
  // is set; a call under way when either happens is finished first.
  void runFor(ModemLogger& logger, std::chrono::milliseconds span) {
    const std::int64_t end = clock.nowMs() + span.count();
    logger.run([&] {
      if (stopNow || clock.nowMs() >= end) return true;
      clock.advance(kIdleStepMs);
      return false;
    });
  }

  std::string entries() const { return loadRichTextFile(directory / "LOG.RTF").plainText(); }

  std::vector<std::string> csvRows() const {
    std::ifstream csv(directory / "log.csv");
    std::vector<std::string> rows;
    for (std::string row; std::getline(csv, row);) rows.push_back(row);
    return rows;
  }

  // Seconds from the start to the time of a CSV row (2024-05-17T10:30:15+..).
  static int secondsAfterStart(const std::string& row) {
    const int hour = std::stoi(row.substr(11, 2));
    const int minute = std::stoi(row.substr(14, 2));
    const int second = std::stoi(row.substr(17, 2));
    return (hour - kStart.hour) * 3600 + (minute - kStart.minute) * 60 + second - kStart.second;
  }

  static constexpr LocalTime kStart{2024, 5, 17, 10, 30, 0};
  ManualClock clock;
  VirtualDeviceRegistry registry;
  sim::SimulatedModemService modem{slowModem(), clock};
  std::ostringstream out;
  std::ostringstream err;
  std::filesystem::path directory;
  std::function<void()> duringCall;
  bool stopNow = false;
};

TEST_F(ModemLoggerInVirtualTime, EachSampleIsOneCallSetUpDialledReadAndHungUpWithTheGuardTimes) {
  auto logger = start(options("0123", 1, 45s));
  runFor(*logger, 100s);  // samples at 0, 45 and 90 s

  EXPECT_EQ(logger->samples(), 3);
  EXPECT_EQ(logger->failedSamples(), 0) << err.str();
  EXPECT_TRUE(err.str().empty()) << err.str();
  const std::string log = entries();
  EXPECT_EQ(occurrences(log, kSeparator), 3u) << log;
  EXPECT_EQ(occurrences(log, "Site Number  1"), 3u) << log;

  const auto rows = csvRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "Time,Site,Battery V,Charge A,Load A,Charge Ah,Load Ah,Daily max V,Daily min V,State");
  for (int sample = 0; sample < 3; ++sample) {
    const std::string& row = rows[std::size_t(sample) + 1];
    EXPECT_EQ(row.substr(25, 3), ",1,") << row;
    EXPECT_NE(row.substr(28, 1), ",") << "a reading's values: " << row;
    // Written once connected (setup pause, 15 s connect delay) and the reply read.
    EXPECT_GE(secondsAfterStart(row), 45 * sample + 15) << row;
    EXPECT_LE(secondsAfterStart(row), 45 * sample + 17) << row;
  }

  const auto lines = linesOf(out.str());
  ASSERT_EQ(lines.size(), 8u) << out.str();
  EXPECT_NE(lines[0].find("site 1 by calling 0123 through sim-modem every 45s into"), std::string::npos) << lines[0];
  for (std::size_t call = 0; call < 3; ++call) {
    EXPECT_NE(lines[1 + 2 * call].find(" site 1 ok "), std::string::npos) << lines[1 + 2 * call];
    EXPECT_EQ(lines[2 + 2 * call].rfind("solwire-cli log: call to 0123 connected after 15.", 0), 0u)
        << lines[2 + 2 * call];
    EXPECT_NE(lines[2 + 2 * call].find(", hung up after 6."), std::string::npos) << lines[2 + 2 * call];
  }
  EXPECT_EQ(lines[7], "solwire-cli log: stopped after 3 sample(s), 0 failed");

  const auto record = modem.record();
  const std::string sent = allSent(record);
  EXPECT_EQ(occurrences(sent, "AT&K0&Q0&D0\r\n"), 3u) << "the setup string before each dial";
  EXPECT_EQ(occurrences(sent, "ATDT0123\r\n"), 3u);
  const auto escapes = entriesOf(record, "+++");
  ASSERT_EQ(escapes.size(), 3u);
  for (const std::size_t escape : escapes) {
    ASSERT_GT(escape, 0u);
    ASSERT_LT(escape + 1, record.size());
    EXPECT_EQ(record[escape + 1].bytes, "ATH0\r\n");
    // The modem stamps bytes when they reach it; on a loaded machine the
    // port's writer thread may hand them over one clock step late.
    EXPECT_GE(msBetween(record[escape - 1], record[escape]), 30 * kTick.count() - kCallStepMs)
        << "silence before the escape";
    EXPECT_GE(msBetween(record[escape], record[escape + 1]), 30 * kTick.count() - kCallStepMs) << "and before ATH0";
  }
  EXPECT_FALSE(modem.carrier());

  // Each call starts 45 s after the one before, whatever it took.
  const auto dials = entriesOf(record, "ATDT0123\r\n");
  ASSERT_EQ(dials.size(), 3u) << "each dial arrives in one piece";
  for (std::size_t i = 1; i < dials.size(); ++i) {
    const std::int64_t apart = msBetween(record[dials[i - 1]], record[dials[i]]);
    EXPECT_GE(apart, 45'000);
    EXPECT_LT(apart, 46'000);
  }
}

TEST_F(ModemLoggerInVirtualTime, ABusyNumberIsAFailedSampleAndTheNextCallStillGoesOut) {
  auto logger = start(options("555", 1, 45s));
  runFor(*logger, 50s);

  EXPECT_EQ(logger->samples(), 2);
  EXPECT_EQ(logger->failedSamples(), 2);
  EXPECT_EQ(occurrences(err.str(), "solwire-cli log: Call failed: BUSY\n"), 2u) << err.str();
  EXPECT_FALSE(std::filesystem::exists(directory / "LOG.RTF"));
  const auto rows = csvRows();
  ASSERT_EQ(rows.size(), 3u);
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].substr(25), ",1,,,,,,,,") << rows[i];
  EXPECT_EQ(occurrences(out.str(), " site 1 failed "), 2u) << out.str();

  const auto record = modem.record();
  const auto dials = entriesOf(record, "ATDT555\r\n");
  ASSERT_EQ(dials.size(), 2u);
  EXPECT_GE(msBetween(record[dials[0]], record[dials[1]]), 45'000);
  EXPECT_TRUE(entriesOf(record, "+++").empty()) << "a busy modem is back in command mode by itself";
}

TEST_F(ModemLoggerInVirtualTime, ACarrierLostDuringTheReadingFailsThatSampleOnlyAndItsCallIsHungUp) {
  bool dropped = false;
  duringCall = [&] {
    // The far end hangs up as the log request reaches it.
    if (!dropped && modem.carrier() && allSent(modem.record()).find('\xC1') != std::string::npos) {
      dropped = true;
      modem.dropCarrier();
    }
  };
  auto logger = start(options("0123", 1, 45s));
  runFor(*logger, 50s);

  ASSERT_TRUE(dropped);
  EXPECT_EQ(logger->samples(), 2);
  EXPECT_EQ(logger->failedSamples(), 1);
  EXPECT_NE(err.str().find("solwire-cli log: Call failed: carrier lost ("), std::string::npos) << err.str();
  EXPECT_EQ(occurrences(entries(), kSeparator), 1u);
  const auto rows = csvRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].substr(25), ",1,,,,,,,,");
  EXPECT_NE(rows[2].substr(25), ",1,,,,,,,,");
  EXPECT_EQ(entriesOf(modem.record(), "ATH0\r\n").size(), 2u) << "both calls hung up";
}

TEST_F(ModemLoggerInVirtualTime, ASilentSiteIsNamedAndItsCallHungUp) {
  auto logger = start(options("0123", 9, 45s));
  EXPECT_FALSE(logger->sampleNow().read);

  EXPECT_EQ(err.str(), "solwire-cli log: Data Timeout: site 9 did not answer\n");
  const auto rows = csvRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].substr(25), ",9,,,,,,,,");
  const auto record = modem.record();
  ASSERT_GE(record.size(), 2u);
  EXPECT_EQ(record[record.size() - 2].bytes, "+++");
  EXPECT_EQ(record.back().bytes, "ATH0\r\n");
  EXPECT_NE(out.str().find("call to 0123 connected after"), std::string::npos) << out.str();
}

TEST_F(ModemLoggerInVirtualTime, AStopDuringACallFinishesTheSampleAndTheHangUpFirst) {
  duringCall = [&] { stopNow = stopNow || modem.carrier(); };
  auto logger = start(options("0123", 1, 45s));
  runFor(*logger, 1h);

  EXPECT_EQ(logger->samples(), 1);
  EXPECT_EQ(logger->failedSamples(), 0) << err.str();
  EXPECT_EQ(occurrences(entries(), kSeparator), 1u);
  const auto lines = linesOf(out.str());
  ASSERT_EQ(lines.size(), 4u) << out.str();
  EXPECT_NE(lines[2].find("hung up after"), std::string::npos) << lines[2];
  EXPECT_EQ(lines[3], "solwire-cli log: stopped after 1 sample(s), 0 failed");
  EXPECT_EQ(modem.record().back().bytes, "ATH0\r\n");
  EXPECT_FALSE(modem.carrier());
}

// A modem that takes "+++" as data and, set with &D0, ignores DTR: no
// hang-up can end its call, and the logger must not say it did.
TEST_F(ModemLoggerInVirtualTime, AHangUpThatLeavesTheCarrierUpIsReportedAsNotEnded) {
  sim::HayesModemOptions deafOptions = slowModem();
  deafOptions.ignoresEscape = true;
  sim::SimulatedModemService deaf{deafOptions, clock};
  deaf.registerAs(registry, "sim-modem-deaf");
  LoggerOptions o = options("0123", 1, 45s);
  o.modem->modemPort = "sim-modem-deaf";
  auto logger = start(o);
  EXPECT_TRUE(logger->sampleNow().read);

  EXPECT_NE(err.str().find("call to 0123: the hang-up did not end"), std::string::npos) << err.str();
  EXPECT_EQ(out.str().find("hung up after"), std::string::npos) << out.str();
  EXPECT_EQ(entriesOf(deaf.record(), "ATH0\r\n").size(), 2u) << "two sequences, then the port is closed";
  EXPECT_TRUE(deaf.carrier());
}

TEST_F(ModemLoggerInVirtualTime, ACallLongerThanTheIntervalIsFollowedAtOnce) {
  auto logger = start(options("0123", 1, 10s));
  runFor(*logger, 30s);  // each call takes over 20 s: two fit

  EXPECT_EQ(logger->samples(), 2);
  const auto record = modem.record();
  const auto hangups = entriesOf(record, "ATH0\r\n");
  const auto setups = entriesOf(record, "AT&K0&Q0&D0\r\n");
  ASSERT_EQ(hangups.size(), 2u);
  ASSERT_EQ(setups.size(), 2u);
  // The second call's setup follows the first call's close (50 ticks after ATH0).
  const std::int64_t gap = msBetween(record[hangups[0]], record[setups[1]]);
  EXPECT_GE(gap, 50 * kTick.count());
  EXPECT_LT(gap, 50 * kTick.count() + 1000);
}

}  // namespace
}  // namespace solwire::cli
