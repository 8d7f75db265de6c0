// Command-line arguments: positional words and "--name value" options.
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

// Options listed in `withValue` take the next word as their value; any other
// word starting with "--" is a flag. Throws UsageError when a value is missing.
Arguments parseArguments(const std::vector<std::string>& words, const std::set<std::string>& withValue);

// An integer in [low, high], or nullopt when `text` is not one.
std::optional<int> parseInteger(const std::string& text, int low, int high);

struct UsageError {
  std::string message;
};

}  // namespace solwire::cli
