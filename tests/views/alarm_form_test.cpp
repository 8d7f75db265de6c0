// The alarm panel on the simulated line, through the real serial stack: a new
// alarm flashes and beeps until it is acknowledged, the right-click menu
// enables and reassigns, and readings that end early (site change, busy or
// held line, a poll that cannot go out) never leave the caption red.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "tests/views/view_harness.h"
#include "protocol/status_messages.h"
#include "tests/support/link_state_access.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class AlarmFormTest : public ::testing::Test {
 protected:
  explicit AlarmFormTest(test::ViewHarness::Options options = {}) : harness(std::move(options)) {
    stored.alarmBeep = true;
    assign = std::make_unique<TAssignform>(harness.controller(), stored);
    form = std::make_unique<TAlarmform>(harness.controller(), windowBeeps, *assign, stored);
    form->Timer1->stop();  // the test gives the blink ticks itself
    form->blinkClock = [this] { return now; };
    harness.views.on.repaintAlarmStatus = [this] { form->repaintAlarmStatus(); };
    harness.views.on.setAlarmPollPending = [this](bool pending) { form->setAlarmPollPending(pending); };
  }
  ~AlarmFormTest() override { harness.views.on = {}; }

  // The regulator at site `site` reports exactly `active` inputs active.
  void setAlarmInputs(int site, std::initializer_list<int> active) {
    harness.line().withBus([&](sim::RegulatorBus& bus) {
      auto& inputs = bus.site(site)->alarmInputs();
      inputs.fill(false);
      for (int input : active) inputs[static_cast<std::size_t>(input)] = true;
    });
  }

  void readAlarms() {
    form->AlarmstatusbarClick();
    ASSERT_TRUE(form->pollPending());
    ASSERT_TRUE(harness.settle());
  }

  // `ticks` blink ticks on time; gives the beeps they made.
  int blink(int ticks) {
    const int before = windowBeeps.beeps;
    for (int i = 0; i < ticks; ++i) {
      now += 500ms;
      form->Timer1Timer();
    }
    return windowBeeps.beeps - before;
  }

  void rightClick(int alarm) {
    QToolButton* button = form->alarmButtons[static_cast<std::size_t>(alarm)];
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(button, &event);
  }

  QColor stripColour(int alarm) {
    const QImage strip = form->Alarmstatusbar->grab().toImage();
    return strip.pixelColor(alarm * 45 + 20, 6);
  }

  const AlarmRecord& alarms() { return harness.controller().data().alarms; }

  test::ViewHarness harness;
  test::HarnessFeedback windowBeeps;
  Configuration stored;
  BlinkTime now{};
  std::unique_ptr<TAssignform> assign;
  std::unique_ptr<TAlarmform> form;
};

TEST_F(AlarmFormTest, ANewAlarmFlashesBeepsOnceASecondAndStopsOnALeftClick) {
  setAlarmInputs(0, {0, 7});
  readAlarms();
  EXPECT_FALSE(form->pollPending());
  EXPECT_EQ(alarms().flash[0], 1);
  EXPECT_EQ(alarms().flash[7], 1);
  EXPECT_EQ(alarms().flash[1], 0);

  // Two new alarms: pictures 2 and 1 by turns (as painted), one beep a second.
  EXPECT_EQ(blink(1), 0);
  EXPECT_EQ(form->stripPictureOf(0), StripActiveLit);
  EXPECT_EQ(form->stripPictureOf(1), StripInactive);
  const QColor lit = stripColour(0);
  EXPECT_EQ(blink(1), 1);
  EXPECT_EQ(form->stripPictureOf(7), StripActive);
  const QColor active = stripColour(7);
  EXPECT_NE(lit, active);
  EXPECT_EQ(blink(8), 4);

  form->alarmButtons[0]->click();
  EXPECT_EQ(blink(4), 2);  // alarm 8 is still new
  form->alarmButtons[7]->click();
  EXPECT_EQ(blink(6), 0);
  blink(1);
  EXPECT_EQ(stripColour(7), active);  // lit phase, acknowledged: no longer lit

  form->alarmButtons[7]->click();  // a second click re-arms it
  EXPECT_EQ(blink(4), 2);
  assign->beepcheck->click();      // the beep option off: flashes silently
  EXPECT_EQ(blink(4), 0);
}

