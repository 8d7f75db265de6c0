// The phone book window's rules that need no window: its column widths for a
// window width, its caption and its messages (the window speaks English only).
#pragma once

#include <string>
#include <string_view>

namespace solwire {

struct PhoneBookColumns {
  int position = 30;
  int name = 220;
  int number = 150;
};

inline constexpr int kPhoneBookMinimumWidth = 70;

// The Number column takes half the width beside the position column, at most
// 150 pixels; the Name column the rest but for the grid's frame and scroll bar.
PhoneBookColumns phoneBookColumnsFor(int windowWidth);

std::string phoneBookCaption(std::string_view fileName);

inline constexpr std::string_view kPhoneBookTitle = "Phone Book";
inline constexpr std::string_view kNotAValidNumber = "This is not a valid phone number";
inline constexpr std::string_view kInvalidFileName = "Invalid File Name";
inline constexpr std::string_view kConfirmDelete = "Are you REALLY sure you want to delete this phone number?";
inline constexpr std::string_view kConfirmOpenOverChanges =
    "The contents of the phone book have changed.\r\nOpening another phone book will overwrite your changes.\r\n"
    "Are you sure you want to proceed?";
inline constexpr std::string_view kConfirmCloseOverChanges =
    "The contents of the phone book have changed.\r\nAre you sure you want to close it without saving the changes?";
inline constexpr std::string_view kAskSaveBeforeExit =
    "The contents of the phone book have changed.\r\nDo you want to save the changes before closing the program?";
inline constexpr std::string_view kPhoneBookFileFilter = "Phone Book Files (*.csv *.CSV)";

}  // namespace solwire
