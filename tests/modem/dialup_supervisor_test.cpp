#include "modem/dialup_supervisor.h"
#include "tests/support/link_state_access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>

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
                    [this](const std::string& message) { errors.push_back(message); },
                    [this](LinkStatus result, int next, int most) { retries.push_back({result, next, most}); },
                    [this](LinkStatus result, int attempts) { failedCalls.push_back({result, attempts}); }});
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
  const LinkState& state() { return (*controller).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(*controller); }
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
    carrier.dcd = false;  // the modem hangs up
    EXPECT_EQ(modemPort.armed.begin()->second, 50u);
    EXPECT_EQ(modemPort.fire(), 50u);
    EXPECT_EQ(modemPort.sent.size(), sentBefore + 2);
    EXPECT_TRUE(modemPort.armed.empty());
    EXPECT_EQ(views.lastStatus(), LinkStatus::Closed);
    EXPECT_TRUE(state().directMode());
    EXPECT_TRUE(state().lineIdle());
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
  struct Retry {
    LinkStatus result;
    int next;
    int most;
    bool operator==(const Retry&) const = default;
  };
  std::vector<Retry> retries;
  std::vector<std::pair<LinkStatus, int>> failedCalls;
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
  EXPECT_TRUE(state().dialling());
  EXPECT_TRUE(state().logDialActive());
  EXPECT_FALSE(state().directMode());
  EXPECT_EQ(views.comNumber, 4);
  EXPECT_EQ(views.baud, 2400);
  EXPECT_EQ(views.lastStatus(), LinkStatus::Dialing);

  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(modemPort.sent.size(), 1u) << "no request goes out while dialling";

  raiseCarrier();
  EXPECT_TRUE(state().modemConnected());
  EXPECT_FALSE(state().dialling());
  EXPECT_EQ(pictures, std::vector<bool>{true});
  EXPECT_EQ(carrier.armed.size(), carrier.dropped.size() + 1) << "a new trigger watches for the carrier's loss";
  ASSERT_EQ(modemPort.sent.size(), 2u);
  EXPECT_EQ(modemPort.sent.back(), frame(6, 'N')) << "the log site's reading over the modem";
  EXPECT_TRUE(directPort.sent.empty());

  modemMatcher.deliver(logReply());
  EXPECT_TRUE(state().hangupRequested());
  tick();
  EXPECT_EQ(logWriter.entries, 1);
  EXPECT_EQ(views.lastStatus(), LinkStatus::WaitForClose);
  expectHangupSequence();
  EXPECT_EQ(pictures.back(), false);
  EXPECT_EQ(static_cast<int>(state().deferredRequest()), 3);
}

TEST_F(DialupSupervisorTest, PulseDiallingAndTheSetupString) {
  supervisor->controls().pulseDialling = true;
  supervisor->controls().setupString = "&K0&Q0&D0";
  supervisor->SetupModem();
  supervisor->dialup(DialReason::PhoneBook, "99");
  EXPECT_EQ(modemPort.sent, (std::vector<std::string>{"AT&K0&Q0&D0\r\n", "ATDP99\r\n"}));
  EXPECT_FALSE(state().logDialActive());
  EXPECT_FALSE(state().alarmDialActive());
}

TEST_F(DialupSupervisorTest, HangingUpWithoutACallChangesNothing) {
  supervisor->HangupClick();
  EXPECT_EQ(views.lastStatus(), LinkStatus::PortNotOpen);
  EXPECT_TRUE(modemPort.armed.empty());
  EXPECT_TRUE(modemPort.sent.empty());
  EXPECT_TRUE(state().directMode());
}

