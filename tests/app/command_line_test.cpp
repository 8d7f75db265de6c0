// The help and version texts of the desktop program need no display: they
// are asked for on servers and by package checks, where none is.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct RunResult {
  int status = -1;
  std::string out;
};

// Runs Solwire with no display of any kind in its environment.
RunResult runWithoutDisplay(const std::string& arguments) {
  const std::string line = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout -s KILL 30 '" +
                           std::string(SOLWIRE_APP_PATH) + "' " + arguments + " 2>&1";
  RunResult run;
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return run;
  char chunk[512];
  while (std::fgets(chunk, sizeof chunk, pipe)) run.out += chunk;
  const int wait = pclose(pipe);
  run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return run;
}

TEST(CommandLine, HelpAndVersionWorkWithoutADisplay) {
  for (const std::string option : {"--help", "-h"}) {
    const RunResult help = runWithoutDisplay(option);
    EXPECT_EQ(help.status, 0) << option << ": " << help.out;
    EXPECT_NE(help.out.find("Usage:"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--settings <file>"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos) << help.out;
  }
  const RunResult version = runWithoutDisplay("--version");
  EXPECT_EQ(version.status, 0) << version.out;
  EXPECT_EQ(version.out, "SOLWIRE " SOLWIRE_VERSION "\n");
}

// Anything else still needs a display, and says so rather than hanging.
TEST(CommandLine, StartingTheWindowsWithoutADisplayFailsAtOnce) {
  const RunResult run = runWithoutDisplay("--settings /dev/null");
  EXPECT_NE(run.status, 0) << run.out;
  EXPECT_NE(run.status, 137) << "it hung until it was killed";
}

}  // namespace
