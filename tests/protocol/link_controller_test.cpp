#include "protocol/link_controller.h"
#include "tests/support/link_state_access.h"

#include <gtest/gtest.h>

#include <memory>

#include "protocol/virtual_clock.h"
#include "tests/support/link_fakes.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::alarmReply;
using test::currentStateReply;
using test::historyReply;
using test::memoryReply;

std::string frame(int site, int command) {
  return {static_cast<char>(192 + site), static_cast<char>(command)};
}

std::vector<int> zeros(int n) { return std::vector<int>(static_cast<std::size_t>(n), 0); }

class LinkControllerTest : public ::testing::Test {
 protected:
  void SetUp() override { rebuild(); }

  void rebuild(LocalTime start = {2026, 12, 7, 10, 30, 0}) {
    controller.reset();
    clock = std::make_unique<VirtualClock>(start);
    controller = std::make_unique<LinkController>(
        LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher},
        LinkServices{*clock, views, feedback, logWriter, dial}, controls, startValues(4, 1));
  }

  // One tick of the one-second timer, then one second passes.
  void tick() {
    controller->Timer1Timer();
    clock->advance(1s);
  }

  // A time-out, and the quiet time the line needs after it.
  void timeOut() {
    directMatcher.timeOutNow();
    clock->advance(controller->guardTime());
  }

  const LinkState& state() { return (*controller).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(*controller); }
  const std::string& lastSent() const { return directPort.sent.back(); }

  test::FakeLinkPort directPort;
  test::FakeLinkPort modemPort;
  test::FakeMatcher directMatcher;
  test::FakeMatcher modemMatcher;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  test::RecordingDialSupervisor dial;
  LinkControls controls;
  std::unique_ptr<VirtualClock> clock;
  std::unique_ptr<LinkController> controller;
};

TEST_F(LinkControllerTest, NothingGoesOutBeforeTheFirstTick) {
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_TRUE(directPort.sent.empty());
  EXPECT_EQ(directPort.opens, 0);
  tick();
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(directPort.sent.size(), 1u);
}

TEST_F(LinkControllerTest, FirstRequestOpensTheDirectPortAndArmsTheMatcherFirst) {
  controls.site = 5;
  controls.baudIndex = 2;  // 600 baud
  controls.directPortIndex = 6;
  rebuild();
  tick();
  controller->Getdata(Requester::CurrentStateView);

  EXPECT_EQ(directPort.comNumber, 7);
  EXPECT_EQ(directPort.baud, 600);
  EXPECT_EQ(directPort.parity, Parity::pNone);
  EXPECT_EQ(directPort.dataBits, 8);
  EXPECT_EQ(directPort.stopBits, 1);
  EXPECT_EQ(directPort.inputFlushes, 2);  // once as it opens, once before the request
  EXPECT_EQ(directPort.outputFlushes, 1);
  ASSERT_EQ(directPort.sent.size(), 1u);
  EXPECT_EQ(lastSent(), frame(5, 'N'));
  EXPECT_EQ(directMatcher.packetSize, 27);
  EXPECT_EQ(directMatcher.timeOut, 100);
  EXPECT_TRUE(directMatcher.enabled);
  EXPECT_EQ(views.statuses, (std::vector{LinkStatus::PortOpen, LinkStatus::RequestSent}));
  EXPECT_TRUE(state().requestBusy());
  EXPECT_EQ(state().busyCountdown(), 10);
}

TEST_F(LinkControllerTest, ARequestWhileBusyIsDroppedSilently) {
  tick();
  controller->Getdata(Requester::CurrentStateView);
  controller->Getdata(Requester::AlarmView);
  EXPECT_EQ(directPort.sent.size(), 1u);
  EXPECT_EQ(state().requestKind(), RequestKind::CurrentState);
}

TEST_F(LinkControllerTest, EveryRequesterSendsItsOwnKind) {
  controls.site = 7;
  controls.logSite = 2;
  rebuild();
  tick();
  set().Deferred = DeferredRequest::None;
  struct Case {
    Requester requester;
    std::vector<std::uint8_t> reply;
    std::string frame;
    int length;
  };
  set().HistoryBlock = 1;
  const Case cases[] = {
      {Requester::CurrentStateView, currentStateReply(0, zeros(13)), frame(7, 'N'), 27},
      {Requester::SettingsView, memoryReply(zeros(16)), frame(7, '~'), 33},
      {Requester::CalibrationButton, memoryReply(zeros(16)), frame(7, '}'), 33},
      {Requester::AlarmView, alarmReply(0, 16), frame(7, 'V'), 5},
      {Requester::MainWindow, currentStateReply(0, zeros(13)), frame(2, 'N'), 27},
      {Requester::HistoryView, historyReply(zeros(24)), frame(7, 0x20), 49},
  };
  for (const Case& c : cases) {
    controller->Getdata(c.requester);
    EXPECT_EQ(lastSent(), c.frame);
    EXPECT_EQ(directMatcher.packetSize, c.length);
    directMatcher.deliver(c.reply);
    EXPECT_FALSE(controller->lineBusy() && c.requester != Requester::HistoryView);
  }
}

