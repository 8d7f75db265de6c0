// What solwire-cli watch is asked to do: the line and its sites, how often a
// round starts, and where the readings go.
#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace solwire::cli {

struct WatchOptions {
  std::string port;
  int baudIndex = 4;
  std::vector<int> sites;
  std::chrono::seconds every{60};
  bool alarms = false;
  std::string line;  // the line's name in topics and JSON lines
  bool jsonLines = false;
};

// The options, or nullopt after a usage message on `err`.
std::optional<WatchOptions> parseWatch(const Arguments& args, std::ostream& err);

}  // namespace solwire::cli
