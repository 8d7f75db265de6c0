// Runs solwire-cli's commands in process and keeps what they printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace solwire::test {

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

inline CliResult runCli(const std::vector<std::string>& words) {
  std::ostringstream out, err;
  const int status = cli::runCommand(words, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace solwire::test
