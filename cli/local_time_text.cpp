#include "cli/local_time_text.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

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

// Seconds east of UTC at that local time (mktime settles daylight saving).
long utcOffsetSeconds(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  if (std::mktime(&tm) == static_cast<std::time_t>(-1)) return 0;
  return tm.tm_gmtoff;
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

std::string isoLocalTime(const LocalTime& time) {
  return dateText(time) + "T" + timeText(time) + offsetText(utcOffsetSeconds(time));
}

}  // namespace solwire::cli
