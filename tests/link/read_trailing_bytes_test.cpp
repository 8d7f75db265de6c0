// solwire-cli read against a line where one site sends bytes after each of
// its replies: bytes left waiting by one reply must not spoil the next.
#include <gtest/gtest.h>

#include <string>

#include "cli/commands.h"
#include "sim/pty_server.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using Result = test::CliResult;

// Site 1 sends two bytes after every reply; site 2 does not.
class ReadWithTrailingBytes : public ::testing::Test {
 protected:
  ReadWithTrailingBytes() {
    server.withBus([](sim::RegulatorBus& bus) {
      bus.addSite(kTrailingSite, 17).setFault(sim::Fault::TrailingBytes);
      bus.addSite(kCleanSite, 2);
    });
    server.start();
  }
  Result readSite(int site, const std::string& what) {
    return test::runCli({"read", "--port", server.devicePath(), "--site", std::to_string(site), what});
  }

  static constexpr int kTrailingSite = 1;
  static constexpr int kCleanSite = 2;
  sim::PtyServer server{5, 2400};
};

TEST_F(ReadWithTrailingBytes, EverythingOfTheTrailingSiteIsRead) {
  const Result r = readSite(kTrailingSite, "all");
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  for (const char* section : {"Current state", "Settings", "Calibration", "History (32 days)", "Alarm inputs"})
    EXPECT_NE(r.out.find(section), std::string::npos) << section;
}

TEST_F(ReadWithTrailingBytes, BackToBackReadsOfBothSitesAllSucceed) {
  for (int read = 0; read < 6; ++read) {
    const int site = read % 2 == 0 ? kTrailingSite : kCleanSite;
    const Result r = readSite(site, "current");
    EXPECT_EQ(r.status, kExitOk) << "read " << read << ", site " << site << ": " << r.err;
  }
}

}  // namespace
}  // namespace solwire::cli