TEST_F(DialupSupervisorTest, ALogDueDuringAPhoneBookCallWaitsAndDialsOnceTheLineIsFree) {
  supervisor->dialFromPhoneBook("(01) 23", "0123");
  EXPECT_EQ(controller->controls().alarmDialNumber, "(01) 23") << "kept for alarm calls";
  raiseCarrier();
  EXPECT_EQ(modemPort.sent.size(), 1u) << "a phone book call reads nothing by itself";

  supervisor->dialup(DialReason::Log, controls.logNumber);
  EXPECT_TRUE(state().logDialPending());
  EXPECT_EQ(supervisor->logRetryCountdown(), 60);
  for (int i = 0; i < 10; ++i) tick();
  supervisor->dialup(DialReason::Log, controls.logNumber);
  EXPECT_EQ(supervisor->logRetryCountdown(), 50) << "a second request does not extend the window";
  EXPECT_FALSE(state().hangupRequested()) << "a phone book call is not ended by the call limit";

  supervisor->HangupClick();
  expectHangupSequence();
  tick();
  EXPECT_EQ(modemPort.sent.back(), "ATDT0123\r\n") << "dialled at the first tick with the line free";
  EXPECT_TRUE(state().logDialActive());
  EXPECT_FALSE(state().logDialPending());
}

TEST_F(DialupSupervisorTest, APendingCallIsDroppedAfterItsRetryWindow) {
  supervisor->dialFromPhoneBook("1", "1");
  raiseCarrier();
  supervisor->dialup(DialReason::Alarm, "2");
  EXPECT_TRUE(state().alarmDialPending());
  for (int i = 0; i < 61; ++i) tick();
  EXPECT_FALSE(state().alarmDialPending());
  EXPECT_EQ(modemPort.sent.size(), 1u);
  EXPECT_EQ(views.lastStatus(), LinkStatus::AlarmCallMissed) << "a reading given up is not given up silently";
}

TEST_F(DialupSupervisorTest, AnAutomaticCallWithoutCarrierIsHungUpAtTheCallLimit) {
  supervisor->dialup(DialReason::Alarm, "777");
  for (int i = 0; i < 59; ++i) tick();
  EXPECT_FALSE(state().hangupRequested());
  tick();
  EXPECT_TRUE(state().hangupRequested());
  EXPECT_FALSE(state().alarmDialActive());
  tick();
  expectHangupSequence();
}

TEST_F(DialupSupervisorTest, APhoneBookDialNobodyAnswersIsHungUpAtTheCallLimit) {
  supervisor->dialFromPhoneBook("777", "777");
  for (int i = 0; i < 61; ++i) tick();
  expectHangupSequence();
}

// The far end hangs up: the call ends whether the carrier's trigger fires or is missed.
TEST_F(DialupSupervisorTest, ACarrierLostAfterTheConnectionEndsTheCall) {
  for (const bool triggerFires : {true, false}) {
    supervisor->dialFromPhoneBook("1", "1");
    raiseCarrier();
    carrier.dcd = false;
    if (triggerFires && carrier.armed.size() > carrier.dropped.size()) supervisor->carrierChanged();
    EXPECT_EQ(state().hangupRequested(), triggerFires);
    for (int second = 0; second < 2; ++second) tick();
    expectHangupSequence();
  }
}

// A killed program's call left up (DTR ignored): nothing goes into it, nor is its carrier the dial's.
TEST_F(DialupSupervisorTest, ACallLeftUpIsHungUpBeforeTheDialAndNeverDialledInto) {
  const std::string once = "+++ATH0\r\n", dial = "ATDT0123\r\n";
  const std::vector<std::pair<int, std::string>> rows{{1, once + dial}, {2, once + once + dial}, {0, once + once}};
  for (const auto& [drops, sent] : rows) {
    modemPort.sent.clear();
    carrier.dcd = true;
    supervisor->SetupModem();
    supervisor->dialup(DialReason::Log, "0123");
    supervisor->carrierChanged();
    EXPECT_EQ(views.lastStatus(), LinkStatus::LineStillConnected);
    for (int sequence = 1; !modemPort.armed.empty(); ++sequence) {
      for (int step = 0; step < 2; ++step) modemPort.fire();  // "+++", "ATH0"
      carrier.dcd = carrier.dcd && sequence != drops;  // 0: it never drops
      modemPort.fire();
    }
    EXPECT_EQ(std::accumulate(modemPort.sent.begin(), modemPort.sent.end(), std::string()), sent);
    EXPECT_EQ(views.lastStatus(), drops != 0 ? LinkStatus::Dialing : LinkStatus::LineWouldNotHangUp);
    EXPECT_EQ(modemPort.open, drops != 0) << "a call that will not hang up is ended by dropping DTR";
    supervisor->ReturnToDirect();
  }
}

