// Unattended calls as a remote installation makes them for days: hourly log
// calls and alarm calls every ten minutes through a modem that takes as long
// to connect as a real one, in AT-command and in telephony mode, over the
// real serial stack on the simulated modem. Also the ways a call fails: a busy
// number, a number that was never stored.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "app/toolbar_pictures.h"
#include "protocol/status_messages.h"
#include "tests/app/modem_window_harness.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::ModemWindow;
using test::ModemWindowOptions;

constexpr int kLogSite = 2;
const std::string kLogFrame{static_cast<char>(192 + kLogSite), 'N'};
const std::string kAlarmFrame{static_cast<char>(192), 'V'};

struct DayCase {
  bool tapi;
  std::chrono::milliseconds connectDelay;
  int hours;
};

std::string caseName(const ::testing::TestParamInfo<DayCase>& info) {
  return std::string(info.param.tapi ? "Telephony" : "AtCommands") + "Connect" +
         std::to_string(info.param.connectDelay.count() / 1000) + "s" + std::to_string(info.param.hours) + "h";
}

ModemWindowOptions remoteSite(bool tapi, std::chrono::milliseconds connectDelay) {
  ModemWindowOptions options;
  options.tapi = tapi;
  options.connectDelay = connectDelay;
  options.adjustStore = [](MemorySettingsBackend& store) {
    store.set("Save Options", "Alarm Dial", "1");
    store.set("Save Options", "Alarm Dial Number", "0789");
    store.set("Settings", "Alarm Update Rate", "3");  // every 10 minutes
    store.set("Settings", "Log Number", "0456");
    store.set("Settings", "Periodic Log Rate", "1");
    store.set("Settings", "Log Site", std::to_string(kLogSite));
    store.set("Save Options", "Sample enabled", "1");
    store.set("Save Options", "Log Dial Up enabled", "1");
  };
  return options;
}

// The remote site's settings, with some values changed: section, name, value.
ModemWindowOptions remoteSite(bool tapi, std::chrono::milliseconds connectDelay,
                              std::vector<std::array<std::string, 3>> changed) {
  ModemWindowOptions options = remoteSite(tapi, connectDelay);
  options.adjustStore = [base = options.adjustStore, changed](MemorySettingsBackend& store) {
    base(store);
    for (const auto& [section, name, value] : changed) store.set(section, name, value);
  };
  return options;
}

// Nothing is under way on the line: no call, none waiting, no request.
bool quiet(ModemWindow& window) {
  const LinkState& link = window.state();
  TTapiDevice& tapi = window.modemLine->tapi();
  return link.lineIdle() && !link.logDialPending() && !link.alarmDialPending() && !link.requestBusy() &&
         !link.hangupRequested() && !window.form->link().data().LogReadingReady && !window.modemLine->hangingUp() &&
         !tapi.lineOpen() && !tapi.retrying();
}

// One second of the program. Waiting for a connection needs no fine steps;
// a request, its reply and the hang-up's guard times move in 50 ms steps.
void second(ModemWindow& window) {
  window.passSettled(1000ms, window.state().dialling() ? 250ms : 50ms);
  auto& now = window.controllerClock->now;
  if (++now.second == 60) {
    now.second = 0;
    window.nextMinute();
  }
  window.form->Timer1Timer();
  window.pump();
}

// Runs the program for `minutes`; a quiet line skips to the last second of
// the minute, so every minute change still reaches the timer.
void run(ModemWindow& window, int minutes) {
  for (int minute = 0; minute < minutes; ++minute) {
    do {
      if (quiet(window) && window.controllerClock->now.second < 58) {
        const int skipped = 58 - window.controllerClock->now.second;
        window.passSettled(skipped * 1000ms, skipped * 1000ms);
        window.controllerClock->now.second = 58;
      }
      second(window);
    } while (window.controllerClock->now.second != 0);
  }
}

int countSent(const ModemWindow& window, std::string_view bytes) {
  int count = 0;
  for (const auto& entry : window.modem->record())
    if (entry.bytes == bytes) ++count;
  return count;
}