TEST_F(LinkControllerTest, SettingsAfterStartReadsTheCurrentStateFirstThenWaits) {
  tick();
  controller->Getdata(Requester::SettingsView);
  ASSERT_EQ(directPort.sent.size(), 1u);
  EXPECT_EQ(lastSent(), frame(0, 'N'));
  EXPECT_EQ(static_cast<int>(state().deferredRequest()), 2);

  directMatcher.deliver(currentStateReply(2, zeros(13)));
  EXPECT_EQ(static_cast<int>(state().deferredRequest()), 0);
  EXPECT_TRUE(controller->lineBusy());
  controller->Getdata(Requester::AlarmView);  // the line is reserved for the settings
  clock->advance(1199ms);
  EXPECT_EQ(directPort.sent.size(), 1u);
  clock->advance(1ms);
  ASSERT_EQ(directPort.sent.size(), 2u);
  EXPECT_EQ(lastSent(), frame(0, '~'));

  directMatcher.deliver(memoryReply(std::vector<int>(16, 0x1B)));
  EXPECT_TRUE(controller->data().SettingsRead);
  EXPECT_TRUE(views.called("setdisplay"));
  EXPECT_EQ(controller->data().settings[NumberOfBanksUsed], 4);
}

TEST_F(LinkControllerTest, ASiteChangeDefersTheNextSettingsReadAgain) {
  tick();
  set().Deferred = DeferredRequest::None;
  controller->Getdata(Requester::SettingsView);
  EXPECT_EQ(lastSent(), frame(0, '~'));
  directMatcher.deliver(memoryReply(zeros(16)));

  controller->siteselChanging();
  controller->controls().site = 9;
  EXPECT_TRUE(views.called("disableSaveOptions"));
  EXPECT_FALSE(controller->data().SettingsRead);
  EXPECT_FALSE(controller->data().CalibrationRead);
  controller->Getdata(Requester::SettingsView);
  EXPECT_EQ(lastSent(), frame(9, 'N'));
}

// ---- Replies that arrive after the operator chose another site ----

TEST_F(LinkControllerTest, ACurrentStateReplyForTheOldSiteIsDroppedQuietlyAndTheDeferralStands) {
  tick();
  controller->Getdata(Requester::SettingsView);  // site 0: the current state first
  ASSERT_EQ(lastSent(), frame(0, 'N'));
  controller->siteselChanging();
  controller->controls().site = 9;
  EXPECT_TRUE(views.called("hideCurrentStateWait")) << "the site change ends the wait at once";
  views.statuses.clear();
  views.calls.clear();
  feedback.beeps = 0;

  directMatcher.deliver(currentStateReply(17, {0x50, 0, 0, 0, 0, 0, 141, 120, 0, 0, 0, 0, 3}));
  EXPECT_EQ(controller->data().current.batteryVoltageReading, 24);
  EXPECT_EQ(controller->data().scaling, (Scaling{4, 1, 0, false}));
  EXPECT_EQ(static_cast<int>(state().deferredRequest()), 3);
  EXPECT_TRUE(views.statuses.empty());
  EXPECT_EQ(feedback.beeps, 0);
  EXPECT_TRUE(views.enabledOptions.empty());
  EXPECT_FALSE(controller->lineBusy());

  clock->advance(5s);
  EXPECT_EQ(directPort.sent.size(), 1u);  // no settings read for either site
  controller->Getdata(Requester::SettingsView);
  EXPECT_EQ(lastSent(), frame(9, 'N'));
}

TEST_F(LinkControllerTest, StaleSettingsAndAlarmRepliesAreNotStored) {
  tick();
  set().Deferred = DeferredRequest::None;
  controller->Getdata(Requester::SettingsView);
  controller->siteselChanging();
  controller->controls().site = 3;
  directMatcher.deliver(memoryReply(std::vector<int>(16, 0x77)));
  EXPECT_EQ(controller->data().settings[BoostMaximumVoltage], 0);
  EXPECT_FALSE(controller->data().SettingsRead);  // the new site's list is still to be read
  EXPECT_TRUE(views.called("setdisplay")) << "the editor learns that its reading ended";

  set().LineIdle = false;
  set().AlarmDialActive = true;
  controller->Getdata(Requester::AlarmView);
  controller->siteselChanging();
  controller->controls().site = 4;
  feedback.beeps = 0;
  directMatcher.deliver(alarmReply(0x7F, 0xFF));
  EXPECT_EQ(controller->data().alarms.state, AlarmRecord{}.state);
  EXPECT_EQ(controller->data().alarms.flash, AlarmRecord{}.flash);
  EXPECT_FALSE(views.alarmPending.back());
  EXPECT_FALSE(state().alarmDialActive());
  EXPECT_TRUE(state().hangupRequested());  // the call has nothing more to do
  EXPECT_EQ(feedback.beeps, 0);
  EXPECT_TRUE(views.enabledOptions.empty());
}