TEST_F(DialupSupervisorTest, CarrierLostWhileDiallingHangsUpAtTheNextTick) {
  supervisor->dialup(DialReason::Log, "0123");
  carrier.dcd = false;
  supervisor->carrierChanged();
  EXPECT_TRUE(state().hangupRequested());
  EXPECT_FALSE(state().modemConnected());
  tick();
  expectHangupSequence();
}

// The carrier rose and fell again before the carrier watch looked: no event
// comes. After CONNECT the once-a-second step looks at the carrier itself.
TEST_F(DialupSupervisorTest, ACarrierThatCameAndWentUnseenAfterConnectIsHungUpWithinTwoSteps) {
  supervisor->dialup(DialReason::Log, "0123");
  supervisor->modemReceived("\r\nCONNECT 2400\r\n");
  carrier.dcd = false;
  tick();
  EXPECT_FALSE(state().hangupRequested()) << "the port may see the carrier a little after CONNECT";
  EXPECT_TRUE(state().dialling());
  tick();
  EXPECT_TRUE(state().hangupRequested());
  EXPECT_FALSE(state().modemConnected());
  tick();
  expectHangupSequence();
}

TEST_F(DialupSupervisorTest, ACarrierWhoseRiseWasMissedConnectsAtTheNextStep) {
  supervisor->dialup(DialReason::Log, "0123");
  tick();
  EXPECT_TRUE(state().dialling()) << "before CONNECT the step does not look";
  supervisor->modemReceived("\r\nCONNECT 2400\r\n");
  carrier.dcd = true;
  tick();
  EXPECT_TRUE(state().modemConnected());
  EXPECT_FALSE(state().dialling());
}

TEST_F(DialupSupervisorTest, AModemPortThatWillNotOpenReturnsToTheDirectLineAtOnce) {
  modemPort.failOpen = true;
  supervisor->dialup(DialReason::Log, "0123");
  EXPECT_EQ(statusesSince(0), (std::vector{LinkStatus::PortSetException, LinkStatus::CantOpenCommPort}));
  EXPECT_EQ(feedback.beeps, 2);
  EXPECT_EQ(supervisor->lastPortError(), "device not found");
  EXPECT_TRUE(state().directMode());
  EXPECT_TRUE(state().lineIdle());
  EXPECT_FALSE(state().logDialActive());
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
  EXPECT_TRUE(state().modemConnected());
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
  EXPECT_TRUE(state().directMode());
  supervisor->tapiConnect();
  EXPECT_FALSE(state().modemConnected()) << "a connect posted before the abort arrives late and is ignored";

  supervisor->dialup(DialReason::Alarm, "9");
  supervisor->tapiFail();
  EXPECT_EQ(views.lastStatus(), LinkStatus::TapiFail) << "a failure does not claim to be connected";
  EXPECT_TRUE(state().lineIdle());

  telephony.failWith = "No TAPI device selected";
  supervisor->dialup(DialReason::Log, "0123");
  EXPECT_EQ(errors, std::vector<std::string>{"No TAPI device selected"});
  EXPECT_NE(views.lastStatus(), LinkStatus::Dialing);
}

