// solwire-cli run as a process: its standard output on a full disk or closed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct ProcessResult {
  int status = -1;
  std::string err;
};

// Runs solwire-cli with `words` and its standard output redirected as
// `redirection` says; what it prints on standard error is captured.
ProcessResult runCli(const std::string& words, const std::string& redirection) {
  ProcessResult result;
  const std::string line = "'" + std::string(SOLWIRE_CLI_PATH) + "' " + words + " 2>&1 " + redirection;
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return result;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) result.err += chunk;
  const int wait = pclose(pipe);
  result.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return result;
}

TEST(CliProcess, FullDiskIsReportedWithTheSystemsReason) {
  const ProcessResult r = runCli("frame current 5", ">/dev/full");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
}

TEST(CliProcess, ClosedStandardOutputIsAFailure) {
  const ProcessResult r = runCli("frame current 5", ">&-");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("standard output is closed"), std::string::npos) << r.err;
}

TEST(CliProcess, GoodRunStillSucceeds) {
  EXPECT_EQ(runCli("frame current 5", ">/dev/null").status, 0);
}

}  // namespace
