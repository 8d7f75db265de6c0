// The settings editor's write through the link controller: the frame, the
// port's 24-tick timer, the read-back and what it tells about the byte.
#include <gtest/gtest.h>

#include <memory>

#include "protocol/link_controller.h"
#include "tests/support/link_state_access.h"
#include "protocol/virtual_clock.h"
#include "tests/protocol/write_fakes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (const int v : values) text.push_back(static_cast<char>(v));
  return text;
}

class LinkControllerWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { rebuild(); }

  void rebuild() {
    controller.reset();
    clock = std::make_unique<VirtualClock>(LocalTime{2026, 12, 7, 10, 30, 0});
    controller = std::make_unique<LinkController>(LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher},
                                                  LinkServices{*clock, views, feedback, logWriter, dial}, controls,
                                                  startValues(2, 1));
  }

  // The start-up hold over, the port open and the site's settings read.
  void readSettings() {
    controller->Timer1Timer();
    LinkStateAccess::of(*controller).Deferred = DeferredRequest::None;
    controller->Getdata(Requester::SettingsView);
    answerLastRequest();
  }
  void answerLastRequest() { directMatcher.deliver(bus.reply(directPort.sent.back())); }
  // What the regulator does with the frame that just went out.
  void lineCarriesLastFrame() { bus.take(directPort.sent.back()); }

  std::uint16_t armedHandle() const { return directPort.armed.empty() ? 0 : directPort.armed.begin()->first; }
  void fireWriteTimer() { directPort.fire(armedHandle()); }
  const WriteCheck& write() const { return controller->lastWrite(); }
  const LinkState& state() { return (*controller).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(*controller); }
  int callsOf(const std::string& name) const {
    int n = 0;
    for (const auto& call : views.calls) n += call == name;
    return n;
  }

  test::TimerPort directPort;
  test::TimerPort modemPort;
  test::FakeMatcher directMatcher;
  test::FakeMatcher modemMatcher;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  test::RecordingDialSupervisor dial;
  test::FakeBus bus;
  LinkControls controls;
  std::unique_ptr<VirtualClock> clock;
  std::unique_ptr<LinkController> controller;
};

TEST_F(LinkControllerWriteTest, TheFrameGoesOutAndTheLineIsHeldFor24Ticks) {
  controls.site = 3;
  rebuild();
  readSettings();
  const int flushesBefore = directPort.outputFlushes;
  const int beepsBefore = feedback.beeps;

  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::Sent);
  EXPECT_EQ(directPort.sent.back(), bytes({0xC3, 0xA5, 0x10, 0x96, 0xE3}));
  EXPECT_EQ(directPort.outputFlushes, flushesBefore + 1);
  EXPECT_EQ(views.lastStatus(), LinkStatus::SendingData);
  EXPECT_EQ(feedback.beeps, beepsBefore + 1);
  ASSERT_EQ(directPort.armed.size(), 1u);
  EXPECT_EQ(directPort.armed.begin()->second, 24u);
  EXPECT_TRUE(controller->lineBusy());
  EXPECT_TRUE(state().writePending());
  EXPECT_EQ(write().phase, WritePhase::Waiting);
  EXPECT_EQ(write().site, 3);
  EXPECT_EQ(write().address, 16);
  EXPECT_EQ(write().data, 150);
  EXPECT_EQ(write().number, 1);
}

TEST_F(LinkControllerWriteTest, NothingElseGoesOutWhileTheLineIsBusyOrHeld) {
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::LineBusy) << "before the first tick";
  readSettings();
  const std::size_t sent = directPort.sent.size();

  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::LineBusy) << "a request is outstanding";
  answerLastRequest();
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::Sent);
  EXPECT_EQ(controller->writeMemory(17, 150), WriteResult::LineBusy) << "a write is pending";
  controller->Getdata(Requester::AlarmView);
  EXPECT_EQ(directPort.sent.size(), sent + 2) << "one request, one write; the alarm reading waits";
  EXPECT_EQ(directPort.armed.size(), 1u);

  // A chained request's wait holds the line too.
  fireWriteTimer();
  EXPECT_EQ(state().requestKind(), RequestKind::AlarmInputs) << "what waited goes first, then the read-back";
  answerLastRequest();
  EXPECT_EQ(state().requestKind(), RequestKind::Settings);
  answerLastRequest();
  controller->siteselChanging();
  controller->Getdata(Requester::HistoryView);  // the current state first, then a wait
  answerLastRequest();
  ASSERT_TRUE(state().lineReserved());
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::LineBusy);

  set().Dialling = true;
  set().LineReserved = false;
  set().RequestBusy = false;
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::LineBusy) << "a dial is in progress";
}

