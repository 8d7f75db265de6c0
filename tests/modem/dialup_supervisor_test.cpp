#include "modem/dialup_supervisor.h"

#include <gtest/gtest.h>

#include <memory>

#include "protocol/virtual_clock.h"
#include "tests/modem/dialup_fakes.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

std::string frame(int site, int command) { return {static_cast<char>(192 + site), static_cast<char>(command)}; }
std::vector<std::uint8_t> logReply() { return test::currentStateReply(0, std::vector<int>(13, 0)); }

class DialupSupervisorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    controls.modemPortIndex = 3;
    controls.logSite = 6;
    controls.logNumber = "0123";
    supervisor = std::make_unique<DialupSupervisor>(
        directPort, modemPort, carrier, telephony, views, feedback,
        DialupViews{[this](bool connected) { pictures.push_back(connected); },
                    [this](const std::string& message) { errors.push_back(message); }});
    controller = std::make_unique<LinkController>(
        LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher},
        LinkServices{clock, views, feedback, logWriter, *supervisor}, controls, startValues(2, 1));
    supervisor->attach(*controller);
    controller->OnOtherTimerTrigger = [this](LinkPort& port, std::uint16_t handle) {
      supervisor->modemTimerTrigger(port, handle);
    };
    tick();  // the first tick lifts the start-up hold
  }

  void tick() {
    controller->Timer1Timer();
    clock.advance(1s);
  }
  void raiseCarrier() {
    carrier.dcd = true;
    supervisor->carrierChanged();
  }
  LinkState& state() { return controller->state(); }
  std::vector<LinkStatus> statusesSince(std::size_t from) const {
    return {views.statuses.begin() + static_cast<std::ptrdiff_t>(from), views.statuses.end()};
  }

  // The hang-up sequence, trigger by trigger: what went out and the ticks armed.
  void expectHangupSequence() {
    const std::size_t sentBefore = modemPort.sent.size();
    ASSERT_EQ(modemPort.armed.size(), 1u);
    EXPECT_EQ(modemPort.armed.begin()->second, 30u) << "30 ticks of silence before the escape";
    EXPECT_EQ(modemPort.fire(), 30u);
    EXPECT_EQ(modemPort.sent.back(), "+++");
    EXPECT_EQ(modemPort.armed.begin()->second, 30u);
    EXPECT_EQ(modemPort.fire(), 30u);
    EXPECT_EQ(modemPort.sent.back(), "ATH0\r\n");
    EXPECT_EQ(modemPort.armed.begin()->second, 50u);
    EXPECT_EQ(modemPort.fire(), 50u);
    EXPECT_EQ(modemPort.sent.size(), sentBefore + 2);
    EXPECT_TRUE(modemPort.armed.empty());
    EXPECT_EQ(views.lastStatus(), LinkStatus::Closed);
    EXPECT_TRUE(state().DirectMode);
    EXPECT_TRUE(state().LineIdle);
  }

  LinkControls controls;
  test::FakeLinkPort directPort;
  test::TimedModemPort modemPort;
  test::FakeMatcher directMatcher;
  test::FakeMatcher modemMatcher;
  test::FakeCarrierLine carrier;
  test::FakeTelephonyLine telephony;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  VirtualClock clock{LocalTime{2026, 12, 7, 10, 30, 0}};
  std::vector<bool> pictures;
  std::vector<std::string> errors;
  std::unique_ptr<DialupSupervisor> supervisor;
  std::unique_ptr<LinkController> controller;
};

