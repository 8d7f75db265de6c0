#include "cli/arguments.h"

#include <charconv>

namespace solwire::cli {

std::optional<std::string> Arguments::option(const std::string& name) const {
  const auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

Arguments parseArguments(const std::vector<std::string>& words, const std::set<std::string>& withValue) {
  Arguments args;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.rfind("--", 0) != 0 || word.size() == 2) {
      args.positional.push_back(word);
    } else if (withValue.count(word) != 0) {
      if (i + 1 >= words.size()) throw UsageError{word + " needs a value"};
      args.options[word] = words[++i];
    } else {
      args.flags.insert(word);
    }
  }
  return args;
}

std::optional<int> parseInteger(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace solwire::cli