// The modem echoes the dial and answers with a result code when the call
// cannot be made: the attempt ends at once, not at the call limit, and the
// reading it was made for is dialled again while its failure window lasts.
TEST_F(DialupSupervisorTest, ABusyAnswerEndsTheDialAtOnceAndTheLogCallIsRetriedWithinItsWindow) {
  supervisor->dialup(DialReason::Log, "0123");
  supervisor->modemReceived("ATDT0123\r");
  supervisor->modemReceived("\r\nRING\r\n");
  EXPECT_TRUE(state().dialling()) << "echo and RING are not results that end a dial";
  supervisor->modemReceived("\r\nBU");
  supervisor->modemReceived("SY\r\n");
  EXPECT_EQ(views.lastStatus(), LinkStatus::ModemBusy);
  EXPECT_EQ(supervisor->lastCallResult(), "BUSY");
  EXPECT_FALSE(modemPort.open) << "the modem port is closed after the failed call";
  EXPECT_TRUE(state().directMode());
  EXPECT_TRUE(state().lineIdle());
  EXPECT_FALSE(state().logDialActive());
  EXPECT_TRUE(state().logDialPending());
  EXPECT_TRUE(modemPort.armed.empty()) << "nothing to hang up";

  int dials = 1;
  for (int second = 0; second < 70; ++second) {
    tick();
    if (state().dialling()) {
      ++dials;
      EXPECT_EQ(modemPort.sent.back(), "ATDT0123\r\n");
      supervisor->modemReceived("\r\nBUSY\r\n");
    }
  }
  EXPECT_GE(dials, 5) << "redialled within the window";
  EXPECT_LE(dials, 1 + 60 / DialupSupervisor::kFailedDialPauseSeconds) << "with a pause after each failure";
  const std::size_t sent = modemPort.sent.size();
  for (int second = 0; second < 120; ++second) tick();
  EXPECT_EQ(modemPort.sent.size(), sent) << "a failure does not renew the window: the reading is given up";
  EXPECT_FALSE(state().logDialPending());
  EXPECT_EQ(views.lastStatus(), LinkStatus::ModemBusy) << "the last word is why";

  supervisor->dialup(DialReason::Log, "0123");
  EXPECT_TRUE(state().dialling()) << "the next due reading starts afresh";
}

TEST_F(DialupSupervisorTest, EveryFinalResultButConnectEndsTheDialWithItsOwnText) {
  const std::vector<std::pair<std::string, LinkStatus>> results{{"NO CARRIER", LinkStatus::ModemNoCarrier},
                                                               {"NO ANSWER", LinkStatus::ModemNoAnswer},
                                                               {"NO DIALTONE", LinkStatus::ModemNoDialtone},
                                                               {"ERROR", LinkStatus::ModemError},
                                                               {"7", LinkStatus::ModemBusy}};
  for (const auto& [said, shown] : results) {
    supervisor->dialFromPhoneBook("1", "1");
    supervisor->modemReceived("\r\n" + said + "\r\n");
    EXPECT_EQ(views.lastStatus(), shown) << said;
    EXPECT_TRUE(state().lineIdle()) << said;
    EXPECT_FALSE(state().logDialPending() || state().alarmDialPending()) << "a phone book dial is not retried";
  }
  supervisor->dialFromPhoneBook("1", "1");
  supervisor->modemReceived("\r\nCONNECT 2400\r\n");
  supervisor->modemReceived("\r\nNO CARRIER\r\n");
  EXPECT_TRUE(state().dialling()) << "after CONNECT the bytes are the far end's, and the carrier decides";
  raiseCarrier();
  EXPECT_TRUE(state().modemConnected());
  supervisor->modemReceived("\r\nBUSY\r\n");
  EXPECT_TRUE(state().modemConnected()) << "nothing on a connected call is a dial result";
}

TEST_F(DialupSupervisorTest, ADialWithNoNumberIsRefusedAndPlacesNoCall) {
  directPort.open = true;
  supervisor->dialup(DialReason::Alarm, "");
  EXPECT_EQ(views.lastStatus(), LinkStatus::NoNumberToDial);
  supervisor->dialup(DialReason::Log, "  ");
  EXPECT_EQ(views.lastStatus(), LinkStatus::NoNumberToDial);
  EXPECT_TRUE(errors.empty()) << "nothing to say about an empty number";
  supervisor->dialFromPhoneBook("12\r\nATZ", "12\r\nATZ");  // a stored number that would be a second command
  EXPECT_EQ(views.lastStatus(), LinkStatus::NoNumberToDial);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("is not a number a modem can dial"), std::string::npos) << errors[0];
  EXPECT_TRUE(modemPort.sent.empty());
  EXPECT_TRUE(state().lineIdle());
  EXPECT_TRUE(state().directMode());
  EXPECT_TRUE(directPort.open) << "the direct line is left as it was";
  EXPECT_FALSE(state().alarmDialPending());
  for (int second = 0; second < 5; ++second) tick();
  EXPECT_TRUE(modemPort.sent.empty());
}