TEST_F(DialupSupervisorTest, ALogCallDialsReadsTheLogSiteOnCarrierWritesTheEntryAndHangsUp) {
  directPort.open = true;
  supervisor->dialup(DialReason::Log, "0123");

  EXPECT_FALSE(directPort.open) << "the direct port is closed for the call";
  EXPECT_EQ(modemPort.comNumber, 4);
  EXPECT_EQ(modemPort.baud, 2400);
  EXPECT_EQ(modemPort.parity, Parity::pNone);
  EXPECT_EQ(modemPort.dataBits, 8);
  EXPECT_EQ(modemPort.stopBits, 1);
  EXPECT_EQ(modemPort.sent, std::vector<std::string>{"ATDT0123\r\n"});
  EXPECT_EQ(carrier.armed.size(), 1u);
  EXPECT_TRUE(state().Dialling);
  EXPECT_TRUE(state().LogDialActive);
  EXPECT_FALSE(state().DirectMode);
  EXPECT_EQ(views.comNumber, 4);
  EXPECT_EQ(views.baud, 2400);
  EXPECT_EQ(views.lastStatus(), LinkStatus::Dialing);

  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(modemPort.sent.size(), 1u) << "no request goes out while dialling";

  raiseCarrier();
  EXPECT_TRUE(state().ModemConnected);
  EXPECT_FALSE(state().Dialling);
  EXPECT_EQ(pictures, std::vector<bool>{true});
  EXPECT_EQ(carrier.dropped, carrier.armed) << "carrier loss after the connection is not watched";
  ASSERT_EQ(modemPort.sent.size(), 2u);
  EXPECT_EQ(modemPort.sent.back(), frame(6, 'N')) << "the log site's reading over the modem";
  EXPECT_TRUE(directPort.sent.empty());

  modemMatcher.deliver(logReply());
  EXPECT_TRUE(state().HangupRequested);
  tick();
  EXPECT_EQ(logWriter.entries, 1);
  EXPECT_EQ(views.lastStatus(), LinkStatus::WaitForClose);
  expectHangupSequence();
  EXPECT_EQ(pictures.back(), false);
  EXPECT_EQ(state().DeferredRequest, 3);
}

TEST_F(DialupSupervisorTest, PulseDiallingAndTheSetupString) {
  supervisor->controls().pulseDialling = true;
  supervisor->controls().setupString = "&K0&Q0&D0";
  supervisor->SetupModem();
  supervisor->dialup(DialReason::PhoneBook, "99");
  EXPECT_EQ(modemPort.sent, (std::vector<std::string>{"AT&K0&Q0&D0\r\n", "ATDP99\r\n"}));
  EXPECT_FALSE(state().LogDialActive);
  EXPECT_FALSE(state().AlarmDialActive);
}

TEST_F(DialupSupervisorTest, HangingUpWithoutACallChangesNothing) {
  supervisor->HangupClick();
  EXPECT_EQ(views.lastStatus(), LinkStatus::PortNotOpen);
  EXPECT_TRUE(modemPort.armed.empty());
  EXPECT_TRUE(modemPort.sent.empty());
  EXPECT_TRUE(state().DirectMode);
}

TEST_F(DialupSupervisorTest, ALogDueDuringAPhoneBookCallWaitsAndDialsOnceTheLineIsFree) {
  supervisor->dialFromPhoneBook("(01) 23", "0123");
  EXPECT_EQ(controller->controls().alarmDialNumber, "(01) 23") << "kept for alarm calls";
  raiseCarrier();
  EXPECT_EQ(modemPort.sent.size(), 1u) << "a phone book call reads nothing by itself";

  supervisor->dialup(DialReason::Log, controls.logNumber);
  EXPECT_TRUE(state().LogDialPending);
  EXPECT_EQ(supervisor->logRetryCountdown(), 60);
  for (int i = 0; i < 10; ++i) tick();
  supervisor->dialup(DialReason::Log, controls.logNumber);
  EXPECT_EQ(supervisor->logRetryCountdown(), 50) << "a second request does not extend the window";
  EXPECT_FALSE(state().HangupRequested) << "a phone book call is not ended by the call limit";

  supervisor->HangupClick();
  expectHangupSequence();
  tick();
  EXPECT_EQ(modemPort.sent.back(), "ATDT0123\r\n") << "dialled at the first tick with the line free";
  EXPECT_TRUE(state().LogDialActive);
  EXPECT_FALSE(state().LogDialPending);
}

TEST_F(DialupSupervisorTest, APendingCallIsDroppedAfterItsRetryWindow) {
  supervisor->dialFromPhoneBook("1", "1");
  raiseCarrier();
  supervisor->dialup(DialReason::Alarm, "2");
  EXPECT_TRUE(state().AlarmDialPending);
  for (int i = 0; i < 61; ++i) tick();
  EXPECT_FALSE(state().AlarmDialPending);
  EXPECT_EQ(modemPort.sent.size(), 1u);
}

TEST_F(DialupSupervisorTest, AnAutomaticCallWithoutCarrierIsHungUpAtTheCallLimit) {
  supervisor->dialup(DialReason::Alarm, "777");
  for (int i = 0; i < 59; ++i) tick();
  EXPECT_FALSE(state().HangupRequested);
  tick();
  EXPECT_TRUE(state().HangupRequested);
  EXPECT_FALSE(state().AlarmDialActive);
  tick();
  expectHangupSequence();
}

