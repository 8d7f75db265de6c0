// What the data windows say when the mouse rests on their values and
// buttons, in each language; and the alarm menu's Enable shows its state.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QToolTip>

#include "tests/views/view_harness.h"
#include "protocol/status_messages.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/set_form.h"

namespace solwire {
namespace {

// Rests the mouse on the middle of `label` and returns the hint shown.
QString hintShownOver(TCurrentform& form, QLabel* label) {
  QToolTip::hideText();
  const QPoint middle = label->mapTo(&form, label->rect().center());
  QHelpEvent event(QEvent::ToolTip, middle, form.mapToGlobal(middle));
  QApplication::sendEvent(&form, &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

TEST(Hints, TheCurrentStateValuesSayWhatTheyAreInEachLanguage) {
  test::ViewHarness harness;
  TCurrentform form(harness.controller());
  form.show();
  form.applyLanguage(Language::English, form.font());
  EXPECT_EQ(hintShownOver(form, form.batvlab), "Battery voltage");
  EXPECT_EQ(hintShownOver(form, form.Lamphrlab), "Discharge today (Ah)");
  EXPECT_EQ(hintShownOver(form, form.maxminlab), "Today's battery voltage, minimum <> maximum");
  form.applyLanguage(Language::Chinese, form.font());
  EXPECT_EQ(hintShownOver(form, form.Chargelab), QString::fromUtf8("充电电流"));
  EXPECT_EQ(hintShownOver(form, form.statenumlab), QString::fromUtf8("控制器状态"));
  form.applyLanguage(Language::French, form.font());
  EXPECT_EQ(hintShownOver(form, form.Loadlab), QString::fromUtf8("Courant de la charge"));
  // Over the line that says whose values these are: no hint of a value.
  const QPoint origin = form.originlab->mapTo(&form, form.originlab->rect().center());
  QHelpEvent elsewhere(QEvent::ToolTip, origin, form.mapToGlobal(origin));
  QApplication::sendEvent(&form, &elsewhere);
  EXPECT_FALSE(elsewhere.isAccepted());
}

TEST(Hints, TheSendButtonAndTheAlarmButtonsSayWhatTheyDo) {
  test::ViewHarness harness;
  Tsetform settings(harness.controller(), harness.feedback);
  settings.applyLanguage(Language::Chinese, settings.font());
  EXPECT_EQ(settings.sendbutton->toolTip(), QString::fromUtf8("将数据写入控制器"));

  Configuration stored;
  TAssignform assign(harness.controller(), stored);
  TAlarmform alarms(harness.controller(), harness.feedback, assign, stored);
  alarms.Timer1->stop();
  alarms.applyLanguage(Language::English, alarms.font());
  for (QToolButton* button : alarms.alarmButtons) {
    EXPECT_TRUE(button->toolTip().endsWith("left click: stop flashing; right click: enable or change the picture"))
        << button->toolTip().toStdString();
  }
  alarms.applyLanguage(Language::Chinese, alarms.font());
  EXPECT_TRUE(alarms.alarmButtons[0]->toolTip().endsWith(QString::fromUtf8("左键：停止闪烁；右键：启用或更换图象")));
}

TEST(Hints, TheAlarmMenuTicksEnableForAnEnabledAlarmOnly) {
  test::ViewHarness harness;
  Configuration stored;
  TAssignform assign(harness.controller(), stored);
  TAlarmform alarms(harness.controller(), harness.feedback, assign, stored);
  alarms.Timer1->stop();
  ASSERT_TRUE(alarms.Enable->isCheckable());
  const auto menuOf = [&](int alarm) {
    emit alarms.alarmButtons[static_cast<std::size_t>(alarm)]->customContextMenuRequested(QPoint(1, 1));
    const bool ticked = alarms.Enable->isChecked();
    alarms.Alarmpopup->hide();
    return ticked;
  };
  const bool before = menuOf(4);
  alarms.EnableClick();  // toggles alarm 4, whose menu was opened last
  EXPECT_NE(menuOf(4), before);
  EXPECT_EQ(menuOf(5), before) << "another alarm keeps its own state";
}

}  // namespace
}  // namespace solwire
