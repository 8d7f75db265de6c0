// solwire-cli read through the built-in simulated modem: a connected call reads
// the site and hangs up; a busy or dead number names the modem's result.
#include <gtest/gtest.h>

#include "cli/commands.h"
#include "cli/site_json.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using Result = test::CliResult;
const auto read = test::runCli;

TEST(ModemReadCommand, DialsReadsTheRemoteSiteAndHangsUp) {
  const Result r = read({"read", "--modem", "sim-modem", "--dial", "(01) 234", "--pulse", "--setup", "&K0&Q0&D0",
                         "--site", "1", "--json", "current"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["check"], "ok") << r.out;
  EXPECT_EQ(json["type_code"], 21) << "site 1 of the simulated bus, a 24 V regulator: " << r.out;
  EXPECT_EQ(json["voltage_multiplier"], 2) << r.out;
}

TEST(ModemReadCommand, AFailedCallNamesTheModemsResult) {
  const Result busy = read({"read", "--modem", "sim-modem", "--dial", "555", "--site", "1", "current"});
  EXPECT_EQ(busy.status, kExitLinkFailed);
  EXPECT_EQ(busy.err, "Call failed: BUSY\n");
  EXPECT_TRUE(busy.out.empty());
  const Result dead = read({"read", "--modem", "sim-modem", "--dial", "556", "--site", "1", "current"});
  EXPECT_EQ(dead.err, "Call failed: NO CARRIER\n");
  const Result missing = read({"read", "--modem", "/dev/solwire-no-such-modem", "--dial", "1", "--site", "1", "current"});
  EXPECT_EQ(missing.status, kExitLinkFailed);
  EXPECT_NE(missing.err.find("Cant open COMM port"), std::string::npos) << missing.err;
}

TEST(ModemReadCommand, RejectsAnIncompleteCall) {
  EXPECT_EQ(read({"read", "--modem", "sim-modem", "--site", "1", "current"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--dial", "1", "--site", "1", "current"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--modem", "sim-modem", "--dial", "1", "--port", "sim", "--site", "1", "current"}).status,
            kExitUsage);
}

}  // namespace
}  // namespace solwire::cli
