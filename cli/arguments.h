// What a command was given on the command line: its positional words (the
// command's name first) and the options it takes, checked by the parser.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace solwire::cli {

struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;

  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
  std::optional<std::string> option(const std::string& name) const;
};

// An integer in [low, high], or nullopt when `text` is not one.
std::optional<int> parseInteger(const std::string& text, int low, int high);

}  // namespace solwire::cli
