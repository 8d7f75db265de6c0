// Whether a prefix given on the command line can stand in front of the topic
// names a watcher publishes: one or more topic levels, none empty, no
// wildcard, not the broker's own "$" topics, valid UTF-8 without control
// characters.
#pragma once

#include <optional>
#include <string>

namespace solwire::fleet {

// Why `prefix` cannot be used, or nullopt when it can.
std::optional<std::string> topicPrefixProblem(const std::string& prefix);

}  // namespace solwire::fleet
