#include "store/config/config_store.h"

#include <charconv>

#include "serial/port_names.h"

namespace solwire {

namespace {

constexpr std::string_view kSettings = "Settings";
constexpr std::string_view kSaveOptions = "Save Options";
constexpr std::string_view kPhoneList = "Phone List";
constexpr std::string_view kFont = "Font";
constexpr std::string_view kAlarmState = "Alarm State";
constexpr std::string_view kPorts = "Ports";
constexpr std::string_view kTelephonyLines = "Telephony Lines";
constexpr std::string_view kWindows = "Windows";

constexpr std::array<std::string_view, kPlacedWindowCount> kPlacedWindowNames{
    "Main", "Current State", "History", "Settings", "Alarms", "Alarm Assignment", "File Viewer", "Help", "Phone Book"};

// Room for any desktop of today with space to spare; a value beyond it was
// not written by this program.
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxWindowSize = 16384;

std::string numbered(std::string_view prefix, int n, std::string_view suffix = {}) {
  std::string name(prefix);
  name += std::to_string(n);
  name += suffix;
  return name;
}

std::string phoneNameKey(int n) { return numbered("id name ", n); }
std::string phoneNumberKey(int n) { return numbered("phone number ", n); }
std::string fontNameKey(int n) { return numbered("Lang ", n, " Name "); }
std::string fontSizeKey(int n) { return numbered("Lang ", n, " Size "); }
std::string alarmImageKey(int n) { return numbered("Alarm", n, " Image"); }
std::string alarmOldStateKey(int n) { return numbered("Alarm", n, "Old State"); }
std::string alarmEnabledKey(int n) { return numbered("Alarm", n, " Enabled"); }
std::string alarmFlashKey(int n) { return numbered("Alarm", n, " Flash"); }
std::string portKey(int comNumber) { return numbered("COM", comNumber); }
std::string lineNameKey(int n) { return numbered("Line Name ", n); }
std::string windowKey(int window, std::string_view what) {
  std::string name(kPlacedWindowNames[static_cast<std::size_t>(window)]);
  name += ' ';
  name += what;
  return name;
}
std::string linePathKey(int n) { return numbered("Line Path ", n); }

bool inRange(int value, int low, int high) { return value >= low && value <= high; }
bool isMultiplier(int value) { return value == 1 || value == 2 || value == 4; }

// Applies the reading rules to one backend.
class Reader {
 public:
  explicit Reader(const SettingsBackend& backend) : backend_(backend) {}

  // An integer; the default when missing, not a number, or rejected by `valid`.
  template <typename Valid>
  int integer(std::string_view section, std::string_view name, int fallback, Valid valid) const {
    const auto text = backend_.read(section, name);
    if (!text) return fallback;
    const auto value = parseStoredInteger(*text);
    return (value && valid(*value)) ? *value : fallback;
  }

  template <typename Valid>
  std::optional<int> optionalInteger(std::string_view section, std::string_view name, Valid valid) const {
    const auto text = backend_.read(section, name);
    if (!text) return std::nullopt;
    const auto value = parseStoredInteger(*text);
    return (value && valid(*value)) ? value : std::nullopt;
  }

  int integer(std::string_view section, std::string_view name, int fallback) const {
    return integer(section, name, fallback, [](int) { return true; });
  }

  bool boolean(std::string_view section, std::string_view name, bool fallback) const {
    return integer(section, name, fallback ? 1 : 0) != 0;
  }

  std::string text(std::string_view section, std::string_view name, std::string_view fallback) const {
    auto value = backend_.read(section, name);
    return value ? std::move(*value) : std::string(fallback);
  }

  // A window's four values; nothing unless all four are there and possible.
  std::optional<WindowPlace> windowPlace(int window) const {
    const auto coordinate = [](int v) { return inRange(v, -kMaxCoordinate, kMaxCoordinate); };
    const auto size = [](int v) { return inRange(v, 1, kMaxWindowSize); };
    const std::optional<int> left = optionalInteger(kWindows, windowKey(window, "Left"), coordinate);
    const std::optional<int> top = optionalInteger(kWindows, windowKey(window, "Top"), coordinate);
    const std::optional<int> width = optionalInteger(kWindows, windowKey(window, "Width"), size);
    const std::optional<int> height = optionalInteger(kWindows, windowKey(window, "Height"), size);
    if (!left || !top || !width || !height) return std::nullopt;
    return WindowPlace{*left, *top, *width, *height};
  }

