// A wall-clock time of day with its date, as the controller's clock reads it.
#pragma once

namespace solwire {

struct LocalTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool operator==(const LocalTime&) const = default;
};

}  // namespace solwire
