// The desktop's dial-up path end to end: the main window, its phone book and
// modem panel, over the real serial stack on the simulated modem.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "app/toolbar_pictures.h"
#include "app/up_down.h"
#include "tests/app/modem_window_harness.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::ModemWindow;
using test::ModemWindowOptions;

constexpr auto kTick = 55ms;

// The time of the last command of the modem's record that starts with `prefix`.
std::chrono::steady_clock::time_point lastReceived(const ModemWindow& window, std::string_view prefix) {
  std::chrono::steady_clock::time_point at{};
  for (const auto& entry : window.modem->record())
    if (entry.bytes.starts_with(prefix)) at = entry.at;
  return at;
}

ModemWindowOptions withStore(std::function<void(MemorySettingsBackend&)> adjust, bool tapi = false) {
  ModemWindowOptions options;
  options.tapi = tapi;
  options.adjustStore = std::move(adjust);
  return options;
}

ModemWindowOptions throughTelephonyDevice() { return withStore({}, true); }

// The log panel set for an hourly log through the modem at 0456, as the
// operator sets it.
void enableLogByDialup(ModemWindow& window) {
  window.form->Lognumedit->setText("0456");
  window.form->rateedit->setValue(1);
  window.form->Samplecheck->click();
  ASSERT_FALSE(window.form->Lognumedit->isEnabled());
  window.form->dialupcheck->click();
  EXPECT_TRUE(window.form->Lognumedit->isEnabled()) << "dialupcheckClick";
}

void hangUpAndWait(ModemWindow& window) {
  window.book().HangupNumber1Click();
  ASSERT_TRUE(window.runUntil([&] { return window.state().lineIdle(); }));
}

TEST(MainFormModem, APhoneBookDialConnectsOnCarrierReadsTheRemoteSiteAndHangsUpFromTheBook) {
  ModemWindow window;
  ASSERT_NE(window.form->phoneBook(), nullptr);
  window.form->ToolButton9Click();
  EXPECT_TRUE(window.book().isVisible());
  EXPECT_EQ(window.callPicture(), PicturePhone);

  window.dialFromBook("North Station");
  EXPECT_EQ(window.status(), "Dialing");
  EXPECT_TRUE(window.state().dialling());
  EXPECT_EQ(window.form->statusBar().panelText(2), "COM4") << "the modem port is the link now";
  EXPECT_EQ(window.form->statusBar().panelText(3), "2400");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  EXPECT_EQ(window.status(), "Carrier");
  EXPECT_EQ(window.callPicture(), PicturePhoneConnected);
  EXPECT_EQ(window.form->link().controls().alarmDialNumber, "0123") << "the number as typed, for alarm calls";

  // Site 2 behind the modem is a 12 V regulator; the start values are 48 V.
  window.form->sitesel->stepBy(2);
  window.form->Getdata(Requester::CurrentStateView);
  ASSERT_TRUE(window.runUntil([&] { return !window.form->link().lineBusy(); }));
  EXPECT_EQ(window.form->link().data().scaling.voltageMultiplier, 1);
  EXPECT_EQ(window.received("ATDT0123\r\n"), 1);

  for (int second = 0; second < 62; ++second) window.tick(50ms);
  EXPECT_TRUE(window.state().modemConnected()) << "a call from the phone book lasts until the operator hangs up";

  hangUpAndWait(window);
  EXPECT_EQ(window.status(), "Closed");
  EXPECT_EQ(window.callPicture(), PicturePhone);
  EXPECT_FALSE(window.modem->carrier());
  EXPECT_EQ(window.modem->record().back().bytes, "ATH0\r\n");
}