  // A string that must not be empty to be of use (a font face, a device path).
  std::string nonEmptyText(std::string_view section, std::string_view name, std::string_view fallback) const {
    auto value = backend_.read(section, name);
    return (value && !value->empty()) ? std::move(*value) : std::string(fallback);
  }

 private:
  const SettingsBackend& backend_;
};

class Writer {
 public:
  explicit Writer(SettingsBackend& backend) : backend_(backend) {}
  void integer(std::string_view section, std::string_view name, int value) {
    backend_.write(section, name, std::to_string(value));
  }
  void boolean(std::string_view section, std::string_view name, bool value) {
    backend_.write(section, name, value ? "1" : "0");
  }
  void text(std::string_view section, std::string_view name, std::string_view value) {
    backend_.write(section, name, value);
  }

 private:
  SettingsBackend& backend_;
};

}  // namespace

std::array<LanguageFont, kLanguageCount> defaultLanguageFonts() {
  return {{{"Arial", 10}, {"Arial", 10}, {"UWPSTJ (GB)", 12}}};
}

int defaultAlarmImage(int alarm) { return alarm <= 5 ? alarm + 14 : alarm - 5; }

std::array<AlarmSetting, kAlarmCount> defaultAlarmSettings() {
  std::array<AlarmSetting, kAlarmCount> alarms{};
  for (int n = 0; n < kAlarmCount; ++n) alarms[static_cast<std::size_t>(n)].image = defaultAlarmImage(n);
  return alarms;
}

std::string defaultPortPath(int comNumber) { return PortNames::defaultPath(comNumber); }

std::array<std::string, kPortCount> defaultPortPaths() {
  std::array<std::string, kPortCount> paths;
  for (int n = 1; n <= kPortCount; ++n) paths[static_cast<std::size_t>(n - 1)] = defaultPortPath(n);
  return paths;
}

std::optional<int> parseStoredInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;  // "+-5"
  }
  if (text.empty()) return std::nullopt;
  int value = 0;
  const auto* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, value, 10);
  if (error != std::errc{} || ptr != end) return std::nullopt;
  return value;
}