class HistoryTransferAndSiteChange : public LinkControllerTest {
 protected:
  // Starts a transfer at site 0 and lets `blocks` blocks arrive.
  void receiveBlocks(int blocks) {
    tick();
    set().Deferred = DeferredRequest::None;
    set().HistoryBlock = 1;
    controller->Getdata(Requester::HistoryView);
    for (int block = 1; block <= blocks; ++block) {
      directMatcher.deliver(historyReply(std::vector<int>(24, block)));
      clock->advance(1000ms);
    }
  }
  void changeSiteTo(int site) {
    views.calls.clear();
    views.statuses.clear();
    views.enabledOptions.clear();
    feedback.beeps = 0;
    controller->siteselChanging();
    controller->controls().site = site;
  }
  void expectTransferEndedQuietly(std::size_t framesSent) {
    EXPECT_EQ(state().historyBlock(), 0);
    EXPECT_TRUE(views.called("hideHistoryWait"));
    EXPECT_TRUE(views.called("drawgraph"));
    EXPECT_TRUE(views.statuses.empty());
    EXPECT_EQ(feedback.beeps, 0);
    EXPECT_FALSE(controller->lineBusy());
    clock->advance(10s);
    EXPECT_EQ(directPort.sent.size(), framesSent);
  }
};

TEST_F(HistoryTransferAndSiteChange, ABlockInFlightIsDroppedAndTheTransferEnds) {
  receiveBlocks(3);
  ASSERT_EQ(lastSent(), frame(0, 0x23));
  changeSiteTo(5);
  directMatcher.deliver(historyReply(std::vector<int>(24, 77)));
  EXPECT_EQ(controller->data().history.minVoltage[11], 3);    // block 3, the old site's
  EXPECT_EQ(controller->data().history.minVoltage[12], 125);  // still the sample value
  expectTransferEndedQuietly(4);
}

TEST_F(HistoryTransferAndSiteChange, AChangeBetweenBlocksAsksForNoFurtherBlock) {
  tick();
  set().Deferred = DeferredRequest::None;
  set().HistoryBlock = 1;
  controller->Getdata(Requester::HistoryView);
  directMatcher.deliver(historyReply(std::vector<int>(24, 1)));
  changeSiteTo(5);
  clock->advance(1000ms);
  expectTransferEndedQuietly(1);
}

// A site change ends the transfer even when the site chosen is the same:
// the request was taken back, and the operator asks again.
TEST_F(HistoryTransferAndSiteChange, ReselectingTheSameSiteEndsTheTransferToo) {
  receiveBlocks(3);
  changeSiteTo(0);
  directMatcher.deliver(historyReply(std::vector<int>(24, 4)));
  EXPECT_EQ(controller->data().history.minVoltage[12], 125);
  expectTransferEndedQuietly(4);
}

