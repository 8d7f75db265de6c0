#include "store/config/config_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "store/config/settings_backend_memory.h"

namespace solwire {
namespace {

using Names = std::vector<std::pair<std::string, std::string>>;

Names namesOf(const std::vector<MemorySettingsBackend::Access>& accesses) {
  Names names;
  for (const auto& a : accesses) names.emplace_back(a.section, a.name);
  return names;
}

// Every value of the store set to something other than its default.
Configuration everythingChanged() {
  Configuration c;
  c.siteNumber = 31;
  c.periodicLogRate = 48;
  c.baudRateIndex = 0;
  c.directPortIndex = 7;
  c.modemPortIndex = 0;
  c.languageNumber = 2;
  c.voltageMultiplier = 2;
  c.currentMultiplier = 4;
  c.alarmUpdateRate = 10;
  c.currentPhoneListLine = "9";
  c.logSite = 17;
  c.dialString = "0,,1234";
  c.saveFile = "MONTHLY";
  c.logNumber = "0044123456789012";
  c.logFile = "SITE17";
  c.modemSetString = "&F&C1";
  c.selectedTapiDevice = "USB Modem #2";
  c.phoneBook = "/home/op/sites book.csv";
  c.currentData = c.dayData = c.settingsData = c.calibrationData = true;
  c.sampleEnabled = c.logDialUpEnabled = c.alarmBeep = c.alarmDial = true;
  c.alarmDialNumber = "(01) 23-45";
  c.tapiSelection = false;
  for (int n = 0; n < kPhoneListSize; ++n)
    c.phoneList[static_cast<std::size_t>(n)] = {"Site " + std::to_string(n), "555" + std::to_string(n)};
  c.fonts = {{{"DejaVu Sans", 9}, {"Liberation Serif", 14}, {"WenQuanYi Micro Hei", 8}}};
  for (int n = 0; n < kAlarmCount; ++n)
    c.alarms[static_cast<std::size_t>(n)] = {25 - n, n * 16, n % 2 == 0, n % 3 == 0};
  for (int n = 0; n < kPortCount; ++n) c.portPaths[static_cast<std::size_t>(n)] = "/dev/ttyUSB" + std::to_string(n);
  c.portPaths[0] = "sim";
  c.telephonyLines[0] = {"Office modem", "/dev/ttyACM0"};
  c.telephonyLines[7] = {"Device server, rack 2", "rfc2217://10.0.0.9:2001"};
  setWindowPlace(c, PlacedWindow::Main, {0, 10, 632, 66});
  setWindowPlace(c, PlacedWindow::PhoneBook, {-1200, 340, 432, 260});  // a screen left of the first
  return c;
}

TEST(ConfigStore, FirstRunTakesEveryDefault) {
  MemorySettingsBackend empty;
  const Configuration c = loadConfiguration(empty);

  EXPECT_EQ(c.siteNumber, 0);
  EXPECT_EQ(c.directPortIndex, 1);  // COM2
  EXPECT_EQ(c.baudRateIndex, 4);    // 2400 baud
  EXPECT_EQ(c.modemPortIndex, 3);   // COM4
  EXPECT_EQ(c.languageNumber, 0);
  EXPECT_TRUE(c.tapiSelection);
  EXPECT_EQ(c.modemSetString, "&K0&Q0&D2");  // hangs up when DTR drops
  EXPECT_EQ(c.periodicLogRate, 2);
  EXPECT_EQ(c.logSite, 0);
  EXPECT_EQ(c.voltageMultiplier, 4);
  EXPECT_EQ(c.currentMultiplier, 1);
  EXPECT_EQ(c.alarmUpdateRate, 0);
  EXPECT_EQ(c.currentPhoneListLine, "1");
  EXPECT_EQ(c.saveFile, "SaveFile");
  EXPECT_EQ(c.logFile, "LogFile");
  EXPECT_EQ(c.dialString, "5550100");
  EXPECT_EQ(c.logNumber, "5550100");
  EXPECT_EQ(c.selectedTapiDevice, "");
  EXPECT_EQ(c.phoneBook, "");
  EXPECT_FALSE(c.currentData || c.dayData || c.settingsData || c.calibrationData || c.sampleEnabled ||
               c.logDialUpEnabled || c.alarmBeep || c.alarmDial);

  const std::vector<int> pictures{14, 15, 16, 17, 18, 19, 1, 2, 3, 4, 5, 6, 7};
  for (int n = 0; n < kAlarmCount; ++n) {
    const auto& alarm = c.alarms[static_cast<std::size_t>(n)];
    EXPECT_EQ(alarm.image, pictures[static_cast<std::size_t>(n)]) << "alarm input " << n;
    EXPECT_EQ(alarm.oldState, 0);
    EXPECT_TRUE(alarm.enabled);
    EXPECT_TRUE(alarm.flash);
  }
  EXPECT_EQ(c.fonts[0], (LanguageFont{"Arial", 10}));
  EXPECT_EQ(c.fonts[1], (LanguageFont{"Arial", 10}));
  EXPECT_EQ(c.fonts[2], (LanguageFont{"UWPSTJ (GB)", 12}));
  EXPECT_EQ(c.portPaths[0], "/dev/ttyS0");
  EXPECT_EQ(c.portPaths[7], "/dev/ttyS7");
  for (const auto& entry : c.phoneList) EXPECT_EQ(entry, PhoneListEntry{});
}

TEST(ConfigStore, EveryValueWrittenIsReadBackUnchanged) {
  const Configuration original = everythingChanged();
  MemorySettingsBackend backend;
  ASSERT_TRUE(saveConfiguration(backend, original).ok);
  EXPECT_EQ(backend.commits(), 1);
  EXPECT_EQ(loadConfiguration(backend), original);

  // Every value has a name of its own: nothing overwrites anything else.
  const Names written = namesOf(backend.writes());
  EXPECT_EQ(written.size(), 17u + 10u + 13u * 4u + 16u * 2u + 3u * 2u + 8u + 8u * 2u + 9u * 4u + 1u);
  EXPECT_EQ(std::set(written.begin(), written.end()).size(), written.size());
  EXPECT_EQ(backend.size(), written.size());
}

TEST(ConfigStore, WritesInTheDocumentedOrderWithExactNames) {
  MemorySettingsBackend backend;
  saveConfiguration(backend, Configuration{});

  Names expected;
  for (const char* name : {"Site Number", "Periodic Log Rate", "Baud Rate", "Direct Port Number", "Modem Port Number",
                           "Language Number", "Voltage Multiplier", "Current Multiplier", "Alarm Update Rate",
                           "Current PhoneList Line", "Log Site", "Dial String", "Save File", "Log File", "Log Number",
                           "Modem Set String", "Selected TAPI Device"})
    expected.emplace_back("Settings", name);
  for (const char* name : {"Current Data", "Day Data", "Settings Data", "Calibration Data", "Sample enabled",
                           "Log Dial Up enabled", "Alarm Beep", "Alarm Dial", "Alarm Dial Number", "Tapi selection"})
    expected.emplace_back("Save Options", name);
  for (int n = 0; n <= 12; ++n) {
    const std::string alarm = "Alarm" + std::to_string(n);
    for (const char* suffix : {" Image", "Old State", " Enabled", " Flash"}) expected.emplace_back("Alarm State", alarm + suffix);
  }
  for (int n = 1; n <= 16; ++n) {
    expected.emplace_back("Phone List", "id name " + std::to_string(n));
    expected.emplace_back("Phone List", "phone number " + std::to_string(n));
  }
  for (int n = 0; n <= 2; ++n) {
    expected.emplace_back("Font", "Lang " + std::to_string(n) + " Name ");
    expected.emplace_back("Font", "Lang " + std::to_string(n) + " Size ");
  }
  for (int n = 1; n <= 8; ++n) expected.emplace_back("Ports", "COM" + std::to_string(n));
  for (int n = 1; n <= 8; ++n) {
    expected.emplace_back("Telephony Lines", "Line Name " + std::to_string(n));
    expected.emplace_back("Telephony Lines", "Line Path " + std::to_string(n));
  }
  for (const char* window : {"Main", "Current State", "History", "Settings", "Alarms", "Alarm Assignment",
                             "File Viewer", "Help", "Phone Book"})
    for (const char* part : {" Left", " Top", " Width", " Height"})
      expected.emplace_back("Windows", std::string(window) + part);
  expected.emplace_back("Settings", "PhoneBook");

  EXPECT_EQ(namesOf(backend.writes()), expected);

  // Spot checks of the names that are easy to get wrong.
  const auto& w = backend.writes();
  const auto find = [&](std::string_view name) {
    return std::find_if(w.begin(), w.end(), [&](const auto& a) { return a.name == name; });
  };
  ASSERT_NE(find("Alarm3Old State"), w.end());
  ASSERT_NE(find("Lang 0 Name "), w.end());
  EXPECT_EQ(find("Lang 2 Name ")->value, "UWPSTJ (GB)");
  EXPECT_EQ(find("Lang 2 Size ")->value, "12");
  EXPECT_EQ(find("Baud Rate")->value, "4");
  EXPECT_EQ(find("Tapi selection")->value, "1");
  EXPECT_EQ(find("Alarm Dial")->value, "0");
  EXPECT_EQ(find("COM3")->value, "/dev/ttyS2");
}

TEST(ConfigStore, ReadsPhoneBookLastAndTapiSelectionAfterFontsAndAlarms) {
  MemorySettingsBackend backend;
  loadConfiguration(backend);
  const Names read = namesOf(backend.reads());
  ASSERT_FALSE(read.empty());
  EXPECT_EQ(read.front(), (std::pair<std::string, std::string>("Settings", "Site Number")));
  EXPECT_EQ(read.back(), (std::pair<std::string, std::string>("Settings", "PhoneBook")));

  const auto position = [&](std::string section, std::string name) {
    return std::find(read.begin(), read.end(), std::pair(section, name)) - read.begin();
  };
  const auto tapi = position("Save Options", "Tapi selection");
  EXPECT_GT(tapi, position("Alarm State", "Alarm12 Flash"));
  EXPECT_GT(tapi, position("Font", "Lang 2 Size "));
  EXPECT_LT(position("Settings", "Log Number"), position("Settings", "Log File"));  // reverse of the write order
  EXPECT_LT(position("Settings", "Selected TAPI Device"), position("Save Options", "Current Data"));
  EXPECT_LT(position("Save Options", "Alarm Dial"), position("Phone List", "id name 1"));
  EXPECT_LT(position("Phone List", "phone number 16"), position("Font", "Lang 0 Name "));
  EXPECT_LT(position("Font", "Lang 2 Size "), position("Alarm State", "Alarm0 Image"));
  // Every value read is a value written, and the other way round.
  MemorySettingsBackend written;
  saveConfiguration(written, Configuration{});
  const Names names = namesOf(written.writes());
  EXPECT_EQ(std::set(read.begin(), read.end()), std::set(names.begin(), names.end()));
}

TEST(ConfigStore, IntegerTextIsStrictSignedDecimal) {
  EXPECT_EQ(parseStoredInteger("0"), 0);
  EXPECT_EQ(parseStoredInteger("-1"), -1);
  EXPECT_EQ(parseStoredInteger("+7"), 7);
  EXPECT_EQ(parseStoredInteger("007"), 7);
  EXPECT_EQ(parseStoredInteger("2147483647"), 2147483647);
  EXPECT_EQ(parseStoredInteger("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "abc", "12x", "x12", " 3", "3 ", "3.0", "0x3", "1e2", "-", "+", "+-3", "--3",
                          "2147483648", "-2147483649", "99999999999999999999"})
    EXPECT_EQ(parseStoredInteger(bad), std::nullopt) << '"' << bad << '"';
}

TEST(ConfigStore, UnparsableIntegersTakeTheirDefaults) {
  MemorySettingsBackend backend;
  backend.set("Settings", "Baud Rate", "abc");
  backend.set("Settings", "Site Number", "12x");
  backend.set("Settings", "Periodic Log Rate", "");
  backend.set("Font", "Lang 1 Size ", "ten");
  backend.set("Alarm State", "Alarm4 Image", "4.5");
  backend.set("Alarm State", "Alarm4Old State", "on");
  const Configuration c = loadConfiguration(backend);
  EXPECT_EQ(c.baudRateIndex, 4);
  EXPECT_EQ(c.siteNumber, 0);
  EXPECT_EQ(c.periodicLogRate, 2);
  EXPECT_EQ(c.fonts[1].size, 10);
  EXPECT_EQ(c.alarms[4].image, 18);
  EXPECT_EQ(c.alarms[4].oldState, 0);
}

struct RangeCase {
  const char* section;
  const char* name;
  const char* lowestOk;
  const char* highestOk;
  std::vector<const char*> outside;
  int (*field)(const Configuration&);
  int fallback;
};

TEST(ConfigStore, ValuesOutsideWhatTheControlsOfferTakeTheirDefaults) {
  const std::vector<RangeCase> cases{
      {"Settings", "Site Number", "0", "31", {"-1", "32"}, [](const Configuration& c) { return c.siteNumber; }, 0},
      {"Settings", "Log Site", "0", "31", {"-1", "32"}, [](const Configuration& c) { return c.logSite; }, 0},
      {"Settings", "Periodic Log Rate", "1", "48", {"0", "49"}, [](const Configuration& c) { return c.periodicLogRate; }, 2},
      {"Settings", "Baud Rate", "0", "4", {"-1", "5", "6"}, [](const Configuration& c) { return c.baudRateIndex; }, 4},
      {"Settings", "Direct Port Number", "0", "7", {"-1", "8"}, [](const Configuration& c) { return c.directPortIndex; }, 1},
      {"Settings", "Modem Port Number", "0", "7", {"-1", "8"}, [](const Configuration& c) { return c.modemPortIndex; }, 3},
      {"Settings", "Language Number", "0", "2", {"-1", "3"}, [](const Configuration& c) { return c.languageNumber; }, 0},
      {"Settings", "Alarm Update Rate", "0", "10", {"-1", "11"}, [](const Configuration& c) { return c.alarmUpdateRate; }, 0},
      {"Settings", "Voltage Multiplier", "1", "4", {"0", "3", "8"}, [](const Configuration& c) { return c.voltageMultiplier; }, 4},
      {"Settings", "Current Multiplier", "1", "4", {"0", "3", "8"}, [](const Configuration& c) { return c.currentMultiplier; }, 1},
      {"Font", "Lang 2 Size ", "6", "72", {"0", "5", "73"}, [](const Configuration& c) { return c.fonts[2].size; }, 12},
      {"Alarm State", "Alarm6 Image", "0", "25", {"-1", "26"}, [](const Configuration& c) { return c.alarms[6].image; }, 1},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    for (const char* ok : {test.lowestOk, test.highestOk}) {
      MemorySettingsBackend backend;
      backend.set(test.section, test.name, ok);
      EXPECT_EQ(test.field(loadConfiguration(backend)), std::stoi(ok));
    }
    for (const char* bad : test.outside) {
      MemorySettingsBackend backend;
      backend.set(test.section, test.name, bad);
      EXPECT_EQ(test.field(loadConfiguration(backend)), test.fallback) << bad;
    }
  }
}

TEST(ConfigStore, BooleansReadAsIntegersAndAreWrittenAsOneOrZero) {
  MemorySettingsBackend backend;
  backend.set("Save Options", "Day Data", "2");
  backend.set("Save Options", "Alarm Beep", "-1");
  backend.set("Save Options", "Tapi selection", "0");
  backend.set("Save Options", "Alarm Dial", "yes");      // not a number: default false
  backend.set("Alarm State", "Alarm2 Enabled", "0");
  backend.set("Alarm State", "Alarm2 Flash", "true");    // not a number: default true
  const Configuration c = loadConfiguration(backend);
  EXPECT_TRUE(c.dayData);
  EXPECT_TRUE(c.alarmBeep);
  EXPECT_FALSE(c.tapiSelection);
  EXPECT_FALSE(c.alarmDial);
  EXPECT_FALSE(c.alarms[2].enabled);
  EXPECT_TRUE(c.alarms[2].flash);

  saveConfiguration(backend, c);
  EXPECT_EQ(backend.peek("Save Options", "Day Data"), "1");
  EXPECT_EQ(backend.peek("Save Options", "Alarm Beep"), "1");
  EXPECT_EQ(backend.peek("Save Options", "Alarm Dial"), "0");
  EXPECT_EQ(backend.peek("Alarm State", "Alarm2 Flash"), "1");
}

TEST(ConfigStore, PassThroughValuesComeBackExactlyAsStored) {
  for (const char* line : {"abc", "", " 7 ", "-3", "99999999999"}) {
    for (const char* dial : {"", "  ", "9,,0123 456#", "ATDT 12;", "号码 1"}) {
      MemorySettingsBackend backend;
      backend.set("Settings", "Current PhoneList Line", line);
      backend.set("Settings", "Dial String", dial);
      saveConfiguration(backend, loadConfiguration(backend));
      EXPECT_EQ(backend.peek("Settings", "Current PhoneList Line"), line);
      EXPECT_EQ(backend.peek("Settings", "Dial String"), dial);
    }
  }
}

TEST(ConfigStore, EmptyFontNamesAndPortPathsFallBackButOtherTextsStayEmpty) {
  MemorySettingsBackend backend;
  backend.set("Font", "Lang 2 Name ", "");
  backend.set("Ports", "COM5", "");
  backend.set("Settings", "Modem Set String", "");
  backend.set("Settings", "Save File", "");
  const Configuration c = loadConfiguration(backend);
  EXPECT_EQ(c.fonts[2].name, "UWPSTJ (GB)");
  EXPECT_EQ(c.portPaths[4], "/dev/ttyS4");
  EXPECT_EQ(c.modemSetString, "");
  EXPECT_EQ(c.saveFile, "");
}

TEST(ConfigStore, NamesDifferingOnlyInTheirSpacesAreDifferentValues) {
  MemorySettingsBackend backend;
  backend.set("Font", "Lang 0 Name", "Courier");    // no trailing space: not the font name
  backend.set("Alarm State", "Alarm3 Old State", "1");  // space before "Old": not the old state
  backend.set("Alarm State", "Alarm3Old State", "5");
  backend.set("Phone List", "id name1", "wrong");
  const Configuration c = loadConfiguration(backend);
  EXPECT_EQ(c.fonts[0].name, "Arial");
  EXPECT_EQ(c.alarms[3].oldState, 5);
  EXPECT_EQ(c.phoneList[0].name, "");
}

// A window is put back only where all four of its values say; anything less
// leaves it to be placed afresh, and a window never shown is written empty.
TEST(ConfigStore, WindowPlacesNeedAllFourValuesWithinReason) {
  MemorySettingsBackend backend;
  ASSERT_TRUE(saveConfiguration(backend, Configuration{}).ok);
  EXPECT_EQ(backend.peek("Windows", "History Left"), "");
  for (const auto& place : loadConfiguration(backend).windowPlaces) EXPECT_FALSE(place.has_value());

  backend.set("Windows", "History Left", "-40");
  backend.set("Windows", "History Top", "312");
  backend.set("Windows", "History Width", "640");
  backend.set("Windows", "History Height", "440");
  EXPECT_EQ(windowPlace(loadConfiguration(backend), PlacedWindow::History), (WindowPlace{-40, 312, 640, 440}));

  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"History Height", ""}, {"History Width", "0"}, {"History Height", "-5"}, {"History Top", "1e3"},
           {"History Left", "40000"}, {"History Width", "20000"}}) {
    MemorySettingsBackend damaged = backend;
    damaged.set("Windows", name, value);
    EXPECT_FALSE(windowPlace(loadConfiguration(damaged), PlacedWindow::History)) << name << " = " << value;
  }
}

TEST(ConfigStore, SaveReportsAFailedCommit) {
  MemorySettingsBackend backend;
  backend.failNextCommit(StoreResult::failure(StoreProblem::CannotWrite, "/nowhere", "No space left on device"));
  const StoreResult result = saveConfiguration(backend, Configuration{});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, "No space left on device");
  EXPECT_TRUE(saveConfiguration(backend, Configuration{}).ok);
}

TEST(ConfigStore, StoredPortPathsAnswerOnlyForCom1ToCom8) {
  MemorySettingsBackend backend;
  backend.set("Ports", "COM3", "/dev/ttyUSB0");
  backend.set("Ports", "COM9", "/dev/ttyUSB9");  // no such port: ignored
  const Configuration c = loadConfiguration(backend);
  EXPECT_EQ(storedPortPath(c, 1), "/dev/ttyS0");
  EXPECT_EQ(storedPortPath(c, 3), "/dev/ttyUSB0");
  EXPECT_EQ(storedPortPath(c, 8), "/dev/ttyS7");
  EXPECT_EQ(storedPortPath(c, 0), std::nullopt);
  EXPECT_EQ(storedPortPath(c, 9), std::nullopt);
}

}  // namespace
}  // namespace solwire
