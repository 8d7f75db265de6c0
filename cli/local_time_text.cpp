#include "cli/local_time_text.h"

#include <cstdio>
#include <cstdlib>

namespace solwire::cli {

namespace {

std::string dateText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  return text;
}

std::string timeText(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

std::string offsetText(long seconds) {
  const char sign = seconds < 0 ? '-' : '+';
  // Offsets stay within a day, so the hours take two digits.
  const int minutes = static_cast<int>(std::labs(seconds) / 60 % (24 * 60));
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", sign, minutes / 60, minutes % 60);
  return text;
}

}  // namespace

ReportStamp reportStampOf(const LocalTime& time) { return {dateText(time), timeText(time)}; }

std::string isoLocalTime(const ZonedTime& time) {
  return dateText(time.local) + "T" + timeText(time.local) + offsetText(time.utcOffsetSeconds);
}

}  // namespace solwire::cli
