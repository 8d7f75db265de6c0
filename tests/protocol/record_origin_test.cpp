// Where each record of the site data model came from, as the link stamps it:
// the site and local time of the reply stored, a failed reading marked on the
// values kept, and how that stands for the site selected now.
#include "protocol/record_origin.h"
#include "tests/support/link_state_access.h"

#include <gtest/gtest.h>

#include <memory>

#include "protocol/link_controller.h"
#include "protocol/record_stamps.h"
#include "protocol/virtual_clock.h"
#include "tests/support/link_fakes.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

const LocalTime kStart{2026, 3, 9, 14, 2, 11};

TEST(RecordStanding, ForTheSelectedSite) {
  const RecordOrigin readAtTwo = RecordOrigin::read(2, kStart);
  EXPECT_EQ(recordStanding(readAtTwo, 2), RecordStanding::Current);
  EXPECT_EQ(recordStanding(readAtTwo, 3), RecordStanding::FromOtherSite);
  EXPECT_EQ(recordStanding(RecordOrigin::sample(), 0), RecordStanding::Sample);
  EXPECT_EQ(recordStanding(RecordOrigin::notRead(), 0), RecordStanding::NotRead);

  RecordOrigin failed = readAtTwo;
  failed.failedSite = 2;
  EXPECT_EQ(recordStanding(failed, 2), RecordStanding::LastReadingFailed);
  // Site 5's failure is no concern of site 2's values seen from site 2 or 3.
  failed.failedSite = 5;
  EXPECT_EQ(recordStanding(failed, 2), RecordStanding::Current);
  EXPECT_EQ(recordStanding(failed, 3), RecordStanding::FromOtherSite);
  EXPECT_EQ(recordStanding(failed, 5), RecordStanding::LastReadingFailed);
}

TEST(RecordStamps, AHistoryBlockStampsItsFourDaysAndAFailureMarksTheRest) {
  RecordOrigins origins;
  stampRead(origins, RequestKind::HistoryBlock, 3, 1, kStart);
  EXPECT_EQ(origins.historyDays[7], RecordOrigin::sample());
  for (int day = 8; day < 12; ++day) EXPECT_EQ(origins.historyDays[static_cast<std::size_t>(day)], RecordOrigin::read(1, kStart));
  EXPECT_EQ(origins.historyDays[12], RecordOrigin::sample());

  markReadFailed(origins, RequestKind::HistoryBlock, 4, 1);
  EXPECT_EQ(origins.historyDays[11].failedSite, kNoSite);
  for (int day = 12; day < kHistoryDays; ++day)
    EXPECT_EQ(origins.historyDays[static_cast<std::size_t>(day)].failedSite, 1) << "day " << day;
  // A finished transfer (block 9) or none (block 0) leaves every day alone.
  const RecordOrigins before = origins;
  markReadFailed(origins, RequestKind::HistoryBlock, 9, 2);
  markReadFailed(origins, RequestKind::HistoryBlock, 0, 2);
  EXPECT_TRUE(origins.historyDays == before.historyDays);
}

TEST(RecordStamps, ALogReadingTouchesNoRecordOfTheSelectedSite) {
  RecordOrigins origins;
  stampRead(origins, RequestKind::LogCurrentState, 0, 4, kStart);
  markReadFailed(origins, RequestKind::LogCurrentState, 0, 4);
  EXPECT_EQ(origins.current, RecordOrigin::sample());
  EXPECT_EQ(origins.settings, RecordOrigin::notRead());
}

class LinkStampsRecords : public ::testing::Test {
 protected:
  LinkStampsRecords() {
    clock = std::make_unique<VirtualClock>(kStart);
    controller = std::make_unique<LinkController>(
        LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher},
        LinkServices{*clock, views, feedback, logWriter, dial}, LinkControls{}, startValues(4, 1));
    controller->Timer1Timer();  // ends the start-up hold
  }

  const RecordOrigins& origins() const { return controller->data().origins; }
  void selectSite(int site) {
    controller->siteselChanging();
    controller->controls().site = site;
  }
  // A history transfer at the selected site, its current-state read done.
  void startHistoryTransfer() {
    LinkStateAccess::of(*controller).Deferred = DeferredRequest::None;
    LinkStateAccess::of(*controller).HistoryBlock = 1;
    controller->Getdata(Requester::HistoryView);
  }
  void deliverHistoryBlocks(int blocks) {
    for (int block = 1; block <= blocks; ++block) {
      directMatcher.deliver(test::historyReply(std::vector<int>(24, block)));
      clock->advance(1000ms);
    }
  }

  test::FakeLinkPort directPort;
  test::FakeLinkPort modemPort;
  test::FakeMatcher directMatcher;
  test::FakeMatcher modemMatcher;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  test::RecordingDialSupervisor dial;
  std::unique_ptr<VirtualClock> clock;
  std::unique_ptr<LinkController> controller;
};

TEST_F(LinkStampsRecords, AtStartEveryRecordSaysItWasNeverRead) {
  EXPECT_EQ(origins().current, RecordOrigin::sample());
  EXPECT_EQ(origins().historyDays[31], RecordOrigin::sample());
  EXPECT_EQ(origins().settings, RecordOrigin::notRead());
  EXPECT_EQ(origins().calibration, RecordOrigin::notRead());
  EXPECT_EQ(origins().alarms, RecordOrigin::notRead());
}