TEST_F(AlarmFormTest, ADisabledAlarmShowsNoPictureAndNeverFlashesOrBeeps) {
  setAlarmInputs(0, {9});
  readAlarms();
  ASSERT_EQ(alarms().flash[9], 1);
  EXPECT_FALSE(form->alarmButtons[9]->icon().isNull());

  rightClick(9);
  EXPECT_TRUE(form->Alarmpopup->isVisible());
  form->Enable->trigger();
  form->Alarmpopup->hide();
  EXPECT_FALSE(form->choices().enabled[9]);
  EXPECT_TRUE(form->alarmButtons[9]->icon().isNull());
  EXPECT_EQ(form->buttonPictureOf(9), kNoPicture);
  EXPECT_EQ(blink(6), 0);
  for (int tick = 0; tick < 2; ++tick) {
    blink(1);
    EXPECT_EQ(form->stripPictureOf(9), StripDisabled);
  }

  rightClick(9);
  form->Enable->trigger();
  EXPECT_TRUE(form->choices().enabled[9]);
  EXPECT_FALSE(form->alarmButtons[9]->icon().isNull());
  EXPECT_EQ(blink(2), 1);
}

TEST_F(AlarmFormTest, AssignGivesTheChosenPictureToTheAlarmWhoseMenuWasOpened) {
  form->show();
  ASSERT_TRUE(harness.settle());
  assign->show();  // no menu opened yet: alarm 1
  assign->pictureButtons[22]->click();
  EXPECT_EQ(form->choices().picture[0], 22);
  ASSERT_TRUE(harness.settle());

  rightClick(4);
  form->Assign->trigger();
  EXPECT_TRUE(assign->isVisible());
  EXPECT_TRUE(assign->windowFlags() & Qt::WindowStaysOnTopHint);

  const auto readings = [this] {
    const auto& statuses = harness.views.statuses;
    return std::count(statuses.begin(), statuses.end(), LinkStatus::RequestSent);
  };
  const auto before = readings();
  assign->pictureButtons[21]->click();  // fire
  EXPECT_FALSE(assign->isVisible());
  EXPECT_EQ(form->choices().picture[4], 21);
  EXPECT_EQ(form->buttonPictureOf(4), 21);
  EXPECT_EQ(form->choices().picture[5], stored.alarms[5].image);
  // The panel takes the focus back, which reads the alarm inputs once.
  ASSERT_TRUE(harness.runUntil([&] { return readings() > before; }));
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(readings(), before + 1);
  EXPECT_FALSE(form->pollPending());

  // The alarm symbol button of the assignment window does nothing.
  assign->show();
  assign->pictureButtons[0]->click();
  EXPECT_TRUE(assign->isVisible());
  EXPECT_EQ(form->choices().picture[4], 21);
}

TEST_F(AlarmFormTest, HidingOrClosingThePanelHidesTheAssignmentWindow) {
  int closed = 0;
  QObject::connect(form.get(), &TAlarmform::closed, [&closed] { ++closed; });
  form->show();
  assign->show();
  form->hide();  // the tool bar button
  EXPECT_FALSE(assign->isVisible());
  EXPECT_EQ(closed, 0);

  form->show();
  ASSERT_TRUE(harness.settle());
  assign->show();
  setAlarmInputs(0, {3});
  form->AlarmstatusbarClick();
  form->close();  // the close box, while a reading is on its way
  EXPECT_FALSE(assign->isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(closed, 1);
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->pollPending());
  EXPECT_NE(alarms().state[3], 0);  // kept for when the panel is opened again
}

TEST_F(AlarmFormTest, ASiteChangeWhileAReadingIsOnItsWayKeepsTheOldStatesAndEndsTheWait) {
  setAlarmInputs(0, {1});
  setAlarmInputs(2, {1, 11});
  form->AlarmstatusbarClick();
  ASSERT_TRUE(form->pollPending());
  harness.selectSite(2);  // before the reply is handled
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->pollPending());
  EXPECT_EQ(alarms().state, (std::array<std::int32_t, kAlarmInputs>{}));
  EXPECT_EQ(alarms().flash, (std::array<std::uint8_t, kAlarmInputs>{}));
  EXPECT_EQ(windowBeeps.beeps, 0);

  readAlarms();  // the new site's inputs
  EXPECT_NE(alarms().state[1], 0);
  EXPECT_NE(alarms().state[11], 0);
}

TEST_F(AlarmFormTest, AClickOnABusyLineWaitsItsTurnAndOnAHeldLineLeavesNoRedCaption) {
  harness.controller().Getdata(Requester::CurrentStateView);
  ASSERT_TRUE(harness.controller().lineBusy());
  form->AlarmstatusbarClick();
  EXPECT_TRUE(form->pollPending()) << "the reading waits for the line";
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->pollPending());
  EXPECT_TRUE(harness.controller().data().origins.alarms.source == RecordSource::Read);

  LinkStateAccess::of(harness.controller()).Dialling = true;
  form->AlarmstatusbarClick();
  EXPECT_FALSE(form->pollPending()) << "refused while a call is dialled";
  LinkStateAccess::of(harness.controller()).Dialling = false;

  // A second click while the reading is on its way keeps the one wait.
  form->AlarmstatusbarClick();
  form->AlarmstatusbarClick();
  EXPECT_TRUE(form->pollPending());
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->pollPending());
}

