// The tool bar's pictures, drawn in code. Their indices are fixed: the exit
// button shows 0, the flags of English, French and Chinese are 11, 12 and 13,
// the phone book button shows 7 with no call and 14 while a call is up.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace solwire {

enum ToolbarPicture : int {
  PictureExit = 0,
  PictureHelp = 1,
  PictureCurrentState = 2,
  PictureHistory = 3,
  PictureSettings = 4,
  PictureAlarms = 5,
  PicturePort = 6,
  PicturePhone = 7,
  PictureSave = 8,
  PicturePeriodicLog = 9,
  PicturePrint = 10,
  PictureFlagEnglish = 11,
  PictureFlagFrench = 12,
  PictureFlagChinese = 13,
  PicturePhoneConnected = 14,
  PictureCount = 15,
};

// One picture of `size` pixels square; an index out of range draws an empty one.
QPixmap toolbarPicture(int index, int size = 32);
QIcon toolbarIcon(int index);

// The pictures of the exit panel's Yes and No buttons.
QIcon yesIcon();
QIcon noIcon();

}  // namespace solwire