Configuration loadConfiguration(const SettingsBackend& backend) {
  const Reader in(backend);
  Configuration c;

  const auto site = [](int v) { return inRange(v, 0, 31); };
  const auto portIndex = [](int v) { return inRange(v, 0, kPortCount - 1); };

  c.siteNumber = in.integer(kSettings, "Site Number", 0, site);
  c.periodicLogRate = in.integer(kSettings, "Periodic Log Rate", 2, [](int v) { return inRange(v, 1, 48); });
  c.baudRateIndex = in.integer(kSettings, "Baud Rate", 4, [](int v) { return inRange(v, 0, 4); });
  c.directPortIndex = in.integer(kSettings, "Direct Port Number", 1, portIndex);
  c.modemPortIndex = in.integer(kSettings, "Modem Port Number", 3, portIndex);
  c.languageNumber = in.integer(kSettings, "Language Number", 0, [](int v) { return inRange(v, 0, 2); });
  c.voltageMultiplier = in.integer(kSettings, "Voltage Multiplier", 4, isMultiplier);
  c.currentMultiplier = in.integer(kSettings, "Current Multiplier", 1, isMultiplier);
  c.alarmUpdateRate = in.integer(kSettings, "Alarm Update Rate", 0, [](int v) { return inRange(v, 0, 10); });
  c.currentPhoneListLine = in.text(kSettings, "Current PhoneList Line", "1");
  c.logSite = in.integer(kSettings, "Log Site", 0, site);
  c.dialString = in.text(kSettings, "Dial String", kDefaultPhoneNumber);
  c.saveFile = in.text(kSettings, "Save File", "SaveFile");
  c.logNumber = in.text(kSettings, "Log Number", kDefaultPhoneNumber);
  c.logFile = in.text(kSettings, "Log File", "LogFile");
  c.modemSetString = in.text(kSettings, "Modem Set String", kDefaultModemSetString);
  c.selectedTapiDevice = in.text(kSettings, "Selected TAPI Device", "");

  c.currentData = in.boolean(kSaveOptions, "Current Data", false);
  c.dayData = in.boolean(kSaveOptions, "Day Data", false);
  c.settingsData = in.boolean(kSaveOptions, "Settings Data", false);
  c.calibrationData = in.boolean(kSaveOptions, "Calibration Data", false);
  c.sampleEnabled = in.boolean(kSaveOptions, "Sample enabled", false);
  c.logDialUpEnabled = in.boolean(kSaveOptions, "Log Dial Up enabled", false);
  c.alarmBeep = in.boolean(kSaveOptions, "Alarm Beep", false);
  c.alarmDial = in.boolean(kSaveOptions, "Alarm Dial", false);
  c.alarmDialNumber = in.text(kSaveOptions, "Alarm Dial Number", "");

  for (int n = 1; n <= kPhoneListSize; ++n) {
    auto& entry = c.phoneList[static_cast<std::size_t>(n - 1)];
    entry.name = in.text(kPhoneList, phoneNameKey(n), "");
    entry.number = in.text(kPhoneList, phoneNumberKey(n), "");
  }

  const auto fontDefaults = defaultLanguageFonts();
  for (int n = 0; n < kLanguageCount; ++n) {
    const auto& fallback = fontDefaults[static_cast<std::size_t>(n)];
    auto& font = c.fonts[static_cast<std::size_t>(n)];
    font.name = in.nonEmptyText(kFont, fontNameKey(n), fallback.name);
    font.size = in.integer(kFont, fontSizeKey(n), fallback.size,
                           [](int v) { return inRange(v, kMinFontSize, kMaxFontSize); });
  }

  for (int n = 0; n < kAlarmCount; ++n) {
    auto& alarm = c.alarms[static_cast<std::size_t>(n)];
    alarm.image = in.integer(kAlarmState, alarmImageKey(n), defaultAlarmImage(n),
                             [](int v) { return inRange(v, 0, kAlarmPictureCount - 1); });
    alarm.oldState = in.integer(kAlarmState, alarmOldStateKey(n), 0);
    alarm.enabled = in.boolean(kAlarmState, alarmEnabledKey(n), true);
    alarm.flash = in.boolean(kAlarmState, alarmFlashKey(n), true);
  }

  for (int n = 1; n <= kPortCount; ++n)
    c.portPaths[static_cast<std::size_t>(n - 1)] = in.nonEmptyText(kPorts, portKey(n), defaultPortPath(n));

  for (int n = 1; n <= kTelephonyLineCount; ++n) {
    auto& line = c.telephonyLines[static_cast<std::size_t>(n - 1)];
    line.name = in.text(kTelephonyLines, lineNameKey(n), "");
    line.path = in.text(kTelephonyLines, linePathKey(n), "");
  }

  for (int n = 0; n < kPlacedWindowCount; ++n) c.windowPlaces[static_cast<std::size_t>(n)] = in.windowPlace(n);

  c.tapiSelection = in.boolean(kSaveOptions, "Tapi selection", true);
  c.phoneBook = in.text(kSettings, "PhoneBook", "");
  return c;
}

