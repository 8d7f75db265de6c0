// The alarm assignment window: the rate control, the beep and dial options,
// the picture hints, a layout that cuts no text at any allowed font size, and
// every alarm value surviving a save and a fresh start through the store.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QToolButton>

#include "store/config/settings_backend_memory.h"
#include "protocol/status_messages.h"
#include "tests/views/view_harness.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"

namespace solwire {
namespace {

test::ViewHarness::Options withAlarmOptions(const Configuration& c) {
  test::ViewHarness::Options options;
  options.adjust = [c](LinkControls& controls) {
    controls.alarmRateIndex = c.alarmUpdateRate;
    controls.alarmDial = c.alarmDial;
  };
  return options;
}

TEST(AssignForm, TheRateControlStepsFromNoneTo24HoursAndTellsTheController) {
  test::ViewHarness harness;
  TAssignform assign(harness.controller(), Configuration{});
  assign.applyLanguage(Language::English, QFont("DejaVu Sans", 10));
  EXPECT_EQ(assign.Alarmratetext->text(), " None");
  assign.UpDownaDown->click();
  EXPECT_EQ(harness.controller().controls().alarmRateIndex, 0);
  for (int i = 0; i < 12; ++i) assign.UpDownaUp->click();
  EXPECT_EQ(harness.controller().controls().alarmRateIndex, 10);
  EXPECT_EQ(assign.Alarmratetext->text(), " 24 Hour");
  assign.UpDownaDown->click();
  EXPECT_EQ(assign.Alarmratetext->text(), " 8 Hour");
  EXPECT_EQ(assign.rateIndex(), 9);
  assign.applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  EXPECT_EQ(assign.Alarmratetext->text(), QString::fromUtf8(" 8 小时"));
}

TEST(AssignForm, TheCheckBoxesStartFromTheStoredOptionsAndChangeThem) {
  Configuration stored;
  stored.alarmBeep = true;
  stored.alarmDial = true;
  test::ViewHarness harness(withAlarmOptions(stored));
  TAssignform assign(harness.controller(), stored);
  EXPECT_TRUE(assign.beepcheck->isChecked());
  EXPECT_TRUE(assign.Alarmdialcheck->isChecked());
  assign.beepcheck->click();
  assign.Alarmdialcheck->click();
  EXPECT_FALSE(assign.alarmBeep());
  EXPECT_FALSE(harness.controller().controls().alarmDial);
}

TEST(AssignForm, EachPictureButtonIsHintedInTheLanguage) {
  test::ViewHarness harness;
  TAssignform assign(harness.controller(), Configuration{});
  assign.applyLanguage(Language::French, QFont("DejaVu Sans", 10));
  EXPECT_EQ(assign.pictureButtons[14]->toolTip(), "Pile tension minimum alarme");
  EXPECT_EQ(assign.pictureButtons[0]->toolTip(), "Symbol de Alarme");  // ToolButton26
  assign.applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  EXPECT_EQ(assign.pictureButtons[5]->toolTip(), "5");
  EXPECT_EQ(assign.windowTitle(), QString::fromUtf8(" 选择相符的图象"));
}

// Measured, not looked at: each text fits its widget, and no control of the
// option line overlaps the next, in every language at every allowed size.
TEST(AssignForm, NoTextIsCutAtAnyAllowedFontSize) {
  test::ViewHarness harness;
  TAssignform assign(harness.controller(), Configuration{});
  for (int language = 0; language < 3; ++language) {
    for (int size = 8; size <= 14; ++size) {
      assign.applyLanguage(languageFromIndex(language), QFont(language == 2 ? "WenQuanYi Micro Hei" : "DejaVu Sans", size));
      for (int rate : {0, 10, 6}) {
        harness.controller().controls().alarmRateIndex = rate;
        assign.UpDownaClick(0);
        const std::array<QWidget*, 7> line{assign.Alarmdiallab, assign.Alarmdialcheck, assign.Label2, assign.beepcheck,
                                           assign.Updatetext,   assign.UpDowna,        assign.Alarmratetext};
        for (QLabel* label : {assign.Label1, assign.Alarmdiallab, assign.Label2, assign.Updatetext, assign.Alarmratetext})
          EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
              << "language " << language << " size " << size << " " << label->text().toStdString();
        for (std::size_t i = 1; i < line.size(); ++i)
          EXPECT_GT(line[i]->x(), line[i - 1]->geometry().right()) << "language " << language << " size " << size;
        EXPECT_LT(assign.Alarmratetext->geometry().right(), assign.width());
        EXPECT_LT(assign.Updatetext->geometry().bottom(), assign.height());
      }
    }
  }
  // At the default English font the line is where the layout puts it.
  assign.applyLanguage(Language::English, QFont("DejaVu Sans", 10));
  EXPECT_EQ(assign.Alarmdiallab->pos(), QPoint(8, 120));
  EXPECT_EQ(assign.Label2->x(), 152);
  EXPECT_EQ(assign.Updatetext->x(), 290);
  EXPECT_EQ(assign.UpDowna->x(), 473);
  EXPECT_EQ(assign.Alarmratetext->x(), 492);
  EXPECT_EQ(assign.Label1->pos(), QPoint(8, 88));
}

// Ticking the box after "Alarm Sound" must not turn on dial-out: each box
// sits right after its own label, nearer to it than to the next text, in
// every language at its own font, whatever width the texts take.
TEST(AssignForm, EachCheckBoxFollowsItsOwnLabel) {
  test::ViewHarness harness;
  TAssignform assign(harness.controller(), Configuration{});
  const std::array<std::pair<int, QFont>, 4> fonts{{{0, QFont("DejaVu Sans", 10)},
                                                    {1, QFont("DejaVu Sans", 10)},
                                                    {2, QFont("WenQuanYi Micro Hei", 12)},
                                                    {0, QFont("DejaVu Sans", 14)}}};
  for (const auto& [language, font] : fonts) {
    assign.applyLanguage(languageFromIndex(language), font);
    const std::array<std::array<QWidget*, 3>, 2> groups{{{assign.Alarmdiallab, assign.Alarmdialcheck, assign.Label2},
                                                         {assign.Label2, assign.beepcheck, assign.Updatetext}}};
    for (const auto& [own, box, next] : groups) {
      const auto* label = static_cast<QLabel*>(own);
      const std::string where = "language " + std::to_string(language) + " " + font.family().toStdString() + " " +
                                std::to_string(font.pointSize()) + ", box after " + label->text().toStdString();
      // The label ends where its text ends, measured in the label's font.
      EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text())) << where;
      EXPECT_GT(box->x(), own->geometry().right()) << where;
      EXPECT_LT(box->geometry().right(), next->x()) << where;
      const int gapToOwn = box->x() - own->geometry().right();
      const int gapToNext = next->x() - box->geometry().right();
      EXPECT_LT(gapToOwn, gapToNext) << where;
      EXPECT_EQ(box->y(), own->y()) << where;
    }
  }
}