// What the modem was told, one call a line, for a failure message.
std::string commandsSent(const ModemWindow& window) {
  std::string said;
  for (const auto& entry : window.modem->record()) {
    if (entry.bytes.starts_with("ATD")) said += "\n";
    std::string shown;
    for (const char c : entry.bytes) shown += (c >= 32 && c < 127) ? std::string(1, c) : "~";
    said += "[" + shown + "]";
  }
  return said;
}

std::vector<std::string> failuresShown(const ModemWindow& window) {
  static const std::vector<QString> failures{"Comm Fail", "Data Timeout", "Read Error", "Port Not Open",
                                             "TAPI Fail", "Busy",         "No Carrier", "No Answer",
                                             "Modem Error", "No number to dial"};
  std::vector<std::string> shown;
  for (const QString& status : window.statuses)
    for (const QString& failure : failures)
      if (status.startsWith(failure)) shown.push_back(status.toStdString());
  return shown;
}

class ModemDay : public ::testing::TestWithParam<DayCase> {};

TEST_P(ModemDay, EveryDueReadingIsMadeAndWrittenAndEveryCallIsHungUp) {
  const DayCase day = GetParam();
  ModemWindow window(remoteSite(day.tapi, day.connectDelay));
  ASSERT_EQ(window.form->link().controls().alarmDialNumber, "0789") << "read from the store at start";
  // The first tick after start-up saw an hour change: with an hourly log,
  // that is a due reading (a PC that restarted logs at once). The day starts
  // in the same hour, so every hour after it brings one more.
  ASSERT_TRUE(window.state().logDialActive());
  window.controllerClock->now.minute = 58;
  window.tick();
  const int dueLogReadings = day.hours + 1;

  run(window, day.hours * 60);
  for (int settleSeconds = 0; settleSeconds < 120 && !quiet(window); ++settleSeconds) second(window);
  ASSERT_TRUE(quiet(window));
  window.passSettled(2s, 100ms);  // the modem notices a dropped DTR at its next look

  const int logReadings = countSent(window, kLogFrame);
  const int alarmReadings = countSent(window, kAlarmFrame);
  EXPECT_EQ(logReadings, dueLogReadings) << "one log reading every hour";
  EXPECT_EQ(window.logWriter.entries, dueLogReadings) << "and its entry written";
  EXPECT_GE(alarmReadings, 6 * day.hours - 1) << "one alarm reading every ten minutes";
  EXPECT_LE(alarmReadings, 6 * day.hours + 1);

  const int dials = window.received("ATD");
  EXPECT_GE(dials, day.hours) << "the log is read only through calls";
  if (!day.tapi) {
    EXPECT_EQ(countSent(window, "+++"), dials) << "every call is hung up with the escape" << commandsSent(window);
    EXPECT_EQ(countSent(window, "ATH0\r\n"), dials) << "and the hang-up command" << commandsSent(window);
  }
  EXPECT_FALSE(window.modem->carrier()) << "no call is left up";
  EXPECT_TRUE(window.state().directMode());
  EXPECT_EQ(window.callPicture(), PicturePhone);

  EXPECT_EQ(failuresShown(window), std::vector<std::string>{}) << "nothing failed, so nothing says it did";
  // A log reply beeps once, an alarm reply twice (the reply, then the inputs);
  // a failure would add its own.
  EXPECT_EQ(window.feedback.beeps, logReadings + 2 * alarmReadings);
}

INSTANTIATE_TEST_SUITE_P(RealModemTimes, ModemDay,
                         ::testing::Values(DayCase{false, 10s, 24}, DayCase{false, 40s, 24},
                                           DayCase{true, 10s, 24}, DayCase{true, 40s, 24}),
                         caseName);

// ---- Calls that fail ----------------------------------------------------------

