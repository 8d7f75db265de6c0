// solwire-cli set and calibrate as processes against solwire-sim as a
// process: the pty the simulator prints, a regulator told to ignore writes,
// and the exit statuses a script sees.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace {

// solwire-sim running for the length of a test, killed at its end.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> options) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    options.insert(options.begin(), SOLWIRE_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& word : options) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, SOLWIRE_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // The simulator prints its device path once it serves the line.
    FILE* printed = fdopen(out[0], "r");
    char line[256] = {};
    if (printed && std::fgets(line, sizeof line, printed)) path_ = std::string(line, std::string(line).find('\n'));
    if (printed) std::fclose(printed);
  }
  ~SimProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  const std::string& devicePath() const { return path_; }

 private:
  pid_t pid_ = -1;
  std::string path_;
};

struct CliRun {
  int status = -1;
  std::string out;
};

CliRun runCli(const std::string& words) {
  CliRun run;
  const std::string command = "'" + std::string(SOLWIRE_CLI_PATH) + "' " + words + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char chunk[512];
  while (std::fgets(chunk, sizeof chunk, pipe)) run.out += chunk;
  const int wait = pclose(pipe);
  run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
  return run;
}

TEST(CliWriteProcess, ARegulatorThatIgnoresWritesGivesExit3AndOneThatTakesThemExit0) {
  SimProcess sim({"--sites", "1:21,2:21", "--fault", "2=readonly"});
  ASSERT_FALSE(sim.devicePath().empty());
  const std::string port = "--port '" + sim.devicePath() + "' ";

  const CliRun taken = runCli("set " + port + "--site 1 0 27.0 --json");
  EXPECT_EQ(taken.status, 0) << taken.out;
  EXPECT_NE(taken.out.find("\"confirmed\":true"), std::string::npos) << taken.out;

  const CliRun ignored = runCli("calibrate " + port + "--site 2 3 o 7F --json");
  EXPECT_EQ(ignored.status, 3) << ignored.out;
  EXPECT_NE(ignored.out.find("\"confirmed\":false"), std::string::npos) << ignored.out;

  EXPECT_EQ(runCli("set " + port + "--site 1 0 27.00").status, 2);
}

}  // namespace
