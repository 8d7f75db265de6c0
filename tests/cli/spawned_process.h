// Programs the cli's process tests start: solwire-sim serving its bus on a
// pty, and solwire-cli with its output read line by line, so that a test
// waits for what a program says instead of for time to pass.
#pragma once

#include <fstream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace solwire::test {

class SpawnedProcess {
 public:
  // Starts `program` with `words`; its standard output comes through a pipe,
  // its standard error goes to `errorFile` (appended) unless that is empty.
  SpawnedProcess(const std::string& program, std::vector<std::string> words, const std::string& errorFile = "") {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (!errorFile.empty())
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                       0644);
    words.insert(words.begin(), program);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    output_ = fdopen(out[0], "r");
  }
  ~SpawnedProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (output_) std::fclose(output_);
  }
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;

  bool started() const { return pid_ > 0 && output_ != nullptr; }

  // The next line of its output without the line end; empty at its end.
  std::string readLine() {
    char line[1 << 16] = {};  // a whole discovery document
    if (!output_ || !std::fgets(line, sizeof line, output_)) return {};
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  void signal(int number) const {
    if (pid_ > 0) kill(pid_, number);
  }

  // Whether the process has a handler of its own for `number` (its
  // "SigCgt" mask), so that a signal sent now is caught, not fatal.
  bool catches(int number) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.starts_with("SigCgt:")) return (std::stoull(line.substr(7), nullptr, 16) >> (number - 1)) & 1U;
    return false;
  }

  // Waits for it to end; its exit status, or -1 when a signal ended it.
  int wait() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Its exit status as wait() gives it, or nullopt while it is still running
  // after `limit`.
  std::optional<int> waitFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pid_ > 0) {
      int status = 0;
      const pid_t ended = waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (ended < 0 || std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  FILE* output_ = nullptr;
};

// solwire-sim for the length of a test; it prints its device path first.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> options) : process_(SOLWIRE_SIM_PATH, std::move(options)) {
    path_ = process_.readLine();
  }
  ~SimProcess() {
    process_.signal(SIGTERM);
    process_.wait();
  }
  const std::string& devicePath() const { return path_; }

 private:
  SpawnedProcess process_;
  std::string path_;
};

}  // namespace solwire::test
