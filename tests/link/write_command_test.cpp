// solwire-cli set and calibrate over a pty against the simulated regulators:
// the byte written, the read-back, and the exit status for a regulator that
// takes it, one that ignores writes, one that does not answer, and an entry
// the settings window refuses.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "cli/commands.h"
#include "cli/site_json.h"
#include "cli/write_entry.h"
#include "sim/pty_line.h"
#include "sim/pty_server.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using Result = test::CliResult;

constexpr int kSite = 1;        // a 24 V model
constexpr int kReadOnlySite = 2;
constexpr int kSilentSite = 3;

class WriteCommand : public ::testing::Test {
 protected:
  WriteCommand() {
    server.withBus([](sim::RegulatorBus& bus) {
      for (const int site : {kSite, kReadOnlySite}) {
        sim::RegulatorSite& regulator = bus.addSite(site, 21);
        regulator.memory()[16] = 150;        // Boost Maximum 30.0 V
        regulator.memory()[18] = 10 * 4 + 1;  // State Change Delay 1.0 min, 2 banks
      }
      bus.site(kReadOnlySite)->setFault(sim::Fault::IgnoresWrites);
      bus.addSite(kSilentSite, 21).setFault(sim::Fault::Silent);
    });
    server.start();
  }

  Result run(const std::string& command, int site, std::vector<std::string> words, bool json = true) {
    std::vector<std::string> all{command, "--port", server.devicePath(), "--site", std::to_string(site)};
    all.insert(all.end(), words.begin(), words.end());
    if (json) all.push_back("--json");
    return test::runCli(all);
  }
  int memoryAt(int site, int address) {
    int byte = -1;
    server.withBus([&](sim::RegulatorBus& bus) { byte = bus.site(site)->memory()[static_cast<std::size_t>(address)]; });
    return byte;
  }

  sim::PtyServer server{3, 2400};
};

