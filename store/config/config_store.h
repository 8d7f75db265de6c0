// The configuration store: every choice the user makes in the main window,
// read once at start-up and written once at close.
//
// Stored layout (one root per user, sections of named string values):
//   "Settings"      site, log rate, ports, baud rate, language, multipliers,
//                   alarm rate, phone list line, log site, numbers, file names,
//                   modem setup string, TAPI device, phone book file
//   "Save Options"  the report, logging, alarm and TAPI switches (Booleans)
//   "Phone List"    16 name/number pairs ("id name 1" .. "phone number 16")
//   "Font"          one face and size per language ("Lang 0 Name " ..)
//   "Alarm State"   13 groups ("Alarm0 Image", "Alarm0Old State", ...)
//   "Ports"         "COM1".."COM8": the device path behind each COM number
//   "Telephony Lines" up to 8 modems for dialled calls ("Line Name 1",
//                   "Line Path 1", ...)
//   "Windows"       where each window was and its size ("Main Left",
//                   "Main Top", "Main Width", "Main Height", "History Left",
//                   ...); empty until the window has been on screen
//
// Every value is text. Integers are signed decimal; Booleans are written "1"
// or "0" and read as integers, any non-zero value meaning true. A missing
// value, text that is not a whole decimal number, or a number outside what
// the controls offer gives the default, so a damaged or hand-edited file can
// never put an index out of range. An empty font face or device path gives
// its default too; every other text is kept exactly as stored.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "store/config/settings_backend.h"

namespace solwire {

// The default of "Dial String" and "Log Number": a number from the block
// reserved for fictional use (555-0100 .. 555-0199), so that a first-run
// default can never ring a real subscriber.
inline constexpr std::string_view kDefaultPhoneNumber = "5550100";

// The default of "Modem Set String" where none is stored: &D2 makes the
// modem hang up when DTR drops, so a crash or a power cut ends a call too.
// A stored string stays as the operator set it.
inline constexpr std::string_view kDefaultModemSetString = "&K0&Q0&D2";

inline constexpr int kLanguageCount = 3;    // English, French, Chinese
inline constexpr int kPhoneListSize = 16;   // "Phone List" entries 1..16
inline constexpr int kAlarmCount = 13;      // alarm inputs 0..12
inline constexpr int kPortCount = 8;        // COM1..COM8
inline constexpr int kAlarmPictureCount = 26;  // alarm pictures 0..25

inline constexpr int kMinFontSize = 6;
inline constexpr int kMaxFontSize = 72;

struct LanguageFont {
  std::string name;
  int size = 10;
  bool operator==(const LanguageFont&) const = default;
};

// The language fonts of a first run, by language index, exactly as stored:
// "Arial" 10, "Arial" 10, "UWPSTJ (GB)" 12.
std::array<LanguageFont, kLanguageCount> defaultLanguageFonts();

// A modem the telephony line device can place calls on ("Telephony Lines"
// section: "Line Name n" and "Line Path n", n = 1..8); entries without a name
// or a path are not lines.
inline constexpr int kTelephonyLineCount = 8;
struct TelephonyLineSetting {
  std::string name;
  std::string path;
  bool operator==(const TelephonyLineSetting&) const = default;
};

// The windows whose place on screen is remembered, and the names their values
// go by in "Windows".
enum class PlacedWindow {
  Main,
  CurrentState,
  History,
  Settings,
  Alarms,
  AlarmAssignment,
  FileViewer,
  Help,
  PhoneBook,
};
inline constexpr int kPlacedWindowCount = 9;
std::string_view placedWindowName(PlacedWindow window);

// Where a window's inside (below its title bar, within its frame) lies on the
// desktop, in pixels.
struct WindowPlace {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowPlace&) const = default;
};

struct PhoneListEntry {
  std::string name;
  std::string number;
  bool operator==(const PhoneListEntry&) const = default;
};

struct AlarmSetting {
  int image = 0;      // picture index 0..25
  int oldState = 0;   // input state before the latest reading
  bool enabled = true;
  bool flash = true;
  bool operator==(const AlarmSetting&) const = default;
};

// Picture of alarm input n (0..12) on a first run: 14..19 for inputs 0..5,
// then 1..7 for inputs 6..12.
int defaultAlarmImage(int alarm);

// The alarm groups of a first run: default pictures, old state 0, enabled,
// flashing.
std::array<AlarmSetting, kAlarmCount> defaultAlarmSettings();