TEST_F(DialupSupervisorTest, ATelephonyRetryIsShownWithTheModemsResultAndTheAttempt) {
  supervisor->controls().tapiControl = true;
  supervisor->dialFromPhoneBook("555", "555");
  supervisor->tapiRetry(LineCallState::Busy, "BUSY", 2, 3);
  supervisor->tapiRetry(LineCallState::Disconnected, "no answer", 3, 3);
  EXPECT_EQ(retries, (std::vector<Retry>{{LinkStatus::ModemBusy, 2, 3}, {LinkStatus::ModemNoAnswer, 3, 3}}));
  EXPECT_TRUE(state().dialling()) << "the line device dials again by itself";
  supervisor->tapiFail();
  EXPECT_EQ(failedCalls, (std::vector<std::pair<LinkStatus, int>>{{LinkStatus::ModemNoAnswer, 3}}));
}

// The hang-up's "+++" needs a silent line: a request outstanding when it
// starts is ended, one waiting for its turn does not go out on the modem
// during the guard times, nor on the direct line after the call.
TEST_F(DialupSupervisorTest, AHangUpEndsTheRequestsOfTheCallAndNoneGoesOutUntilTheLineIsDirect) {
  supervisor->dialFromPhoneBook("1", "1");
  raiseCarrier();
  LinkStateAccess::of(*controller).HistoryBlock = 1;
  LinkStateAccess::of(*controller).Deferred = DeferredRequest::None;
  controller->Getdata(Requester::HistoryView);
  ASSERT_TRUE(modemMatcher.enabled);
  modemMatcher.deliver(test::historyReply(std::vector<int>(24, 0)));
  ASSERT_TRUE(state().lineReserved()) << "the next block waits for its turn";

  supervisor->HangupClick();
  EXPECT_FALSE(state().lineReserved());
  EXPECT_FALSE(state().requestBusy());
  const std::size_t sentOnModem = modemPort.sent.size();
  clock.advance(2s);
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::LineBusy);
  EXPECT_EQ(modemPort.sent.size(), sentOnModem) << "nothing goes out while the hang-up runs";
  expectHangupSequence();
  clock.advance(2s);
  EXPECT_TRUE(directPort.sent.empty()) << "the next block of the remote site never reaches the direct line";
}

TEST_F(DialupSupervisorTest, ARemoteSiteThatNeverAnswersTimesOutAndTheLogCallIsHungUp) {
  supervisor->dialup(DialReason::Log, "0123");
  raiseCarrier();
  ASSERT_TRUE(modemMatcher.enabled) << "the log reading is out";
  int seconds = 0;
  for (; seconds < 20 && supervisor->hangupPhase() == HangupPhase::Idle; ++seconds) tick();
  EXPECT_LE(seconds, 12) << "the busy watchdog ends the silent request as a time-out, long before the call limit";
  EXPECT_FALSE(modemMatcher.enabled);
  const auto shown = statusesSince(0);
  EXPECT_NE(std::find(shown.begin(), shown.end(), LinkStatus::DataTimeout), shown.end());
  expectHangupSequence();
  EXPECT_EQ(logWriter.entries, 0);
}

// The operator hangs up a dial just as it connects: the modem takes the
// escape as data, since the guard time before it was cut short, and stays
// online. The sequence runs again; a call that still has its carrier after
// that is ended by closing the port.
TEST_F(DialupSupervisorTest, AHangUpThatLeavesTheCarrierUpRunsAgainThenClosesThePort) {
  supervisor->dialFromPhoneBook("1", "1");
  supervisor->HangupClick();
  carrier.dcd = true;  // connected during the first guard time
  modemPort.fire();
  modemPort.fire();
  modemPort.fire();
  EXPECT_EQ(views.lastStatus(), LinkStatus::WaitForClose) << "the carrier is still up: the sequence starts again";
  EXPECT_FALSE(state().lineIdle());
  carrier.dcd = false;  // the second escape reached the modem
  expectHangupSequence();
  EXPECT_TRUE(modemPort.open) << "the port stays open after a hang-up that worked";

  supervisor->dialFromPhoneBook("1", "1");
  raiseCarrier();
  supervisor->HangupClick();
  for (int step = 0; step < 6; ++step) modemPort.fire();
  EXPECT_FALSE(modemPort.open) << "two sequences did not end the call: the port is closed";
  EXPECT_EQ(views.lastStatus(), LinkStatus::Closed);
  EXPECT_TRUE(state().lineIdle());
}

}  // namespace
}  // namespace solwire