TEST_F(LinkStampsRecords, EachReplyStampsItsRecordWithTheRequestSiteAndTheClock) {
  selectSite(2);
  controller->Getdata(Requester::CurrentStateView);
  clock->advance(3s);
  directMatcher.deliver(test::currentStateReply(2, std::vector<int>(13, 0)));
  const LocalTime replyTime{2026, 3, 9, 14, 2, 14};
  EXPECT_EQ(origins().current, RecordOrigin::read(2, replyTime, 4));  // type 2: the 48 V class

  clock->advance(2s);
  controller->Getdata(Requester::SettingsView);
  ASSERT_EQ(directPort.sent.back(), requestFrame(RequestKind::Settings, 2, 0));
  directMatcher.deliver(test::memoryReply(std::vector<int>(16, 0)));
  EXPECT_EQ(origins().settings, RecordOrigin::read(2, {2026, 3, 9, 14, 2, 16}, 4)) << "with its own site's class";

  controller->Getdata(Requester::AlarmView);
  directMatcher.deliver(test::alarmReply(0, 16));
  EXPECT_EQ(origins().alarms.site, 2);
  EXPECT_EQ(origins().calibration, RecordOrigin::notRead());
}

TEST_F(LinkStampsRecords, AFailedReadingKeepsTheValuesAndMarksTheRecord) {
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.deliver(test::currentStateReply(2, {30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const CurrentStateRecord read = controller->data().current;

  clock->advance(5s);
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.timeOutNow();
  clock->advance(controller->guardTime());  // the line falls quiet
  EXPECT_EQ(controller->data().current, read);
  EXPECT_EQ(origins().current.site, 0);
  EXPECT_EQ(origins().current.readAt, kStart);
  EXPECT_EQ(recordStanding(origins().current, 0), RecordStanding::LastReadingFailed);

  // The next good reading clears the mark.
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.deliver(test::currentStateReply(2, std::vector<int>(13, 0)));
  EXPECT_EQ(recordStanding(origins().current, 0), RecordStanding::Current);

  // A reply that fails its check and an alarm poll with no reply mark theirs.
  controller->Getdata(Requester::AlarmView);
  directMatcher.deliver(test::memoryReply(std::vector<int>(16, 0)));
  EXPECT_EQ(recordStanding(origins().alarms, 0), RecordStanding::LastReadingFailed);
  EXPECT_EQ(origins().alarms.source, RecordSource::NotRead);
}

TEST_F(LinkStampsRecords, ARequestThatCannotGoOutMarksTheSiteItWasFor) {
  directPort.failOpen = true;
  selectSite(6);
  controller->Getdata(Requester::CalibrationButton);
  EXPECT_EQ(recordStanding(origins().calibration, 6), RecordStanding::LastReadingFailed);
  EXPECT_EQ(recordStanding(origins().calibration, 0), RecordStanding::NotRead);
}

TEST_F(LinkStampsRecords, ALateReplyOfTheOldSiteLeavesTheRecordAsItWas) {
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.deliver(test::currentStateReply(2, std::vector<int>(13, 0)));
  clock->advance(5s);
  controller->Getdata(Requester::CurrentStateView);
  selectSite(5);
  directMatcher.deliver(test::currentStateReply(2, std::vector<int>(13, 9)));

  EXPECT_EQ(origins().current, RecordOrigin::read(0, kStart, 4));
  EXPECT_EQ(recordStanding(origins().current, 5), RecordStanding::FromOtherSite);
  EXPECT_EQ(recordStanding(origins().current, 0), RecordStanding::Current);
}

TEST_F(LinkStampsRecords, ASiteChangeMidTransferLeavesDaysOfTheOldSiteAndMarksTheUnreadOnes) {
  startHistoryTransfer();
  deliverHistoryBlocks(3);
  selectSite(3);
  directMatcher.deliver(test::historyReply(std::vector<int>(24, 77)));  // block 4, late

  ASSERT_EQ(controller->state().historyBlock(), 0);
  for (int day = 0; day < 12; ++day) {
    const RecordOrigin& origin = origins().historyDays[static_cast<std::size_t>(day)];
    EXPECT_EQ(origin.site, 0) << "day " << day;
    EXPECT_EQ(recordStanding(origin, 3), RecordStanding::FromOtherSite) << "day " << day;
  }
  for (int day = 12; day < kHistoryDays; ++day) {
    const RecordOrigin& origin = origins().historyDays[static_cast<std::size_t>(day)];
    EXPECT_EQ(recordStanding(origin, 3), RecordStanding::Sample) << "day " << day;
    EXPECT_EQ(recordStanding(origin, 0), RecordStanding::LastReadingFailed) << "day " << day;
  }
}

TEST_F(LinkStampsRecords, ATimedOutBlockMarksItsDaysAndTheRestFailed) {
  startHistoryTransfer();
  deliverHistoryBlocks(8);
  clock->advance(60s);
  startHistoryTransfer();
  deliverHistoryBlocks(5);
  directMatcher.timeOutNow();
  clock->advance(controller->guardTime());  // the line falls quiet

  const LocalTime secondTransfer = origins().historyDays[0].readAt;
  EXPECT_NE(secondTransfer, kStart);
  EXPECT_EQ(recordStanding(origins().historyDays[19], 0), RecordStanding::Current);
  EXPECT_EQ(origins().historyDays[20].readAt, LocalTime({2026, 3, 9, 14, 2, 16}));  // the first transfer's
  EXPECT_EQ(recordStanding(origins().historyDays[20], 0), RecordStanding::LastReadingFailed);
  EXPECT_EQ(recordStanding(origins().historyDays[31], 0), RecordStanding::LastReadingFailed);
}

}  // namespace
}  // namespace solwire
