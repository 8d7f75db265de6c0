// The alarm panel's two picture lists, drawn in code. Only the meaning of
// each index is fixed:
//   alarm pictures (38 x 32): 0 the alarm symbol, 1..13 the alarm numbers,
//     14 low and 15 high battery voltage, 16 generator running, 17 logic,
//     18 load and 19 solar failure, 20 door, 21 fire, 22 smoke, 23..25 blank;
//   strip pictures (47 x 12): the StripPicture values of views/alarm_rules.h.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace solwire {

inline constexpr int kAlarmPictureWidth = 38;
inline constexpr int kAlarmPictureHeight = 32;
inline constexpr int kStripPictureWidth = 47;
inline constexpr int kStripPictureHeight = 12;

// An index outside a list gives an empty (transparent) picture.
QPixmap alarmPicture(int index);
QIcon alarmIcon(int index);
QPixmap statusStripPicture(int index);

}  // namespace solwire
