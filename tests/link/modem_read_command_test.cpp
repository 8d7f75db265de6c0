// solwire-cli read through the built-in simulated modem: a connected call reads
// the site and hangs up; a busy or dead number names the modem's result; a
// remote site that never answers is named as on the direct line, and its call
// is hung up all the same.
#include <gtest/gtest.h>

#include <chrono>

#include "cli/commands.h"
#include "cli/site_json.h"
#include "sim/network_line_server.h"
#include "sim/simulated_modem_service.h"
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

TEST(ModemReadCommand, ASilentRemoteSiteIsNamedAsOnTheDirectLineAndTheCallIsHungUp) {
  const Result direct = read({"read", "--port", "sim", "--site", "9", "current"});
  EXPECT_EQ(direct.status, kExitLinkFailed);
  EXPECT_EQ(direct.err, "Data Timeout: site 9 did not answer\n");

  // Served over RFC 2217 in this process, so that what the modem received shows.
  sim::HayesModemOptions modem = sim::builtInModemOptions();
  modem.connectDelay = std::chrono::milliseconds(300);
  sim::NetworkLineServer server({sim::ListenOptions::Protocol::Rfc2217, 0, "127.0.0.1", false}, 1, 2400, modem);
  server.withBus([](sim::RegulatorBus& bus) { bus.addSite(1, 21); });
  server.start();
  const std::string url = "rfc2217://127.0.0.1:" + std::to_string(server.port());

  const Result remote = read({"read", "--modem", url, "--dial", "0123", "--site", "9", "current"});
  EXPECT_EQ(remote.status, kExitLinkFailed);
  EXPECT_EQ(remote.err, direct.err);
  EXPECT_TRUE(remote.out.empty());
  const auto record = server.modemRecord();
  ASSERT_GE(record.size(), 3u);
  EXPECT_EQ(record[record.size() - 2].bytes, "+++") << "the escape, then the hang-up command";
  EXPECT_EQ(record.back().bytes, "ATH0\r\n");
  server.stop();
}

TEST(ModemReadCommand, RejectsAnIncompleteCall) {
  EXPECT_EQ(read({"read", "--modem", "sim-modem", "--site", "1", "current"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--dial", "1", "--site", "1", "current"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--modem", "sim-modem", "--dial", "1", "--port", "sim", "--site", "1", "current"}).status,
            kExitUsage);
}

}  // namespace
}  // namespace solwire::cli
