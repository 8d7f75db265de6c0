// solwire-cli read --modem against solwire-sim --modem as a process serving
// its modem over RFC 2217: a connected call reads the site, and a busy number
// names the modem's result.
#include <gtest/gtest.h>

#include "cli/commands.h"
#include "cli/site_json.h"
#include "tests/serial/network_child_process.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using namespace std::chrono_literals;

class ModemSimProcess : public ::testing::Test {
 protected:
  ModemSimProcess()
      : sim({SOLWIRE_SIM_PATH, "--modem", "--connect-delay", "300", "--listen", "rfc2217:0", "--sites", "0:2,1:21"}) {
    url = sim.readLine().value_or("");
  }

  testing::ChildProcess sim;
  std::string url;
};

TEST_F(ModemSimProcess, ReadsASiteThroughTheModemOverRfc2217) {
  ASSERT_EQ(url.rfind("rfc2217://127.0.0.1:", 0), 0u) << url;
  const auto r = test::runCli({"read", "--modem", url, "--dial", "0123", "--site", "1", "--json", "current"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["check"], "ok") << r.out;
  EXPECT_EQ(json["type_code"], 21) << r.out;
  EXPECT_EQ(json["voltage_multiplier"], 2) << "a 24 V regulator: " << r.out;

  // The hang-up left the modem in command mode, and the line free for the next client.
  const auto again = test::runCli({"read", "--modem", url, "--dial", "0124", "--site", "0", "--json", "current"});
  ASSERT_EQ(again.status, kExitOk) << again.err;
  EXPECT_EQ(Json::parse(again.out)["type_code"], 2) << again.out;
}

TEST_F(ModemSimProcess, ABusyNumberFailsTheCallWithTheModemsResult) {
  ASSERT_FALSE(url.empty());
  const auto busy = test::runCli({"read", "--modem", url, "--dial", "555", "--site", "1", "current"});
  EXPECT_EQ(busy.status, kExitLinkFailed);
  EXPECT_EQ(busy.err, "Call failed: BUSY\n");
  EXPECT_TRUE(busy.out.empty());
}

}  // namespace
}  // namespace solwire::cli