TEST(ModemCallFailure, ABusyNumberEndsTheDialAtOnceAndSaysSo) {
  ModemWindow window;
  window.dialFromBook("Busy Relay");
  ASSERT_TRUE(window.runUntil([&] { return window.state().lineIdle(); }, 5s));
  EXPECT_EQ(window.status(), "Busy");
  EXPECT_FALSE(window.link->Comport2.Open()) << "the modem port is closed after the failed call";
  EXPECT_TRUE(window.state().directMode());
  EXPECT_EQ(window.callPicture(), PicturePhone);
  for (int s = 0; s < 15; ++s) window.tick(50ms);
  EXPECT_EQ(window.received("ATDT555"), 1) << "a phone book dial is not retried";
  EXPECT_EQ(failuresShown(window), std::vector<std::string>{"Busy"}) << "no Comm Fail after it";
  EXPECT_EQ(window.feedback.beeps, 0);
}

TEST(ModemCallFailure, ABusyLogCallIsDialledAgainWithinItsWindowThenGivenUp) {
  ModemWindow window(remoteSite(false, 10s, {{"Settings", "Log Number", "555"}, {"Settings", "Alarm Update Rate", "0"}}));
  window.controllerClock->now = LocalTime{2026, 12, 7, 9, 59, 50};
  window.tick();
  run(window, 3);
  const int dials = window.received("ATDT555");
  EXPECT_GE(dials, 4) << "redialled within the window";
  EXPECT_LE(dials, 7) << "but not hammered: a pause follows each failure";
  run(window, 3);
  EXPECT_EQ(window.received("ATDT555"), dials) << "given up once the window is over";
  EXPECT_TRUE(quiet(window));
  EXPECT_EQ(window.status(), "Busy");
  EXPECT_EQ(window.logWriter.entries, 0);
}

TEST(ModemCallFailure, TheTelephonyDeviceSaysWhichAttemptFollowsABusyNumber) {
  for (const int language : {0, 2}) {
    ModemWindowOptions options;
    options.tapi = true;
    ModemWindow window(options);
    window.form->englishselectClick(languageFromIndex(language));
    window.dialFromBook("Busy Relay");
    ASSERT_TRUE(window.runUntil([&] { return window.received("ATDT555") == 1; }));
    ASSERT_TRUE(window.runUntil([&] { return window.status().contains("2"); }, 5s)) << window.status().toStdString();
    EXPECT_EQ(window.status(), language == 0 ? QString("Busy – retry 2 of 3") : QString("占线 – 重拨 2/3"));
    EXPECT_TRUE(window.state().dialling());
    window.form->HangupClick();
    window.pump();
    EXPECT_TRUE(window.state().lineIdle());
  }
}

// The line's modem is the port's device for a telephony call only.
TEST(ModemCallFailure, AnAtCommandDialAfterATelephonyCallGoesToTheChosenModemPort) {
  ModemWindowOptions options;
  options.tapi = true;
  ModemWindow window(options);
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  window.form->HangupClick();
  ASSERT_TRUE(window.runUntil([&] { return !window.modem->carrier(); }));
  window.pump();
  EXPECT_EQ(window.link->Comport2.DevicePath(), "");
  window.form->Tapicheck->click();
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  EXPECT_EQ(window.link->Comport2.ComNumber(), ModemWindow::kModemCom);
  EXPECT_EQ(window.link->Comport2.DevicePath(), "");
}

// A PC at a remote site that restarted after a power cut dials the stored
// alarm number; with none stored, no call is placed and the operator is told.
TEST(ModemCallFailure, TheAlarmNumberIsStoredAndAnAlarmDialWithoutOneIsRefused) {
  {
    ModemWindow window;
    window.dialFromBook("North Station");
    ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
    window.form->HangupClick();
    ASSERT_TRUE(window.runUntil([&] { return window.state().lineIdle(); }));
    window.form->close();
    EXPECT_EQ(window.store.peek("Save Options", "Alarm Dial Number"), "0123");
  }
  ModemWindow window(
      remoteSite(false, 2s, {{"Save Options", "Alarm Dial Number", ""}, {"Save Options", "Sample enabled", "0"}}));
  run(window, 12);
  EXPECT_EQ(window.received("ATD"), 0);
  EXPECT_EQ(window.status(), "No number to dial");
  EXPECT_TRUE(window.state().directMode());
}

}  // namespace
}  // namespace solwire