StoreResult saveConfiguration(SettingsBackend& backend, const Configuration& c) {
  Writer out(backend);

  out.integer(kSettings, "Site Number", c.siteNumber);
  out.integer(kSettings, "Periodic Log Rate", c.periodicLogRate);
  out.integer(kSettings, "Baud Rate", c.baudRateIndex);
  out.integer(kSettings, "Direct Port Number", c.directPortIndex);
  out.integer(kSettings, "Modem Port Number", c.modemPortIndex);
  out.integer(kSettings, "Language Number", c.languageNumber);
  out.integer(kSettings, "Voltage Multiplier", c.voltageMultiplier);
  out.integer(kSettings, "Current Multiplier", c.currentMultiplier);
  out.integer(kSettings, "Alarm Update Rate", c.alarmUpdateRate);
  out.text(kSettings, "Current PhoneList Line", c.currentPhoneListLine);
  out.integer(kSettings, "Log Site", c.logSite);
  out.text(kSettings, "Dial String", c.dialString);
  out.text(kSettings, "Save File", c.saveFile);
  out.text(kSettings, "Log File", c.logFile);
  out.text(kSettings, "Log Number", c.logNumber);
  out.text(kSettings, "Modem Set String", c.modemSetString);
  out.text(kSettings, "Selected TAPI Device", c.selectedTapiDevice);

  out.boolean(kSaveOptions, "Current Data", c.currentData);
  out.boolean(kSaveOptions, "Day Data", c.dayData);
  out.boolean(kSaveOptions, "Settings Data", c.settingsData);
  out.boolean(kSaveOptions, "Calibration Data", c.calibrationData);
  out.boolean(kSaveOptions, "Sample enabled", c.sampleEnabled);
  out.boolean(kSaveOptions, "Log Dial Up enabled", c.logDialUpEnabled);
  out.boolean(kSaveOptions, "Alarm Beep", c.alarmBeep);
  out.boolean(kSaveOptions, "Alarm Dial", c.alarmDial);
  out.text(kSaveOptions, "Alarm Dial Number", c.alarmDialNumber);
  out.boolean(kSaveOptions, "Tapi selection", c.tapiSelection);

  for (int n = 0; n < kAlarmCount; ++n) {
    const auto& alarm = c.alarms[static_cast<std::size_t>(n)];
    out.integer(kAlarmState, alarmImageKey(n), alarm.image);
    out.integer(kAlarmState, alarmOldStateKey(n), alarm.oldState);
    out.boolean(kAlarmState, alarmEnabledKey(n), alarm.enabled);
    out.boolean(kAlarmState, alarmFlashKey(n), alarm.flash);
  }

  for (int n = 1; n <= kPhoneListSize; ++n) {
    const auto& entry = c.phoneList[static_cast<std::size_t>(n - 1)];
    out.text(kPhoneList, phoneNameKey(n), entry.name);
    out.text(kPhoneList, phoneNumberKey(n), entry.number);
  }

  for (int n = 0; n < kLanguageCount; ++n) {
    const auto& font = c.fonts[static_cast<std::size_t>(n)];
    out.text(kFont, fontNameKey(n), font.name);
    out.integer(kFont, fontSizeKey(n), font.size);
  }

  for (int n = 1; n <= kPortCount; ++n) out.text(kPorts, portKey(n), c.portPaths[static_cast<std::size_t>(n - 1)]);
  for (int n = 1; n <= kTelephonyLineCount; ++n) {
    const auto& line = c.telephonyLines[static_cast<std::size_t>(n - 1)];
    out.text(kTelephonyLines, lineNameKey(n), line.name);
    out.text(kTelephonyLines, linePathKey(n), line.path);
  }

  for (int n = 0; n < kPlacedWindowCount; ++n) {
    const auto& place = c.windowPlaces[static_cast<std::size_t>(n)];
    const auto value = [&place](int WindowPlace::*part) { return place ? std::to_string((*place).*part) : std::string(); };
    out.text(kWindows, windowKey(n, "Left"), value(&WindowPlace::left));
    out.text(kWindows, windowKey(n, "Top"), value(&WindowPlace::top));
    out.text(kWindows, windowKey(n, "Width"), value(&WindowPlace::width));
    out.text(kWindows, windowKey(n, "Height"), value(&WindowPlace::height));
  }

  out.text(kSettings, "PhoneBook", c.phoneBook);
  return backend.commit();
}

std::string_view placedWindowName(PlacedWindow window) {
  return kPlacedWindowNames[static_cast<std::size_t>(window)];
}

std::optional<WindowPlace> windowPlace(const Configuration& configuration, PlacedWindow window) {
  return configuration.windowPlaces[static_cast<std::size_t>(window)];
}

void setWindowPlace(Configuration& configuration, PlacedWindow window, const WindowPlace& place) {
  configuration.windowPlaces[static_cast<std::size_t>(window)] = place;
}

std::optional<std::string> storedPortPath(const Configuration& configuration, int comNumber) {
  if (!inRange(comNumber, 1, kPortCount)) return std::nullopt;
  return configuration.portPaths[static_cast<std::size_t>(comNumber - 1)];
}

}  // namespace solwire