TEST_F(LinkControllerTest, ASiteChangeTakesBackTheSitesRequestButNotTheLogReading) {
  controls.logSite = 2;
  rebuild();
  tick();
  // A site change takes the request back, even if the operator returns to
  // the site before the reply comes: the request has ended.
  controller->Getdata(Requester::CurrentStateView);
  controller->siteselChanging();
  controller->controls().site = 4;
  controller->siteselChanging();
  controller->controls().site = 0;
  directMatcher.deliver(currentStateReply(17, {0x50, 0, 0, 0, 0, 0, 141, 120, 0, 0, 0, 0, 3}));
  EXPECT_EQ(controller->data().current.batteryVoltageReading, 24);
  EXPECT_EQ(views.lastStatus(), LinkStatus::RequestSent);

  controller->Getdata(Requester::MainWindow);  // the log site, whatever is selected
  controller->siteselChanging();
  controller->controls().site = 6;
  directMatcher.deliver(currentStateReply(0, {0x12, 0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(controller->data().LogReadingReady);
  EXPECT_EQ(controller->logReading().site, 2);
  EXPECT_EQ(controller->logReading().current.batteryVoltageReading, 0x1234);
}

// ---- The log reading's own record ----

TEST_F(LinkControllerTest, ALogReadingHasItsOwnRecordAndLeavesTheSelectedSiteAlone) {
  controls.site = 7;
  controls.logSite = 3;
  rebuild();
  tick();
  set().Deferred = DeferredRequest::None;
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.deliver(currentStateReply(2, {0x4B, 0, 0, 0x40, 0, 0, 141, 120, 0, 5, 0, 6, 3}));  // a 48 V site
  controller->Getdata(Requester::SettingsView);
  directMatcher.deliver(memoryReply(std::vector<int>(16, 150)));
  const SiteData selected = controller->data();
  views.enabledOptions.clear();
  views.calls.clear();

  controller->Getdata(Requester::MainWindow);
  ASSERT_EQ(lastSent(), frame(3, 'N'));
  directMatcher.deliver(currentStateReply(0, {0x12, 0x34, 0, 0x80, 1, 0, 140, 118, 0, 9, 0, 7, 70}));  // 12 V

  EXPECT_EQ(controller->data().scaling, selected.scaling);
  EXPECT_EQ(controller->data().scaling, (Scaling{4, 4, 1, false}));
  EXPECT_EQ(controller->data().current, selected.current);
  EXPECT_EQ(controller->data().settings, selected.settings);
  EXPECT_TRUE(views.enabledOptions.empty());  // the report options are the selected site's
  EXPECT_TRUE(views.calls.empty());

  const LogReading& log = controller->logReading();
  EXPECT_EQ(log.site, 3);
  EXPECT_EQ(log.scaling, (Scaling{1, 4, 1, false}));
  EXPECT_EQ(log.current.typeCode, 0);
  EXPECT_EQ(log.current.batteryVoltageReading, 0x1234);
  EXPECT_EQ(log.current.chargeCurrentReading, 0x80);
  EXPECT_EQ(log.current.dailyMaxVoltage, 140);
  EXPECT_EQ(log.current.stateCode, 6);

  tick();
  ASSERT_EQ(logWriter.readings.size(), 1u);
  EXPECT_EQ(logWriter.readings[0].site, 3);
  EXPECT_EQ(logWriter.readings[0].current, log.current);
  EXPECT_EQ(logWriter.readings[0].scaling, log.scaling);
}

TEST_F(LinkControllerTest, ALogReadingIsScaledAsTheCurrentStateWindowScalesTheSameSite) {
  controls.site = 2;
  controls.logSite = 2;
  rebuild();
  tick();
  set().Deferred = DeferredRequest::None;
  const std::vector<int> values{0xAE, 0x80, 0x01, 0x00, 0x02, 0x00, 141, 122, 0, 9, 0, 7, 3};
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.deliver(currentStateReply(14, values));  // a 24 V model on the alternate scale
  controller->Getdata(Requester::MainWindow);
  directMatcher.deliver(currentStateReply(14, values));

  EXPECT_EQ(controller->logReading().scaling, controller->data().scaling);
  EXPECT_EQ(controller->logReading().scaling, (Scaling{2, 1, 4, true}));
  tick();
  ASSERT_EQ(logWriter.readings.size(), 1u);
  EXPECT_EQ(logWriter.readings[0].scaling, controller->data().scaling);
}

// ---- The held line ----

TEST_F(LinkControllerTest, TheHeldLineIsBusyForEveryCallerUntilTheChainedRequest) {
  tick();
  controller->Getdata(Requester::SettingsView);
  directMatcher.deliver(currentStateReply(0, zeros(13)));
  ASSERT_TRUE(state().lineReserved());
  EXPECT_TRUE(state().requestBusy());
  EXPECT_TRUE(controller->lineBusy());
  set().BusyCountdown = 0;
  controller->Timer1Timer();  // the watchdog leaves a held line alone
  EXPECT_TRUE(state().requestBusy());

  clock->advance(1200ms);
  EXPECT_EQ(lastSent(), frame(0, '~'));
  EXPECT_TRUE(state().requestBusy());
  directMatcher.deliver(memoryReply(zeros(16)));
  EXPECT_FALSE(state().requestBusy());

  set().HistoryBlock = 1;
  controller->Getdata(Requester::HistoryView);
  directMatcher.deliver(historyReply(zeros(24)));
  EXPECT_TRUE(state().requestBusy());  // between two history blocks
  clock->advance(999ms);
  EXPECT_TRUE(state().requestBusy());
  clock->advance(1ms);
  EXPECT_EQ(lastSent(), frame(0, 0x21));
}

// ---- Bytes waiting before a request ----

TEST_F(LinkControllerTest, WaitingBytesAreDiscardedBeforeEveryRequestOnBothLinks) {
  tick();
  std::vector<std::string> dirtyAtSend;
  auto checkOnSend = [&](test::FakeLinkPort& port, test::FakeMatcher& matcher, const char* link) {
    port.onSend = [&port, &matcher, &dirtyAtSend, link] {
      if (port.unread > 0 || !matcher.collected.empty()) dirtyAtSend.emplace_back(link);
    };
  };
  checkOnSend(directPort, directMatcher, "direct");
  checkOnSend(modemPort, modemMatcher, "modem");

  directPort.open = true;
  directPort.unread = 2;
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.deliver(currentStateReply(0, zeros(13)));
  directPort.unread = 2;  // late bytes after the reply
  controller->Getdata(Requester::AlarmView);
  directMatcher.deliver(alarmReply(0, 16));

  set().DirectMode = false;
  set().ModemConnected = true;
  modemMatcher.enabled = true;  // the collector stays enabled after a packet
  modemMatcher.collect({0x0F, 0x0F});
  modemPort.unread = 1;
  controller->Getdata(Requester::CurrentStateView);

  EXPECT_EQ(directPort.sent.size(), 2u);
  EXPECT_EQ(modemPort.sent.size(), 1u);
  EXPECT_TRUE(modemMatcher.enabled);
  EXPECT_EQ(dirtyAtSend, std::vector<std::string>{});
}

TEST_F(LinkControllerTest, CalibrationIsNeverDeferred) {
  tick();
  controller->Getdata(Requester::CalibrationButton);
  EXPECT_EQ(lastSent(), frame(0, '}'));
  EXPECT_EQ(static_cast<int>(state().deferredRequest()), 3);
}

TEST_F(LinkControllerTest, HistoryTransferFetchesEightBlocksASecondApart) {
  tick();
  set().HistoryBlock = 1;
  controller->Getdata(Requester::HistoryView);
  EXPECT_EQ(lastSent(), frame(0, 'N'));  // deferred behind a current-state read
  directMatcher.deliver(currentStateReply(0, zeros(13)));
  clock->advance(1200ms);

  for (int block = 1; block <= 8; ++block) {
    ASSERT_EQ(lastSent(), frame(0, 0x1F + block)) << "block " << block;
    std::vector<int> p = zeros(24);
    p[2] = block;  // charge Ah low byte of the block's first day
    directMatcher.deliver(historyReply(p));
    const auto sentBefore = directPort.sent.size();
    clock->advance(999ms);
    EXPECT_EQ(directPort.sent.size(), sentBefore);
    clock->advance(1ms);
  }
  EXPECT_EQ(directPort.sent.size(), 9u);
  EXPECT_EQ(state().historyBlock(), 0);
  EXPECT_FALSE(controller->lineBusy());
  EXPECT_EQ(views.progress.back(), -1);
  EXPECT_TRUE(views.called("hideHistoryWait"));
  for (int block = 1; block <= 8; ++block)
    EXPECT_EQ(controller->data().history.chargeAh[static_cast<std::size_t>(4 * (block - 1))], block);
}

TEST_F(LinkControllerTest, ATimeOutInTheMiddleEndsTheHistoryTransfer) {
  tick();
  set().Deferred = DeferredRequest::None;
  set().HistoryBlock = 1;
  controller->Getdata(Requester::HistoryView);
  for (int block = 1; block <= 4; ++block) {
    directMatcher.deliver(historyReply(std::vector<int>(24, 0)));
    clock->advance(1000ms);
  }
  EXPECT_EQ(lastSent(), frame(0, 0x24));
  views.calls.clear();
  timeOut();

  EXPECT_EQ(state().historyBlock(), 0);
  EXPECT_TRUE(views.called("hideHistoryWait"));
  EXPECT_TRUE(views.called("drawgraph"));
  EXPECT_EQ(views.statuses.back(), LinkStatus::CommFail);
  EXPECT_EQ(controller->data().history.chargeAh[15], 0);      // block 4 arrived
  EXPECT_EQ(controller->data().history.chargeAh[16], 650);    // block 5 still the sample
}

TEST_F(LinkControllerTest, TimeOutShowsDataTimeoutThenCommFailWithOneBeep) {
  tick();
  controller->Getdata(Requester::CurrentStateView);
  feedback.beeps = 0;
  views.statuses.clear();
  timeOut();
  EXPECT_EQ(views.statuses, (std::vector{LinkStatus::DataTimeout, LinkStatus::CommFail}));
  EXPECT_EQ(feedback.beeps, 1);
  EXPECT_FALSE(state().requestBusy());
  EXPECT_TRUE(views.called("hideCurrentStateWait"));
  EXPECT_TRUE(views.called("labelupdate"));
}

TEST_F(LinkControllerTest, FailedRequestsCleanUpByKind) {
  tick();
  set().Deferred = DeferredRequest::None;
  controller->Getdata(Requester::SettingsView);
  timeOut();
  EXPECT_TRUE(controller->data().SettingsRead);  // not read again on the next showing

  controller->Getdata(Requester::CalibrationButton);
  timeOut();
  EXPECT_TRUE(controller->data().CalibrationRead);

  controller->Getdata(Requester::AlarmView);
  set().AlarmDialActive = true;
  timeOut();
  EXPECT_FALSE(views.alarmPending.back());
  EXPECT_FALSE(state().alarmDialActive());

  set().LogDialActive = true;
  controller->Getdata(Requester::MainWindow);
  timeOut();
  EXPECT_FALSE(state().logDialActive());
  EXPECT_FALSE(state().hangupRequested());  // the line was idle: no call to end
}

TEST_F(LinkControllerTest, ATimeOutDuringALogCallHangsUp) {
  tick();
  set().LineIdle = false;
  set().LogDialActive = true;
  controller->Getdata(Requester::MainWindow);
  timeOut();
  EXPECT_TRUE(state().hangupRequested());
  EXPECT_FALSE(state().logDialActive());
}

TEST_F(LinkControllerTest, APortThatWillNotOpenFailsTheRequest) {
  directPort.failOpen = true;
  tick();
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_TRUE(directPort.sent.empty());
  EXPECT_EQ(views.statuses,
            (std::vector{LinkStatus::PortSetException, LinkStatus::CantOpenPort, LinkStatus::CommFail}));
  EXPECT_EQ(feedback.beeps, 3);
  EXPECT_FALSE(controller->lineBusy());
}

TEST_F(LinkControllerTest, AFailedSendEndsTheRequestInsteadOfWaiting) {
  tick();
  directPort.open = true;
  directPort.failSend = true;
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_FALSE(state().requestBusy());
  EXPECT_FALSE(directMatcher.enabled);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);
}

TEST_F(LinkControllerTest, ModemLinkSendsOnTheModemPortOnlyWhenConnected) {
  tick();
  set().DirectMode = false;
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_TRUE(modemPort.sent.empty());
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);

  set().ModemConnected = true;
  controller->Getdata(Requester::CurrentStateView);
  ASSERT_EQ(modemPort.sent.size(), 1u);
  EXPECT_TRUE(directPort.sent.empty());
  EXPECT_TRUE(modemMatcher.enabled);
  EXPECT_EQ(modemMatcher.packetSize, 27);
  modemMatcher.deliver(currentStateReply(1, zeros(13)));
  EXPECT_EQ(controller->data().scaling.voltageMultiplier, 2);
}

TEST_F(LinkControllerTest, CurrentStateReplyIsStoredShownAndBeepedTwice) {
  tick();
  controller->Getdata(Requester::CurrentStateView);
  feedback.beeps = 0;
  directMatcher.deliver(currentStateReply(14, {0x1E, 0, 0, 0, 0, 0, 141, 120, 0, 0, 0, 0, 3}));
  EXPECT_EQ(controller->data().current.batteryVoltageReading, 0x1E00);
  EXPECT_EQ(controller->data().scaling.loadCurrentMultiplier, 4);
  EXPECT_EQ(feedback.beeps, 2);
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
  EXPECT_TRUE(views.called("labelupdate"));
  EXPECT_EQ(views.enabledOptions, std::vector{SaveOption::CurrentState});
}

TEST_F(LinkControllerTest, AReplyThatFailsItsCheckIsNotStoredAndReadErrorStays) {
  tick();
  controller->Getdata(Requester::CurrentStateView);
  feedback.beeps = 0;
  auto reply = currentStateReply(2, {0x50, 0, 0, 0, 0, 0, 141, 120, 0, 0, 0, 0, 3});
  reply[1] = 0x35;  // byte 1 carries a wrong tag
  directMatcher.deliver(reply);

  EXPECT_EQ(views.lastStatus(), LinkStatus::ReadError);
  EXPECT_EQ(feedback.beeps, 1);
  EXPECT_EQ(controller->data().current.batteryVoltageReading, 24);
  EXPECT_EQ(controller->data().scaling.voltageMultiplier, 4);
  EXPECT_EQ(controller->data().scaling.loadCurrentMultiplier, 0);
  EXPECT_TRUE(views.called("hideCurrentStateWait"));
  EXPECT_TRUE(views.enabledOptions.empty());
  EXPECT_TRUE(state().settling()) << "the rest of a damaged reply may still come";
  clock->advance(controller->guardTime());
  EXPECT_FALSE(controller->lineBusy());
  EXPECT_EQ(static_cast<int>(state().deferredRequest()), 3);  // a failed current-state read issues nothing
}

TEST_F(LinkControllerTest, ReadErrorsEndEachKindAsAFailedRequest) {
  tick();
  set().Deferred = DeferredRequest::None;
  controller->Getdata(Requester::SettingsView);
  auto settings = memoryReply(std::vector<int>(16, 0x77));
  settings[0] = 0x51;
  directMatcher.deliver(settings);
  EXPECT_EQ(views.lastStatus(), LinkStatus::ReadError);
  EXPECT_EQ(controller->data().settings[BoostMaximumVoltage], 0);
  EXPECT_TRUE(controller->data().SettingsRead);
  EXPECT_TRUE(views.called("setdisplay")) << "the editor shows that the reading failed";
  EXPECT_EQ(controller->data().origins.settings.failedSite, controller->controls().site);
  clock->advance(controller->guardTime());

  set().HistoryBlock = 1;
  controller->Getdata(Requester::HistoryView);
  auto history = historyReply(std::vector<int>(24, 1));
  history[48] = 0x01;
  directMatcher.deliver(history);
  EXPECT_EQ(state().historyBlock(), 0);
  clock->advance(controller->guardTime());
  EXPECT_FALSE(controller->lineBusy());
  EXPECT_EQ(controller->data().history.minVoltage[0], 125);
  clock->advance(5s);
  EXPECT_EQ(directPort.sent.size(), 2u);  // the transfer did not go on

  controller->Getdata(Requester::AlarmView);
  auto alarms = alarmReply(0, 0);
  alarms[2] = 0xF0;
  directMatcher.deliver(alarms);
  EXPECT_FALSE(views.alarmPending.back());
  EXPECT_EQ(controller->data().alarms.state[3], 0);
  clock->advance(controller->guardTime());

  set().LineIdle = false;
  set().LogDialActive = true;
  controller->Getdata(Requester::MainWindow);
  auto log = currentStateReply(0x25, zeros(13));
  directMatcher.deliver(log);
  EXPECT_FALSE(controller->data().LogReadingReady);
  EXPECT_TRUE(state().hangupRequested());  // the call is not left open
  tick();
  EXPECT_EQ(logWriter.entries, 0);
}

TEST_F(LinkControllerTest, AlarmReplyFlashesChangesAndEndsTheAlarmCall) {
  tick();
  set().AlarmDialActive = true;
  controller->Getdata(Requester::AlarmView);
  directMatcher.deliver(alarmReply(1, 16 | 2));
  const AlarmRecord& alarms = controller->data().alarms;
  EXPECT_NE(alarms.state[0], 0);
  EXPECT_NE(alarms.state[6], 0);
  EXPECT_EQ(alarms.flash[0], 1);
  EXPECT_EQ(alarms.flash[6], 1);
  EXPECT_EQ(alarms.flash[1], 0);
  EXPECT_TRUE(state().hangupRequested());
  EXPECT_FALSE(state().alarmDialActive());
  EXPECT_FALSE(views.alarmPending.back());
  EXPECT_TRUE(views.called("repaintAlarmStatus"));
}

TEST_F(LinkControllerTest, LogReadingIsWrittenOnTheNextTick) {
  controls.logSite = 2;
  controls.site = 7;
  rebuild();
  tick();
  controller->Getdata(Requester::MainWindow);
  EXPECT_EQ(lastSent(), frame(2, 'N'));
  feedback.beeps = 0;
  directMatcher.deliver(currentStateReply(2, zeros(13)));
  EXPECT_EQ(feedback.beeps, 1);
  EXPECT_TRUE(controller->data().LogReadingReady);
  EXPECT_FALSE(views.called("labelupdate"));
  tick();
  EXPECT_EQ(logWriter.entries, 1);
  EXPECT_FALSE(controller->data().LogReadingReady);
  tick();
  EXPECT_EQ(logWriter.entries, 1);
}

TEST_F(LinkControllerTest, WatchdogEndsAStuckRequestAsATimeOutOnTheEleventhTick) {
  tick();
  controller->Getdata(Requester::CurrentStateView);
  for (int i = 0; i < 10; ++i) tick();
  EXPECT_TRUE(state().requestBusy());
  tick();
  EXPECT_EQ(views.statuses.back(), LinkStatus::CommFail) << "the request ends with an outcome";
  EXPECT_FALSE(controller->awaiting(RequestKind::CurrentState));
  clock->advance(controller->guardTime());
  EXPECT_FALSE(state().requestBusy());
}

TEST_F(LinkControllerTest, PeriodicLogFallsOnHourBoundaries) {
  controls.periodicLogging = true;
  controls.rateHours = 2;
  rebuild({2026, 12, 7, 10, 30, 0});
  std::vector<LocalTime> readings;
  for (int second = 0; second < 5 * 3600; ++second) {
    const auto before = directPort.sent.size();
    const LocalTime now = clock->localNow();
    tick();
    if (directPort.sent.size() > before) {
      readings.push_back(now);
      directMatcher.deliver(currentStateReply(2, zeros(13)));
    }
  }
  ASSERT_EQ(readings.size(), 3u);
  for (std::size_t i = 0; i < readings.size(); ++i) {
    EXPECT_EQ(readings[i].hour, 11 + 2 * static_cast<int>(i));
    EXPECT_EQ(readings[i].minute, 0);
    EXPECT_EQ(readings[i].second, 0);
  }
  EXPECT_EQ(logWriter.entries, 3);
}

TEST_F(LinkControllerTest, AnHourChangeOnABusyLinkIsRetriedNextTick) {
  controls.periodicLogging = true;
  controls.rateHours = 1;
  rebuild({2026, 12, 7, 10, 59, 58});
  tick();  // 10:59:58, counts hour 10
  controller->Getdata(Requester::CurrentStateView);
  tick();  // 10:59:59
  const auto before = directPort.sent.size();
  tick();  // 11:00:00 finds the line busy
  EXPECT_EQ(directPort.sent.size(), before);
  directMatcher.deliver(currentStateReply(0, zeros(13)));  // hour 10's log reading
  directMatcher.deliver(currentStateReply(0, zeros(13)));  // the current state, which waited its turn
  tick();  // 11:00:01
  ASSERT_EQ(directPort.sent.size(), before + 2);
  EXPECT_EQ(lastSent(), frame(0, 'N'));
  EXPECT_EQ(state().requestKind(), RequestKind::LogCurrentState);
}

TEST_F(LinkControllerTest, LoweringTheRateShortensTheWaitAtOnce) {
  controls.periodicLogging = true;
  controls.rateHours = 10;
  rebuild();
  tick();  // shows 10, then the first hour change takes it to 9
  EXPECT_EQ(views.hoursToLog, 10);
  EXPECT_EQ(state().hoursToLog(), 9);
  EXPECT_TRUE(views.rateEditable);
  controller->controls().rateHours = 3;
  tick();
  EXPECT_EQ(views.hoursToLog, 3);
  controller->controls().rateHours = 20;
  tick();
  EXPECT_EQ(views.hoursToLog, 3);
}

TEST_F(LinkControllerTest, LogByDialupDialsInsteadOfReading) {
  controls.periodicLogging = true;
  controls.rateHours = 2;
  controls.logByDialup = true;
  controls.logNumber = "5551234";
  rebuild({2026, 12, 7, 10, 59, 59});
  tick();
  tick();
  ASSERT_EQ(dial.dials.size(), 1u);
  EXPECT_EQ(dial.dials[0].reason, DialReason::Log);
  EXPECT_EQ(dial.dials[0].number, "5551234");
  EXPECT_TRUE(directPort.sent.empty());
  EXPECT_GE(dial.ticks, 2);

  // The next log falls due while that call's retry window is still open: the
  // remote site is not read over the direct line, where another site answers.
  controller->setDialPending(DialReason::Log, true);
  for (int hour = 0; hour < controls.rateHours; ++hour) {
    clock->advance(1h);
    tick();
  }
  EXPECT_TRUE(directPort.sent.empty());
  EXPECT_EQ(dial.dials.size(), 1u);
}

TEST_F(LinkControllerTest, AlarmPollEverySecondMinuteChange) {
  controls.alarmRateIndex = 1;
  rebuild({2026, 12, 7, 10, 30, 0});
  std::vector<LocalTime> polls;
  for (int second = 0; second < 6 * 60; ++second) {
    const auto before = directPort.sent.size();
    const LocalTime now = clock->localNow();
    tick();
    if (directPort.sent.size() > before) {
      EXPECT_EQ(lastSent(), frame(0, 'V'));
      EXPECT_TRUE(views.alarmPending.back());
      polls.push_back(now);
      directMatcher.deliver(alarmReply(0, 16));
    }
  }
  ASSERT_EQ(polls.size(), 3u);
  EXPECT_EQ(polls[0].minute, 31);
  EXPECT_EQ(polls[1].minute, 33);
  EXPECT_EQ(polls[2].minute, 35);
  for (const auto& p : polls) EXPECT_EQ(p.second, 0);
}

TEST_F(LinkControllerTest, AMinuteChangeOnABusyLinkIsRetried) {
  controls.alarmRateIndex = 1;
  rebuild({2026, 12, 7, 10, 30, 58});
  tick();  // 10:30:58 counts one minute change
  tick();
  controller->Getdata(Requester::CurrentStateView);
  tick();  // 10:31:00 meets a busy line
  EXPECT_EQ(lastSent(), frame(0, 'N'));
  directMatcher.deliver(currentStateReply(0, zeros(13)));
  tick();
  EXPECT_EQ(lastSent(), frame(0, 'V'));
}

TEST_F(LinkControllerTest, AlarmDialDialsWhenNotConnected) {
  controls.alarmRateIndex = 1;
  controls.alarmDial = true;
  controls.alarmDialNumber = "777";
  rebuild({2026, 12, 7, 10, 30, 59});
  tick();
  tick();
  ASSERT_EQ(dial.dials.size(), 1u);
  EXPECT_EQ(dial.dials[0].reason, DialReason::Alarm);
  EXPECT_EQ(dial.dials[0].number, "777");
}

TEST_F(LinkControllerTest, StatusPanelsShowTheSelectedLink) {
  controls.directPortIndex = 0;
  controls.baudIndex = 1;
  controls.modemPortIndex = 3;
  rebuild();
  tick();
  EXPECT_EQ(views.comNumber, 1);
  EXPECT_EQ(views.baud, 300);
  set().DirectMode = false;
  tick();
  EXPECT_EQ(views.comNumber, 4);
  EXPECT_EQ(views.baud, 2400);
  EXPECT_EQ(views.clock.hour, 10);
}

TEST_F(LinkControllerTest, NothingGoesOutAfterShutDownNotEvenAWaitingChainedRequest) {
  tick();
  controller->Getdata(Requester::SettingsView);
  directMatcher.deliver(currentStateReply(0, zeros(13)));
  controller->shutDown();
  directPort.open = false;
  clock->advance(2s);
  controller->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(directPort.sent.size(), 1u);
  EXPECT_EQ(directPort.opens, 1);
  EXPECT_FALSE(controller->lineBusy());
}

TEST_F(LinkControllerTest, AChainedRequestAfterTheControllerIsGoneDoesNothing) {
  tick();
  controller->Getdata(Requester::SettingsView);
  directMatcher.deliver(currentStateReply(0, zeros(13)));
  controller.reset();
  clock->advance(2s);
  EXPECT_EQ(directPort.sent.size(), 1u);
}

}  // namespace
}  // namespace solwire