// A modem collector has no time-out of its own: a request the busy watchdog
// gave up on leaves it armed. Its late reply must not end a write's hold.
TEST_F(LinkControllerWriteTest, AMatcherLeftArmedAfterAnAbandonedRequestIsStoppedByTheWrite) {
  readSettings();
  controller->Getdata(Requester::AlarmView);
  for (int second = 0; second <= LinkController::kBusyWatchdogSeconds; ++second) controller->Timer1Timer();
  ASSERT_TRUE(state().settling()) << "the watchdog ends the request as a time-out";
  directMatcher.enabled = true;  // as a modem collector would stay
  clock->advance(controller->guardTime());
  ASSERT_FALSE(controller->lineBusy());
  const int flushes = directPort.inputFlushes;
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  EXPECT_FALSE(directMatcher.enabled);
  EXPECT_EQ(directPort.inputFlushes, flushes + 1);
}

TEST_F(LinkControllerWriteTest, AClosedPortSendsNothingAndIsNotOpenedForAWrite) {
  controller->Timer1Timer();
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::PortNotOpen);
  EXPECT_EQ(views.lastStatus(), LinkStatus::WritePortNotOpen);
  EXPECT_EQ(directPort.opens, 0);
  EXPECT_TRUE(directPort.sent.empty());
  EXPECT_FALSE(controller->lineBusy());

  set().DirectMode = false;
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::NoConnection);
  EXPECT_EQ(views.lastStatus(), LinkStatus::NoConnection);
  modemPort.open = true;
  EXPECT_EQ(controller->writeMemory(16, 150), WriteResult::Sent);
  EXPECT_EQ(modemPort.sent.size(), 1u);
  EXPECT_EQ(modemPort.armed.size(), 1u) << "the modem port's own timer";
  EXPECT_TRUE(directPort.sent.empty());
}

TEST_F(LinkControllerWriteTest, TheTimerReadsTheSettingsBackAndTheByteIsConfirmed) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  lineCarriesLastFrame();
  const std::uint16_t handle = armedHandle();
  views.calls.clear();

  directPort.fire(handle);
  EXPECT_EQ(directPort.dropped, std::vector<std::uint16_t>{handle});
  EXPECT_EQ(directPort.sent.back(), bytes({0xC0, '~'}));
  EXPECT_FALSE(state().writePending());
  EXPECT_EQ(write().phase, WritePhase::ReadingBack);
  EXPECT_EQ(callsOf("setdisplay"), 1) << "the editor learns the write is over";

  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::Confirmed);
  EXPECT_EQ(write().heldByte, 135);
  EXPECT_EQ(controller->data().settings[BoostMaximumVoltage], 135);
  EXPECT_EQ(callsOf("setdisplay"), 2);
  EXPECT_FALSE(controller->lineBusy());
}

TEST_F(LinkControllerWriteTest, ARegulatorThatIgnoresTheWriteIsNotConfirmed) {
  bus.memory(0)[18] = 10 * 4 + 1;
  bus.ignoresWrites[0] = true;
  readSettings();
  ASSERT_EQ(controller->writeMemory(18, 42), WriteResult::Sent);
  lineCarriesLastFrame();
  fireWriteTimer();
  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::NotConfirmed);
  EXPECT_EQ(write().heldByte, 41);
}

TEST_F(LinkControllerWriteTest, ACalibrationWriteReadsTheCalibrationBack) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(5, 127), WriteResult::Sent);
  lineCarriesLastFrame();
  views.calls.clear();
  fireWriteTimer();
  EXPECT_EQ(directPort.sent.back(), bytes({0xC0, '}'}));
  EXPECT_EQ(callsOf("caldisplay"), 1);
  EXPECT_EQ(callsOf("setdisplay"), 0);
  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::Confirmed);
  EXPECT_EQ(controller->data().calibration.o[2], 127);
  EXPECT_EQ(callsOf("caldisplay"), 2);
}

TEST_F(LinkControllerWriteTest, AReadBackDeferredBehindTheCurrentStateStillChecksTheByte) {
  readSettings();
  set().Deferred = DeferredRequest::CurrentStateFirst;  // settings never read after start: the current state comes first
  ASSERT_EQ(controller->writeMemory(17, 140), WriteResult::Sent);
  lineCarriesLastFrame();
  fireWriteTimer();
  EXPECT_EQ(directPort.sent.back(), bytes({0xC0, 'N'}));
  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::ReadingBack);
  clock->advance(LinkController::kDeferredRequestWait);
  EXPECT_EQ(directPort.sent.back(), bytes({0xC0, '~'}));
  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::Confirmed);
}