TEST_F(WriteCommand, BoostMaximum27VoltsIsWrittenReadBackAndConfirmed) {
  const Result r = run("set", kSite, {"0", "27.0"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["row"], 0);
  EXPECT_EQ(json["entry"], "27.0");
  EXPECT_EQ(json["address"], 16);
  EXPECT_EQ(json["data"], 135);
  EXPECT_EQ(json["frame"], "C1 A5 10 87 E1");
  EXPECT_EQ(json["confirmed"], true);
  EXPECT_EQ(json["before"], "30.0 V");
  EXPECT_EQ(json["after"], "27.0 V");
  ASSERT_EQ(json["settings"].size(), 17u);
  EXPECT_EQ(json["settings"][0], 135);
  EXPECT_EQ(memoryAt(kSite, 16), 135);
}

TEST_F(WriteCommand, ASharedByteKeepsTheOtherEntryAndTextSaysWhatHappened) {
  const Result r = run("set", kSite, {"2", "3"}, false);  // banks 3 with delay 10
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(memoryAt(kSite, 18), 42);
  EXPECT_NE(r.out.find("Number of Banks Used: 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("writes 42 to address 18"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("read back: 3"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("The regulator took it."), std::string::npos) << r.out;
}

TEST_F(WriteCommand, ARegulatorThatIgnoresWritesExitsWith3) {
  const Result r = run("set", kReadOnlySite, {"0", "27.0"});
  ASSERT_EQ(r.status, kExitNotConfirmed) << r.err;
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["confirmed"], false);
  EXPECT_EQ(json["data"], 135);
  EXPECT_EQ(json["held"], 150);
  EXPECT_EQ(json["after"], "30.0 V");
  EXPECT_EQ(memoryAt(kReadOnlySite, 16), 150);
}

TEST_F(WriteCommand, CalibrateWritesOneColumnOfOneChannel) {
  const Result o = run("calibrate", kSite, {"2", "o", "7F"});
  ASSERT_EQ(o.status, kExitOk) << o.err;
  const Json json = Json::parse(o.out);
  EXPECT_EQ(json["column"], "o");
  EXPECT_EQ(json["address"], 5);
  EXPECT_EQ(json["data"], 127);
  EXPECT_EQ(json["calibration_o"][2], 127);
  EXPECT_EQ(json["calibration_g"].size(), 8u);
  EXPECT_FALSE(json.contains("settings"));
  EXPECT_EQ(memoryAt(kSite, 5), 127);

  const Result g = run("calibrate", kSite, {"7", "G", "f"}, false);
  ASSERT_EQ(g.status, kExitOk) << g.err;
  EXPECT_EQ(memoryAt(kSite, 14), 15) << "one digit is that digit's value";
  EXPECT_NE(g.out.find("Battery Voltage G"), std::string::npos) << g.out;
}

TEST_F(WriteCommand, ASiteThatDoesNotAnswerIsALineFailure) {
  const Result r = run("set", kSilentSite, {"0", "27.0"});
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_NE(r.err.find("site " + std::to_string(kSilentSite) + " did not answer"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

// A refused entry is refused before the port is opened: nothing reaches the line.
TEST(WriteCommandRefusal, ARefusedEntryExitsWith2AndSendsNothing) {
  sim::PtyLine line;
  struct Case {
    std::vector<std::string> words;
    std::string why;
  };
  const Case cases[] = {
      {{"set", "0", "27.00"}, "1 to 4 characters"},
      {{"set", "15", "9600"}, "110, 300, 600, 1200 and 2400"},
      {{"set", "0", "27V"}, "digits"},
      {{"calibrate", "1", "g", "7G"}, "hexadecimal"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words{c.words[0], "--port", line.devicePath(), "--site", "1"};
    words.insert(words.end(), c.words.begin() + 1, c.words.end());
    const Result r = test::runCli(words);
    EXPECT_EQ(r.status, kExitUsage) << c.words[2];
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
  }
  std::array<std::uint8_t, 64> received{};
  EXPECT_EQ(line.readAvailable(received), 0u) << "a byte reached the line";
}

TEST(WriteCommandUsage, WordsThatNameNoEntryAreUsageErrors) {
  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {"set", "--port", "sim", "--site", "1", "16", "27.0"},
           {"set", "--port", "sim", "--site", "1", "0"},
           {"set", "--port", "sim", "--site", "32", "0", "27.0"},
           {"set", "--site", "1", "0", "27.0"},
           {"set", "--port", "sim", "--site", "1", "--baud", "9600", "0", "27.0"},
           {"calibrate", "--port", "sim", "--site", "1", "8", "g", "10"},
           {"calibrate", "--port", "sim", "--site", "1", "1", "x", "10"},
           {"calibrate", "--port", "sim", "--site", "1", "1", "g"},
       }) {
    const Result r = test::runCli(words);
    std::string line;
    for (const std::string& word : words) line += word + " ";
    EXPECT_EQ(r.status, kExitUsage) << line;
    EXPECT_NE(r.err.find("usage: solwire-cli " + words[0]), std::string::npos) << r.err;
  }
}

TEST(WriteCommandUsage, HelpListsTheRowsAndTheExitStatuses) {
  const Result set = test::runCli({"set", "--help"});
  EXPECT_EQ(set.status, kExitOk);
  for (const char* text : {"--port", "--site", "--json", "Boost Maximum Voltage", "15  Communication Baud Rate",
                           "3 written, but"})
    EXPECT_NE(set.out.find(text), std::string::npos) << text;
  const Result calibrate = test::runCli({"calibrate", "--help"});
  EXPECT_EQ(calibrate.status, kExitOk);
  for (const char* text : {"7  Battery Voltage", "2 x ROW + 1", "F is 15"})
    EXPECT_NE(calibrate.out.find(text), std::string::npos) << text;
  const Result all = test::runCli({"--help"});
  EXPECT_NE(all.out.find("calibrate"), std::string::npos);
}

}  // namespace
}  // namespace solwire::cli