TEST_F(DialupSupervisorTest, CarrierLostWhileDiallingHangsUpAtTheNextTick) {
  supervisor->dialup(DialReason::Log, "0123");
  carrier.dcd = false;
  supervisor->carrierChanged();
  EXPECT_TRUE(state().HangupRequested);
  EXPECT_FALSE(state().ModemConnected);
  tick();
  expectHangupSequence();
}

TEST_F(DialupSupervisorTest, AModemPortThatWillNotOpenReturnsToTheDirectLineAtOnce) {
  modemPort.failOpen = true;
  supervisor->dialup(DialReason::Log, "0123");
  EXPECT_EQ(statusesSince(0), (std::vector{LinkStatus::PortSetException, LinkStatus::CantOpenCommPort}));
  EXPECT_EQ(feedback.beeps, 2);
  EXPECT_EQ(supervisor->lastPortError(), "device not found");
  EXPECT_TRUE(state().DirectMode);
  EXPECT_TRUE(state().LineIdle);
  EXPECT_FALSE(state().LogDialActive);
  tick();
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(directPort.sent.size(), 1u) << "the direct line works again";
}

TEST_F(DialupSupervisorTest, HangingUpAgainStartsTheSequenceOverAndIgnoresTheOldTrigger) {
  supervisor->dialFromPhoneBook("1", "1");
  raiseCarrier();
  supervisor->HangupClick();
  const std::uint16_t first = modemPort.armed.begin()->first;
  supervisor->HangupClick();
  ASSERT_EQ(modemPort.armed.size(), 1u);
  EXPECT_NE(modemPort.armed.begin()->first, first);
  modemPort.OnTriggerTimer(modemPort, first);
  EXPECT_EQ(modemPort.sent.size(), 1u) << "the old trigger sends nothing";
  expectHangupSequence();
}

TEST_F(DialupSupervisorTest, AHangUpCutShortByAReturnToDirectDoesNotEndTheNextCall) {
  supervisor->dialFromPhoneBook("1", "1");
  raiseCarrier();
  supervisor->HangupClick();
  const std::uint16_t old = modemPort.armed.begin()->first;
  supervisor->ReturnToDirect();  // e.g. the modem port was changed under the hang-up
  EXPECT_TRUE(modemPort.armed.empty());

  carrier.dcd = false;
  supervisor->dialFromPhoneBook("2", "2");
  raiseCarrier();
  const std::size_t sent = modemPort.sent.size();
  modemPort.OnTriggerTimer(modemPort, old);  // a late hit of the old sequence
  EXPECT_EQ(modemPort.sent.size(), sent) << "no escape sent into the new call";
  EXPECT_TRUE(state().ModemConnected);
  EXPECT_EQ(supervisor->hangupPhase(), HangupPhase::Idle);
}

TEST_F(DialupSupervisorTest, TelephonyCallsConnectReadAndFailWithTheirOwnTexts) {
  supervisor->controls().tapiControl = true;
  supervisor->dialup(DialReason::Log, "0123");
  EXPECT_EQ(telephony.dialled, std::vector<std::string>{"0123"});
  EXPECT_EQ(views.lastStatus(), LinkStatus::Dialing);
  const std::size_t before = views.statuses.size();
  supervisor->tapiPortOpen();
  supervisor->tapiConnect();
  EXPECT_EQ(statusesSince(before), (std::vector{LinkStatus::TapiOpen, LinkStatus::Connected, LinkStatus::RequestSent}));
  EXPECT_EQ(modemPort.sent.back(), frame(6, 'N'));

  supervisor->HangupClick();
  EXPECT_EQ(telephony.aborts, 1);
  EXPECT_TRUE(state().DirectMode);
  supervisor->tapiConnect();
  EXPECT_FALSE(state().ModemConnected) << "a connect posted before the abort arrives late and is ignored";

  supervisor->dialup(DialReason::Alarm, "9");
  supervisor->tapiFail();
  EXPECT_EQ(views.lastStatus(), LinkStatus::TapiFail) << "a failure does not claim to be connected";
  EXPECT_TRUE(state().LineIdle);

  telephony.failWith = "No TAPI device selected";
  supervisor->dialup(DialReason::Log, "0123");
  EXPECT_EQ(errors, std::vector<std::string>{"No TAPI device selected"});
  EXPECT_NE(views.lastStatus(), LinkStatus::Dialing);
}

}  // namespace
}  // namespace solwire
