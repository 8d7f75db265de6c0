// solwire-cli report --append and log --file given a name that is not a
// regular file or is read-only: refused at once with the reason, the file
// left as it was. Each run is in a child that an alarm ends if it blocks.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using test::runCli;

constexpr unsigned kGuardSeconds = 20;

class CliReportTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "solwire-cli-target-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory = pattern;
  }
  void TearDown() override { fs::remove_all(directory); }

  // The child's exit code: 0 the command failed with status 1 and `reason`
  // and the file's name on stderr, 1 it did not, -1 it did not finish.
  static int runGuarded(const std::vector<std::string>& words, const fs::path& file, const std::string& reason) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(kGuardSeconds);
      const test::CliResult r = runCli(words);
      if (r.status == 1 && r.err.find(reason) != std::string::npos && r.err.find(file.string()) != std::string::npos)
        ::_exit(0);
      std::fprintf(stderr, "status %d: %s\n", r.status, r.err.c_str());
      ::_exit(1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  static std::vector<std::string> reportTo(const fs::path& file) {
    return {"report", "--port", "sim", "--site", "0", "--sections", "current", "--append", file.string()};
  }
  static std::vector<std::string> logTo(const fs::path& file) {
    return {"log", "--port", "sim", "--site", "0", "--once", "--file", file.string()};
  }

  fs::path directory;
};

TEST_F(CliReportTarget, ANamedPipeIsRefusedAtOnce) {
  const fs::path pipe = directory / "PIPE.RTF";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_EQ(runGuarded(reportTo(pipe), pipe, "not a regular file: a named pipe"), 0) << "-1: it blocked";
  EXPECT_EQ(runGuarded(logTo(pipe), pipe, "not a regular file: a named pipe"), 0) << "-1: it blocked";
  EXPECT_EQ(fs::status(pipe).type(), fs::file_type::fifo);
}

TEST_F(CliReportTarget, AReadOnlyFileIsRefusedAndLeftAsItWas) {
  const fs::path file = directory / "DATA.RTF";
  ASSERT_EQ(runCli(reportTo(file)).status, 0);
  ::chmod(file.c_str(), 0444);
  std::ostringstream before;
  before << std::ifstream(file, std::ios::binary).rdbuf();
  EXPECT_EQ(runGuarded(reportTo(file), file, "the file is read-only"), 0);
  EXPECT_EQ(runGuarded(logTo(file), file, "the file is read-only"), 0);
  std::ostringstream after;
  after << std::ifstream(file, std::ios::binary).rdbuf();
  EXPECT_EQ(after.str(), before.str());
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

}  // namespace
}  // namespace solwire