TEST(MainFormModem, APeriodicLogOverTheModemDialsReadsWritesTheEntryAndHangsUpWithTheGuardTimes) {
  ModemWindow window;
  enableLogByDialup(window);
  window.form->logsite->setValue(2);
  for (int hour = 0; hour < 2 && window.received("ATD") == 0; ++hour) {
    window.nextHour();
    window.tick();
  }
  ASSERT_EQ(window.received("ATDT0456\r\n"), 1);
  EXPECT_TRUE(window.state().logDialActive());

  ASSERT_TRUE(window.runUntil([&] { return window.state().hangupRequested(); })) << "the log reply came over the modem";
  EXPECT_EQ(window.form->link().logReading().site, 2);
  window.tick();  // writes the entry and starts the hang-up
  EXPECT_EQ(window.logWriter.entries, 1);
  ASSERT_TRUE(window.runUntil([&] { return window.state().lineIdle(); }));
  const auto backToDirect = window.now();
  EXPECT_TRUE(window.state().directMode());

  const auto lastRequest = [&] {
    const auto record = window.modem->record();
    return record[record.size() - 3].at;
  }();
  const auto escape = lastReceived(window, "+++");
  const auto hangup = lastReceived(window, "ATH0\r\n");
  // Each step runs on the first tick of the port's timer after its guard
  // time; the pump moves in 5 ms steps.
  EXPECT_GE(escape - lastRequest, 30 * kTick);
  EXPECT_GE(hangup - escape, 30 * kTick);
  EXPECT_LT(hangup - escape, 30 * kTick + 20ms);
  EXPECT_GE(backToDirect - hangup, 50 * kTick);
  EXPECT_LT(backToDirect - hangup, 50 * kTick + 20ms);
  EXPECT_EQ(window.callPicture(), PicturePhone);
}

TEST(MainFormModem, AnAlarmPollWithAlarmDialUsesTheConnectedCallWithoutASecondDial) {
  ModemWindow window(withStore([](MemorySettingsBackend& store) {
    store.set("Save Options", "Alarm Dial", "1");
    store.set("Settings", "Alarm Update Rate", "1");
  }));
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  for (int second = 0; second < 61 && !window.form->link().lineBusy(); ++second) window.tick(50ms);
  ASSERT_TRUE(window.form->link().lineBusy()) << "the alarm poll went out";
  ASSERT_TRUE(window.runUntil([&] { return !window.form->link().lineBusy(); }));
  EXPECT_EQ(window.received("ATD"), 1);
  EXPECT_TRUE(window.state().modemConnected());
  ASSERT_EQ(window.modem->record().size(), 2u);
  EXPECT_FALSE(window.modem->record().back().bytes.starts_with("AT")) << "the alarm request went to the modem";
  hangUpAndWait(window);
}

TEST(MainFormModem, ALogDueDuringAPhoneBookCallWaitsInItsRetryWindowAndDialsAfterTheHangUp) {
  ModemWindow window;
  enableLogByDialup(window);
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  window.nextHour();
  window.tick();
  EXPECT_TRUE(window.state().logDialPending());
  EXPECT_EQ(window.received("ATD"), 1) << "the line is in use";
  for (int second = 0; second < 5; ++second) window.tick();
  EXPECT_EQ(window.received("ATD"), 1);

  window.form->HangupClick();
  for (int second = 0; second < 20 && window.received("ATDT0456") == 0; ++second) window.tick();
  EXPECT_EQ(window.received("ATDT0456\r\n"), 1);
  // The hang-up ends 50 port ticks after "ATH0"; the dial comes at the first
  // one-second tick after that.
  const auto dialAfterHangup = lastReceived(window, "ATDT0456") - lastReceived(window, "ATH0");
  EXPECT_GE(dialAfterHangup, 50 * kTick);
  EXPECT_LE(dialAfterHangup, 50 * kTick + 1s);
  EXPECT_TRUE(window.state().logDialActive());
}

TEST(MainFormModem, ABusyNumberThroughTheTelephonyDeviceIsRetriedAndFailsNamingTheResultAndTheTries) {
  ModemWindow window(throughTelephonyDevice());
  EXPECT_EQ(window.link->Comport2.tapiMode(), TapiMode::tmOn);
  window.dialFromBook("Busy Relay");
  EXPECT_EQ(window.status(), "Dialing");
  ASSERT_TRUE(window.runUntil([&] { return window.received("ATDT555") == 1; }));
  const auto firstDial = lastReceived(window, "ATDT555");
  ASSERT_TRUE(window.runUntil([&] { return window.received("ATDT555") == 2; }, 70s, 50ms));
  EXPECT_GE(lastReceived(window, "ATDT555") - firstDial, 60s) << "RetryWait";
  ASSERT_TRUE(window.runUntil([&] { return window.state().lineIdle(); }, 140s, 50ms));
  EXPECT_EQ(window.received("ATDT555"), 3) << "MaxAttempts";
  EXPECT_EQ(window.status(), "Busy – 3 tries");
  EXPECT_TRUE(window.state().directMode());
  EXPECT_EQ(window.callPicture(), PicturePhone);
}

