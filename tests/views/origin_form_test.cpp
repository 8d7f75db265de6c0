// The data windows say whose values they show and how old they are: after a
// site change the previous site's values stay on view, greyed and named as
// that site's; a failed reading is said as such; a history transfer broken by
// a site change shows which days came from where.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>

#include "tests/views/view_harness.h"
#include "protocol/status_messages.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/graph_form.h"
#include "views/graph_rules.h"
#include "views/origin_label.h"

namespace solwire {
namespace {

constexpr int kSiteWithoutRegulator = 5;

std::string text(const QLabel* label) { return label->text().toStdString(); }
bool greyed(const QWidget* widget) { return widget->palette().color(QPalette::WindowText) == QColor(128, 128, 128); }

std::string at(const LocalTime& time) { return " \u00b7 " + localeTimeText(time); }

TEST(CurrentStateOrigin, ASiteChangeKeepsTheOldValuesGreyedAndAFailedReadingSaysSo) {
  test::ViewHarness harness;
  TCurrentform form(harness.controller());
  harness.views.on.labelupdate = [&form] { form.labelupdate(); };
  harness.views.on.hideCurrentStateWait = [&form] { form.hideCurrentStateWait(); };
  form.FormClick();
  ASSERT_TRUE(harness.settle());
  const LocalTime readAt = harness.controller().data().origins.current.readAt;
  EXPECT_EQ(text(form.originlab), "Site 0" + at(readAt));
  EXPECT_FALSE(greyed(form.batvlab));
  const std::string volts = text(form.batvlab);

  harness.selectSite(kSiteWithoutRegulator);
  form.labelupdate();  // the main window's answer to the site selector
  EXPECT_EQ(text(form.originlab), "from site 0" + at(readAt));
  EXPECT_EQ(text(form.batvlab), volts);
  EXPECT_TRUE(greyed(form.batvlab));
  EXPECT_TRUE(greyed(form.originlab));

  form.FormClick();
  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_EQ(harness.views.lastStatus(), LinkStatus::CommFail);
  EXPECT_EQ(text(form.originlab), "last reading failed \u00b7 from site 0" + at(readAt));
  EXPECT_TRUE(greyed(form.batvlab));

  form.applyLanguage(Language::Chinese, form.font());
  EXPECT_EQ(text(form.originlab), "上次读取失败 \u00b7 来自站位 0" + at(readAt));
}

TEST(CurrentStateOrigin, BeforeTheFirstReadingTheValuesAreTheSample) {
  test::ViewHarness harness;
  TCurrentform form(harness.controller());
  EXPECT_EQ(text(form.originlab), "sample");
  EXPECT_TRUE(greyed(form.batvlab));
}

class HistoryOriginTest : public ::testing::Test {
 protected:
  HistoryOriginTest() {
    form = new Tgraphform(harness.controller());
    QPointer<Tgraphform> window(form);
    auto& on = harness.views.on;
    on.drawgraph = [window] { if (window) window->drawgraph(); };
    on.hideHistoryWait = [window] { if (window) window->hideHistoryWait(); };
    on.hideCurrentStateWait = [window] { if (window) window->hideCurrentStateWait(); };
  }
  ~HistoryOriginTest() override { delete form; }

  // Site 0's transfer runs through block 3; the operator then chooses site 3.
  void breakTransferAfterThreeBlocks() {
    form->FormActivate();
    ASSERT_TRUE(harness.awaitReply());  // the current-state read first
    harness.passChainedWait();
    for (int block = 1; block <= 2; ++block) {
      ASSERT_TRUE(harness.awaitReply());
      harness.passChainedWait();
    }
    ASSERT_TRUE(harness.awaitReply());  // block 3 is in; the line is held before block 4
    harness.selectSite(3);
    harness.passChainedWait();
    form->drawgraph();  // as the main window redraws its windows once the site has changed
    ASSERT_FALSE(form->waiting());
  }
  LocalTime readAtOfDay(int day) const {
    return harness.controller().data().origins.historyDays[static_cast<std::size_t>(day - 1)].readAt;
  }
  // Whether the first-series bar of `day` (1..32) shows white between its
  // hatching lines.
  bool barHatched(int day) {
    harness.processEvents();
    const QImage image = form->grab().toImage();
    const int left = kChartX0 + kDayPitch * (day - 1) + 3;
    for (int x = left; x < left + 5; ++x)
      for (int y = kChartY0 - 20; y < kChartY0 - 2; ++y)
        if (image.pixelColor(x, y) == QColor(Qt::white)) return true;
    return false;
  }

  test::ViewHarness harness;
  Tgraphform* form = nullptr;
};

TEST_F(HistoryOriginTest, ATransferBrokenByASiteChangeTellsWhichDaysCameFromWhere) {
  breakTransferAfterThreeBlocks();
  EXPECT_EQ(text(form->originlab), "days 1-12: from site 0" + at(readAtOfDay(12)) + "; days 13-32: sample");
  EXPECT_TRUE(greyed(form->originlab));
  EXPECT_FALSE(form->hatchlab->isHidden());
  EXPECT_EQ(text(form->hatchlab), "Hatched: not read from this site");
  EXPECT_TRUE(barHatched(1));   // site 0's day, shown under site 3
  EXPECT_TRUE(barHatched(13));  // the sample

  harness.selectSite(0);
  form->drawgraph();  // the main window's answer to the site selector
  EXPECT_EQ(text(form->originlab),
            "days 1-12: Site 0" + at(readAtOfDay(12)) + "; days 13-32: last reading failed \u00b7 sample");
  EXPECT_FALSE(barHatched(1));
  EXPECT_TRUE(barHatched(13));
}

TEST_F(HistoryOriginTest, AWholeTransferOfTheSelectedSiteIsOneLineAndNothingIsHatched) {
  form->FormActivate();
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(text(form->originlab), "Site 0" + at(readAtOfDay(32)));
  EXPECT_FALSE(greyed(form->originlab));
  EXPECT_TRUE(form->hatchlab->isHidden());
  EXPECT_FALSE(barHatched(1));
  EXPECT_FALSE(barHatched(32));
}

TEST(AlarmOrigin, AnotherSitesAlarmStatesAreNamedAndAFailedPollSaysSo) {
  test::ViewHarness harness;
  Configuration stored;
  TAssignform assign(harness.controller(), stored);
  TAlarmform form(harness.controller(), harness.feedback, assign, stored);
  form.Timer1->stop();
  harness.views.on.repaintAlarmStatus = [&form] { form.repaintAlarmStatus(); };
  harness.views.on.setAlarmPollPending = [&form](bool pending) { form.setAlarmPollPending(pending); };
  EXPECT_EQ(text(form.originlab), "not read");

  form.AlarmstatusbarClick();
  ASSERT_TRUE(harness.settle());
  const LocalTime readAt = harness.controller().data().origins.alarms.readAt;
  EXPECT_EQ(text(form.originlab), "Site 0" + at(readAt));
  EXPECT_FALSE(greyed(form.originlab));

  harness.selectSite(kSiteWithoutRegulator);
  form.repaintAlarmStatus();  // the main window's answer to the site selector
  EXPECT_EQ(text(form.originlab), "from site 0" + at(readAt));
  EXPECT_TRUE(greyed(form.originlab));

  form.AlarmstatusbarClick();
  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_EQ(text(form.originlab), "last reading failed \u00b7 from site 0" + at(readAt));
  harness.views.on = {};
}

}  // namespace
}  // namespace solwire
