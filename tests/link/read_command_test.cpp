// solwire-cli read against the built-in simulated line and a port that is not there.
#include <gtest/gtest.h>

#include "cli/commands.h"
#include "cli/site_json.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using Result = test::CliResult;
const auto read = test::runCli;

TEST(ReadCommand, ReadsTheSimulatedLineAsJson) {
  const Result r = read({"read", "--port", "sim", "--site", "3", "--json", "alarms"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["check"], "ok") << r.out;
  EXPECT_EQ(json["alarm_inputs"].size(), 13u) << r.out;
  const Result current = read({"read", "--port", "sim", "--site", "3", "current"});
  ASSERT_EQ(current.status, kExitOk) << current.err;
  EXPECT_NE(current.out.find("System voltage     24V"), std::string::npos) << current.out;
}

TEST(ReadCommand, APortThatIsNotThereFailsWithTheReason) {
  const Result r = read({"read", "--port", "/dev/solwire-no-such-port", "--site", "0", "current"});
  EXPECT_EQ(r.status, kExitLinkFailed);
  EXPECT_NE(r.err.find("Cant open port-Port Set Exception"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("doesn't exist"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

TEST(ReadCommand, RejectsWhatItCannotRead) {
  EXPECT_EQ(read({"read", "--port", "sim", "--site", "32", "current"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--port", "sim", "--site", "1", "everything"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--port", "sim", "--site", "1", "--baud", "9600", "all"}).status, kExitUsage);
  EXPECT_EQ(read({"read", "--site", "1", "all"}).status, kExitUsage);
}

}  // namespace
}  // namespace solwire::cli
