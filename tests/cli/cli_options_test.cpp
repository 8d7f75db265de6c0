// What solwire-cli does with options it does not know, with --help, and with
// output that cannot be written.
#include <gtest/gtest.h>

#include <streambuf>

#include "cli/commands.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

const auto run = test::runCli;

TEST(CliOptions, MisspeltOrForeignOptionsAreUsageErrors) {
  struct Case {
    std::vector<std::string> words;
    std::string offending;
  };
  for (const Case& c : {Case{{"read", "--port", "sim", "--site", "1", "current", "--jsno"}, "--jsno"},
                        Case{{"frame", "current", "5", "--json"}, "--json"},
                        Case{{"decode", "alarms", "D0 E0 E0 E0 E0", "--site", "3"}, "--site"},
                        Case{{"demo", "--block", "2"}, "--block"},
                        Case{{"--verbose", "frame", "current", "5"}, "--verbose"}}) {
    const test::CliResult r = run(c.words);
    EXPECT_EQ(r.status, kExitUsage) << c.offending;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find(c.offending), std::string::npos) << r.err;
  }
}

TEST(CliOptions, HelpPrintsTheUsageAndSucceeds) {
  for (const char* help : {"--help", "-h"}) {
    const test::CliResult alone = run({help});
    EXPECT_EQ(alone.status, kExitOk);
    for (const char* command : {"frame", "decode", "read", "demo"})
      EXPECT_NE(alone.out.find(command), std::string::npos) << alone.out;
    const test::CliResult read = run({"read", help});
    EXPECT_EQ(read.status, kExitOk);
    EXPECT_NE(read.out.find("--port"), std::string::npos) << read.out;
  }
}

TEST(CliOptions, UnknownCommandIsNamed) {
  const test::CliResult r = run({"raed", "--port", "sim"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_NE(r.err.find("raed"), std::string::npos) << r.err;
}

// A stream buffer that refuses every byte, as a full disk does.
class RefusingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(CliOptions, OutputThatCannotBeWrittenIsAFailure) {
  RefusingBuffer refusing;
  std::ostream out(&refusing);
  std::ostringstream err;
  EXPECT_EQ(runCommand({"frame", "current", "5"}, out, err), kExitFailed);
  EXPECT_NE(err.str().find("the output could not be written"), std::string::npos) << err.str();
}

TEST(CliOptions, ShortReplyMessageReadsProperly) {
  const test::CliResult r = run({"decode", "alarms", "D0 E0"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_NE(r.err.find("an alarms reply is 5 bytes long; got 2"), std::string::npos) << r.err;
  EXPECT_NE(run({"decode", "current", "00"}).err.find("a current reply"), std::string::npos);
}

}  // namespace
}  // namespace solwire::cli
