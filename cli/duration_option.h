// A span of time on the command line: a whole number and its unit, s, m or h
// ("45s", "15m", "2h").
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace solwire::cli {

// The span, or nullopt when `text` is not a positive whole number followed by one unit.
std::optional<std::chrono::seconds> parseDuration(const std::string& text);

// The span in the largest of the three units that divides it: "15m", "90s".
std::string durationText(std::chrono::seconds span);

}  // namespace solwire::cli