// What the operator set in both windows is written to the store, and a
// fresh start (new windows, controller controls taken from the store, as
// the main window builds them) shows it again.
TEST(AssignForm, EveryAlarmValueSurvivesASaveAndAFreshStart) {
  MemorySettingsBackend backend;
  {
    Configuration stored;
    test::ViewHarness harness;
    test::HarnessFeedback beeps;
    TAssignform assign(harness.controller(), stored);
    TAlarmform form(harness.controller(), beeps, assign, stored);
    form.openAlarmMenu(4, QPoint());
    form.AssignClick();
    assign.pictureButtons[21]->click();
    form.openAlarmMenu(9, QPoint());
    form.EnableClick();
    assign.beepcheck->click();
    assign.Alarmdialcheck->click();
    for (int i = 0; i < 10; ++i) assign.UpDownaUp->click();
    ASSERT_TRUE(harness.settle());  // choosing a picture reads the alarms
    harness.controller().data().alarms.state[7] = 2;
    harness.controller().data().alarms.flash[8] = 0;

    Configuration toSave = stored;
    form.saveTo(toSave);
    ASSERT_TRUE(saveConfiguration(backend, toSave).ok);
  }
  EXPECT_EQ(backend.peek("Alarm State", "Alarm4 Image"), "21");
  EXPECT_EQ(backend.peek("Alarm State", "Alarm9 Enabled"), "0");
  EXPECT_EQ(backend.peek("Alarm State", "Alarm7Old State"), "2");
  EXPECT_EQ(backend.peek("Alarm State", "Alarm8 Flash"), "0");
  EXPECT_EQ(backend.peek("Save Options", "Alarm Beep"), "1");
  EXPECT_EQ(backend.peek("Save Options", "Alarm Dial"), "1");
  EXPECT_EQ(backend.peek("Settings", "Alarm Update Rate"), "10");

  const Configuration loaded = loadConfiguration(backend);
  test::ViewHarness harness(withAlarmOptions(loaded));
  test::HarnessFeedback beeps;
  TAssignform assign(harness.controller(), loaded);
  TAlarmform form(harness.controller(), beeps, assign, loaded);
  EXPECT_EQ(form.choices().picture[4], 21);
  EXPECT_EQ(form.choices().picture[0], 14);
  EXPECT_FALSE(form.choices().enabled[9]);
  EXPECT_TRUE(form.alarmButtons[9]->icon().isNull());
  EXPECT_TRUE(assign.beepcheck->isChecked());
  EXPECT_TRUE(assign.Alarmdialcheck->isChecked());
  EXPECT_EQ(assign.Alarmratetext->text(), " 24 Hour");
}

}  // namespace
}  // namespace solwire