TEST(MainFormModem, ACallThroughTheTelephonyDeviceConnectsAndAHangUpClosesIt) {
  ModemWindow window(throughTelephonyDevice());
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  EXPECT_EQ(window.status(), "Connected");
  EXPECT_EQ(window.callPicture(), PicturePhoneConnected);
  window.form->Hangup->click();
  ASSERT_TRUE(window.runUntil([&] { return !window.modem->carrier(); }));
  window.pump();
  EXPECT_TRUE(window.state().lineIdle());
  EXPECT_EQ(window.status(), "TAPI Closed");
  EXPECT_EQ(window.callPicture(), PicturePhone);
}

TEST(MainFormModem, ADialTheTelephonyDeviceRefusesIsToldAndTheProgramKeepsWorking) {
  ModemWindow window(
      withStore([](MemorySettingsBackend& store) { store.set("Settings", "Selected TAPI Device", "Nowhere"); }, true));
  window.form->chooseDevice = [](const std::vector<std::string>&, const std::string&) { return std::nullopt; };
  window.dialFromBook("North Station");
  ASSERT_EQ(window.modemProblems.size(), 1u);
  EXPECT_TRUE(window.modemProblems[0].startsWith("The call could not be placed: ")) << window.modemProblems[0].toStdString();
  EXPECT_EQ(window.status(), window.modemProblems[0]);
  // The call limit does not end a phone book call; the operator hangs up.
  window.form->HangupClick();
  window.pump();
  EXPECT_TRUE(window.state().lineIdle());
  window.form->Tapicheck->click();
  EXPECT_FALSE(window.form->Tapicheck->isChecked());
  window.dialFromBook("North Station");
  EXPECT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  hangUpAndWait(window);
}

}  // namespace
}  // namespace solwire

namespace solwire {
namespace {

// With a modem that ignores DTR ("&D0") only the escape and ATH0 end a call:
// an exit while one is up hangs it up before the port closes.
TEST(MainFormModem, AnExitDuringACallHangsItUpBeforeThePortCloses) {
  ModemWindow window;
  window.form->Setupedit->setText("&K0&Q0&D0");
  window.form->SetupeditChange();
  window.form->mportboxChange();
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  window.form->close();  // as "Yes" on the EXIT? panel
  EXPECT_TRUE(window.link->Comport2.Open()) << "the port stays while the call is hung up";
  ASSERT_TRUE(window.runUntil([&] { return !window.link->Comport2.Open(); }, 20s));
  EXPECT_EQ(window.received("+++"), 1);
  EXPECT_EQ(window.received("ATH0"), 1);
  EXPECT_FALSE(window.modem->carrier()) << "no call left off-hook";
}

// A modem set to ignore DTR ("&D0") stays online when the port is closed
// under its call: the next dial finds the carrier up and hangs that call up
// before it dials, so the new call is not the old one seen as connected.
TEST(MainFormModem, ACallLeftUpUnderAClosedPortIsHungUpBeforeTheNextDial) {
  ModemWindow window;
  window.form->Setupedit->setText("&K0&Q0&D0");  // an operator's stored string, not the default
  window.form->SetupeditChange();
  window.form->mportboxChange();  // sends the setup string with &D0
  window.dialFromBook("North Station");
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  window.form->mportboxChange();  // the port closes under the call
  EXPECT_TRUE(window.state().lineIdle());
  window.pass(100ms);
  ASSERT_TRUE(window.modem->carrier()) << "the modem kept its call";

  const int dialsBefore = window.received("ATD");
  window.dialFromBook("North Station");
  EXPECT_EQ(window.status(), "Line still connected: hanging up first");
  EXPECT_EQ(window.received("ATD"), dialsBefore) << "nothing dialled into the live call";
  ASSERT_TRUE(window.runUntil([&] { return window.received("ATD") > dialsBefore; }, 15s));
  EXPECT_EQ(window.received("ATH0"), 1) << "the old call hung up first";
  EXPECT_FALSE(window.state().modemConnected()) << "not the old call's carrier";
  ASSERT_TRUE(window.runUntil([&] { return window.state().modemConnected(); }));
  hangUpAndWait(window);
}

}  // namespace
}  // namespace solwire