TEST_F(AlarmFormTest, AReadingThatFailsLeavesStatesAndFlagsAndEndsTheWait) {
  setAlarmInputs(0, {6});
  readAlarms();
  const AlarmRecord before = alarms();
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(0)->setFault(sim::Fault::Silent); });
  form->AlarmstatusbarClick();
  ASSERT_TRUE(form->pollPending());
  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_FALSE(form->pollPending());
  EXPECT_EQ(alarms().state, before.state);
  EXPECT_EQ(alarms().flash, before.flash);
}

class AlarmPollTest : public AlarmFormTest {
 protected:
  AlarmPollTest() : AlarmFormTest(pollEveryTwoMinutes()) {}
  static test::ViewHarness::Options pollEveryTwoMinutes() {
    test::ViewHarness::Options options;
    options.adjust = [](LinkControls& controls) { controls.alarmRateIndex = 1; };
    return options;
  }
  // The main window's one-second timer a minute later.
  void nextMinute() {
    harness.controllerClock->advance(60s);
    harness.controller().Timer1Timer();
  }
};

TEST_F(AlarmPollTest, ThePollAtTheChosenRateFlashesANewAlarm) {
  // The harness's first tick after start counted one minute change already.
  setAlarmInputs(0, {12});
  nextMinute();
  EXPECT_TRUE(form->pollPending());
  EXPECT_TRUE(harness.controller().lineBusy());
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->pollPending());
  EXPECT_NE(alarms().state[12], 0);
  EXPECT_EQ(blink(2), 1);

  nextMinute();
  EXPECT_FALSE(harness.controller().lineBusy());
  EXPECT_FALSE(form->pollPending());
  nextMinute();  // two minutes on
  EXPECT_TRUE(harness.controller().lineBusy());
  EXPECT_TRUE(form->pollPending());
  ASSERT_TRUE(harness.settle());
}

TEST_F(AlarmPollTest, APollThatCannotGoOutDoesNotLeaveTheCaptionRed) {
  LinkStateAccess::of(harness.controller()).DirectMode = false;  // the modem line, no call up
  nextMinute();
  nextMinute();
  EXPECT_TRUE(harness.runUntil([this] { return !form->pollPending(); }, 1s));
  EXPECT_FALSE(harness.controller().lineBusy());
}

// A left click on the strip or the caption reads; a right click does not, nor
// does a click on the help panel, which only hides it.
TEST_F(AlarmFormTest, ClicksOnThePanelReadTheAlarmsOrHideTheHelp) {
  form->show();
  ASSERT_TRUE(harness.settle());  // showing may activate it, which reads
  const auto press = [](QWidget* widget, Qt::MouseButton button) {
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  };
  press(form->Alarmstatusbar, Qt::LeftButton);
  EXPECT_TRUE(form->pollPending());
  ASSERT_TRUE(harness.settle());
  press(form->Label1, Qt::RightButton);
  EXPECT_FALSE(form->pollPending());
  press(form->Label1, Qt::LeftButton);
  EXPECT_TRUE(form->pollPending());
  ASSERT_TRUE(harness.settle());

  form->ToolButton1->click();
  EXPECT_TRUE(form->helppanel->isVisible());
  press(form->Label2, Qt::LeftButton);
  EXPECT_FALSE(form->helppanel->isVisible());
  EXPECT_FALSE(form->pollPending());
}

TEST_F(AlarmFormTest, LanguageTextsAndSizes) {
  QFont chinese("WenQuanYi Micro Hei");
  form->applyLanguage(Language::Chinese, chinese);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("告警"));
  EXPECT_EQ(form->Label1->text(), QString::fromUtf8("状态"));
  EXPECT_EQ(form->Label1->font().pointSize(), 10);
  EXPECT_EQ(form->Label2->font().pointSize(), 12);
  EXPECT_EQ(form->font().pointSize(), 14);
  EXPECT_EQ(form->Label2->font().family(), chinese.family());
  EXPECT_EQ(assign->windowTitle(), QString::fromUtf8(" 选择相符的图象"));
  form->applyLanguage(Language::French, QFont("Sans", 10));
  EXPECT_EQ(form->Label3->text(), " Click Droit - Bouton Editeur");
  EXPECT_EQ(form->Label1->font().pointSize(), 9);
  EXPECT_EQ(assign->Alarmratetext->text(), " Rien");
  // Every help line is whole inside the panel.
  for (QLabel* label : {form->Label2, form->Label3})
    EXPECT_LE(label->geometry().right(), form->helppanel->width()) << label->text().toStdString();
}

}  // namespace
}  // namespace solwire