// The device path behind COMn (n = 1..8) on a first run: /dev/ttyS0../dev/ttyS7.
std::string defaultPortPath(int comNumber);
std::array<std::string, kPortCount> defaultPortPaths();

struct Configuration {
  // "Settings"
  int siteNumber = 0;            // 0..31
  int periodicLogRate = 2;       // hours, 1..48
  int baudRateIndex = 4;         // 0..4 = 110, 300, 600, 1200, 2400
  int directPortIndex = 1;       // 0..7 = COM1..COM8
  int modemPortIndex = 3;        // 0..7 = COM1..COM8
  int languageNumber = 0;        // 0 English, 1 French, 2 Chinese
  int voltageMultiplier = 4;     // 1, 2 or 4
  int currentMultiplier = 1;     // 1, 2 or 4
  int alarmUpdateRate = 0;       // index 0..10 into the alarm intervals
  // Read at start-up and written back exactly as stored, even when it is not
  // a number: nothing else uses it. "1" when absent.
  std::string currentPhoneListLine = "1";
  int logSite = 0;               // 0..31
  std::string dialString{kDefaultPhoneNumber};
  std::string saveFile = "SaveFile";
  std::string logNumber{kDefaultPhoneNumber};
  std::string logFile = "LogFile";
  std::string modemSetString{kDefaultModemSetString};
  std::string selectedTapiDevice;
  // Full path of the phone book file. When no phone book window could be
  // created the caller keeps the loaded value here, so the file is offered
  // again at the next start.
  std::string phoneBook;

  // "Save Options"
  bool currentData = false;
  bool dayData = false;
  bool settingsData = false;
  bool calibrationData = false;
  bool sampleEnabled = false;
  bool logDialUpEnabled = false;
  bool alarmBeep = false;
  bool alarmDial = false;
  // The number an alarm call dials: the phone book entry dialled last.
  std::string alarmDialNumber;
  bool tapiSelection = true;

  std::array<PhoneListEntry, kPhoneListSize> phoneList{};            // "Phone List" 1..16
  std::array<LanguageFont, kLanguageCount> fonts = defaultLanguageFonts();  // "Font"
  std::array<AlarmSetting, kAlarmCount> alarms = defaultAlarmSettings();  // "Alarm State"
  std::array<std::string, kPortCount> portPaths = defaultPortPaths();  // "Ports"
  std::array<TelephonyLineSetting, kTelephonyLineCount> telephonyLines{};     // "Telephony Lines"
  // "Windows", by PlacedWindow; nothing for a window never shown (or whose
  // values are incomplete or impossible).
  std::array<std::optional<WindowPlace>, kPlacedWindowCount> windowPlaces{};

  bool operator==(const Configuration&) const = default;
};

// A whole signed decimal number that fits in 32 bits, with an optional sign
// and nothing else around it; anything else gives nothing.
std::optional<int> parseStoredInteger(std::string_view text);

// Reads every value of the store, in this order: "Settings" from "Site Number"
// to "Selected TAPI Device"; "Save Options" from "Current Data" to "Alarm Dial Number";
// the "Phone List"; the "Font" pairs; the "Alarm State" groups; the "Ports";
// the "Telephony Lines"; the "Windows"; "Tapi selection"; and last "PhoneBook".
Configuration loadConfiguration(const SettingsBackend& backend);

// Writes every value, in this order: "Settings" (all but "PhoneBook"), "Save
// Options", "Alarm State" (per input: Image, Old State, Enabled, Flash), "Phone
// List", "Font" (per language: name, size), "Ports", "Telephony Lines",
// "Windows" (per window: left, top, width, height; empty texts for a window
// with no place), and last "PhoneBook";
// then commits. The result tells whether the values reached the medium.
StoreResult saveConfiguration(SettingsBackend& backend, const Configuration& configuration);

// The remembered place of a window, if any.
std::optional<WindowPlace> windowPlace(const Configuration& configuration, PlacedWindow window);
void setWindowPlace(Configuration& configuration, PlacedWindow window, const WindowPlace& place);

// The device path stored under "Ports" for COMn (n = 1..8), nothing for any
// other number. This is the lookup the serial port names take; the
// SOLWIRE_COM<n> environment override is applied there, so it never finds its
// way into the stored values.
std::optional<std::string> storedPortPath(const Configuration& configuration, int comNumber);

}  // namespace solwire
