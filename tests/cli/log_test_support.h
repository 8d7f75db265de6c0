// Helpers of the logger tests: local time that follows a hand-moved clock,
// and counting what a log or an output holds.
#pragma once

#include <chrono>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/zoned_time.h"
#include "protocol/link_environment.h"

namespace solwire::test {

// `start` moved on by `ms`, as a calendar does.
inline LocalTime localTimeAfter(const LocalTime& start, std::int64_t ms) {
  using namespace std::chrono;
  const sys_seconds begin = sys_days{year{start.year} / start.month / start.day} + hours{start.hour} +
                            minutes{start.minute} + seconds{start.second};
  const sys_seconds now = begin + seconds{ms / 1000};
  const sys_days day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  return {int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())), int(time.hours().count()),
          int(time.minutes().count()), int(time.seconds().count())};
}

// The same as a zoned time; the tests' calendar runs at UTC.
inline cli::ZonedTime zonedTimeAfter(const LocalTime& start, std::int64_t ms) { return {localTimeAfter(start, ms), 0}; }

inline std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

}  // namespace solwire::test
