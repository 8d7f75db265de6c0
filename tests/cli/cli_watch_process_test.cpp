// solwire-cli watch with --json-lines: as a process on the built-in
// simulated line (rounds in site order, a silent site's failed reading, a
// clean stop on SIGTERM), and its usage errors in process.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "cli/commands.h"
#include "sim/pty_server.h"
#include "tests/cli/spawned_process.h"

namespace solwire {
namespace {

using test::SpawnedProcess;
using Json = nlohmann::json;

const std::regex kIsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");

Json nextReading(SpawnedProcess& watcher) {
  const std::string line = watcher.readLine();
  EXPECT_FALSE(line.empty()) << "the watcher ended early";
  return line.empty() ? Json::object() : Json::parse(line);
}

TEST(CliWatchProcess, ReadsEachSiteInTurnRoundAfterRoundAndStopsCleanly) {
  SpawnedProcess watcher(SOLWIRE_CLI_PATH, {"watch", "--port", "sim", "--sites", "0-3", "--every", "1s", "--alarms",
                                            "--json-lines"});
  ASSERT_TRUE(watcher.started());
  // The simulated line's sites: a 48 V, a 24 V, a 12 V and an inverted-scale 24 V model.
  const int classes[] = {48, 24, 12, 24};
  for (int round = 0; round < 2; ++round) {
    for (int site = 0; site < 4; ++site) {
      const Json reading = nextReading(watcher);
      // Two hosts with the same port name publish as two lines.
      const std::string line = reading["line"];
      EXPECT_TRUE(line.ends_with("_sim") && line.size() > 4) << line;
      EXPECT_EQ(reading["site"], site);
      EXPECT_EQ(reading["ok"], true);
      EXPECT_TRUE(std::regex_match(reading["time"].get<std::string>(), kIsoTime)) << reading["time"];
      EXPECT_EQ(reading["voltage_class"], classes[site]);
      const double volts = reading["battery_voltage"];
      EXPECT_GT(volts, classes[site] * 0.8) << site;
      EXPECT_LT(volts, classes[site] * 1.35) << site;
      EXPECT_EQ(reading["alarms"].size(), 13U);
    }
  }
  ASSERT_TRUE(watcher.catches(SIGTERM));
  watcher.signal(SIGTERM);
  // At most the reading under way comes, whole, before the end.
  for (std::string line = watcher.readLine(); !line.empty(); line = watcher.readLine())
    EXPECT_TRUE(Json::accept(line)) << line;
  EXPECT_EQ(watcher.wait(), 0);
}

TEST(CliWatchProcess, ASiteThatDoesNotAnswerGivesAFailedReadingAndTheRoundGoesOn) {
  SpawnedProcess watcher(SOLWIRE_CLI_PATH, {"watch", "--port", "sim", "--sites", "3,9", "--every", "1m",
                                            "--line-id", "north-1", "--json-lines"});
  ASSERT_TRUE(watcher.started());
  EXPECT_EQ(nextReading(watcher)["ok"], true);
  const Json silent = nextReading(watcher);
  EXPECT_EQ(silent["line"], "north-1");
  EXPECT_EQ(silent["site"], 9);
  EXPECT_EQ(silent["ok"], false);
  EXPECT_NE(silent["error"].get<std::string>().find("site 9"), std::string::npos) << silent;
  EXPECT_FALSE(silent.contains("battery_voltage"));
  watcher.signal(SIGINT);
  EXPECT_EQ(watcher.wait(), 0);
}

// A site that answers after its time-out, read just before a site that
// answers slowly: the late reply must not become the slow site's reading.
TEST(CliWatchProcess, ALateSitesReplyIsNeverPublishedAsTheNextSites) {
  sim::PtyServer line(7, 2400);
  line.withBus([](sim::RegulatorBus& bus) {
    bus.addSite(5, 2).setFault(sim::Fault::LateReply, std::chrono::milliseconds(7000));  // 48 V, 2 s past its time-out
    bus.addSite(6, 0).setFault(sim::Fault::LateReply, std::chrono::milliseconds(1500));  // 12 V, slow
  });
  line.start();
  SpawnedProcess watcher(SOLWIRE_CLI_PATH,
                         {"watch", "--port", line.devicePath(), "--sites", "5,6", "--every", "1s", "--json-lines"});
  ASSERT_TRUE(watcher.started());
  int slowSiteRead = 0;
  for (int reading = 0; reading < 4; ++reading) {
    const Json json = nextReading(watcher);
    if (json.value("site", -1) != 6) continue;
    if (json["ok"] != true) continue;
    ++slowSiteRead;
    EXPECT_EQ(json["voltage_class"], 12) << json;
    EXPECT_LT(json["battery_voltage"].get<double>(), 16.0) << json;
  }
  EXPECT_EQ(slowSiteRead, 2) << "the slow site is read in every round";
  watcher.signal(SIGINT);
  EXPECT_EQ(watcher.wait(), 0);
}

int watch(std::vector<std::string> words, std::string& err) {
  words.insert(words.begin(), "watch");
  std::ostringstream out;
  std::ostringstream errors;
  const int status = cli::runCommand(words, out, errors);
  err = errors.str();
  return status;
}

TEST(CliWatchOptions, ABadOptionIsAUsageErrorThatSaysWhich) {
  std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--port", "sim", "--sites", "0-40", "--json-lines"}, "--sites"},
      {{"--port", "sim", "--sites", "3-1", "--json-lines"}, "backwards"},
      {{"--port", "sim", "--json-lines"}, "--sites"},
      {{"--sites", "0", "--json-lines"}, "--port"},
      {{"--port", "sim", "--sites", "0", "--every", "5 minutes", "--json-lines"}, "--every"},
      {{"--port", "sim", "--sites", "0", "--line-id", "a/b", "--json-lines"}, "--line-id"},
      {{"--port", "sim", "--sites", "0", "--baud", "9600", "--json-lines"}, "--baud"},
      {{"--port", "sim", "--sites", "0"}, "--json-lines"},
      {{"--port", "sim", "--sites", "0", "--lang", "de", "--json-lines"}, "--lang"},
  };
  // Prefixes are topic levels; each bad one is named, for either option.
  for (const char* prefix : {"ha/#", "sol/+/x", "/lead", "sol//x", "trail/", "$SYS/x", "a\tb"}) {
    for (const char* option : {"--mqtt-prefix", "--ha-prefix"})
      cases.push_back({{"--port", "sim", "--sites", "0", "--mqtt", "mqtt://localhost", option, prefix}, option});
  }
  for (const auto& [words, reason] : cases) {
    std::string err;
    EXPECT_EQ(watch(words, err), cli::kExitUsage) << words.back();
    EXPECT_NE(err.find(reason), std::string::npos) << err;
    EXPECT_NE(err.find("usage: solwire-cli watch"), std::string::npos);
  }
}

}  // namespace
}  // namespace solwire