TEST_F(LinkControllerWriteTest, ASiteChangeBeforeTheTimerLeavesTheWriteUnconfirmed) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  lineCarriesLastFrame();
  controller->siteselChanging();
  controller->controls().site = 2;
  bus.memory(2)[16] = 135;  // the other site happens to hold the same byte
  fireWriteTimer();
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
  EXPECT_EQ(directPort.sent.back(), bytes({0xC2, 'N'})) << "the list of the site now selected is read";
  answerLastRequest();
  clock->advance(LinkController::kDeferredRequestWait);
  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
}

TEST_F(LinkControllerWriteTest, ASiteChangeDuringTheReadBackDropsItWithoutAVerdict) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  lineCarriesLastFrame();
  fireWriteTimer();
  controller->siteselChanging();
  controller->controls().site = 1;
  answerLastRequest();
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
  EXPECT_NE(controller->data().settings[BoostMaximumVoltage], 135) << "site 0's list is not stored as site 1's";
  EXPECT_FALSE(controller->lineBusy());
}

TEST_F(LinkControllerWriteTest, AReadBackThatTimesOutGivesNoVerdict) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  fireWriteTimer();
  directMatcher.timeOutNow();
  clock->advance(controller->guardTime());  // the line falls quiet
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);
  EXPECT_EQ(controller->writeMemory(16, 136), WriteResult::Sent) << "the next write may go";
  EXPECT_EQ(write().number, 2);
}

TEST_F(LinkControllerWriteTest, OtherTimerHitsArePassedOnAndLeaveTheWritePending) {
  std::vector<std::uint16_t> others;
  controller->OnOtherTimerTrigger = [&](LinkPort& port, std::uint16_t handle) {
    EXPECT_EQ(&port, &modemPort);
    others.push_back(handle);
  };
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  modemPort.fire(armedHandle());  // the same number on the other port is not the write's
  modemPort.fire(7);
  EXPECT_EQ(others, (std::vector<std::uint16_t>{armedHandle(), 7}));
  EXPECT_TRUE(state().writePending());
  EXPECT_EQ(write().phase, WritePhase::Waiting);
}

TEST_F(LinkControllerWriteTest, TheWatchdogEndsAWriteWhoseTimerNeverFires) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  const std::uint16_t handle = armedHandle();
  views.calls.clear();
  for (int second = 0; second < LinkController::kBusyWatchdogSeconds; ++second) {
    controller->Timer1Timer();
    EXPECT_TRUE(controller->lineBusy()) << second;
  }
  controller->Timer1Timer();
  EXPECT_FALSE(controller->lineBusy());
  EXPECT_FALSE(state().writePending());
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
  EXPECT_EQ(callsOf("setdisplay"), 1);
  EXPECT_TRUE(directPort.armed.empty()) << "the timer is dropped";

  // A late hit of the dropped timer completes nothing.
  const std::size_t sent = directPort.sent.size();
  directPort.fire(handle);
  EXPECT_EQ(directPort.sent.size(), sent);
}

TEST_F(LinkControllerWriteTest, APortThatRefusesTheTimerDoesNotHoldTheLine) {
  readSettings();
  directPort.failArm = true;
  EXPECT_EQ(controller->writeMemory(16, 135), WriteResult::SendFailed);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);
  EXPECT_FALSE(controller->lineBusy());
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
  EXPECT_TRUE(directPort.armed.empty());

  directPort.failArm = false;
  directPort.failSend = true;
  const int number = write().number;
  EXPECT_EQ(controller->writeMemory(16, 135), WriteResult::SendFailed);
  EXPECT_EQ(write().number, number) << "nothing went out";
  EXPECT_FALSE(controller->lineBusy());
}

TEST_F(LinkControllerWriteTest, ClosingTheProgramReleasesAWritesHold) {
  readSettings();
  ASSERT_EQ(controller->writeMemory(16, 135), WriteResult::Sent);
  controller->shutDown();
  EXPECT_FALSE(controller->lineBusy());
  const std::size_t sent = directPort.sent.size();
  fireWriteTimer();
  EXPECT_EQ(directPort.sent.size(), sent) << "no read-back while closing";
  EXPECT_EQ(write().phase, WritePhase::Abandoned);
}

}  // namespace
}  // namespace solwire
