// The main window's tool bar buttons for the data windows, and the link
// controller's callbacks reaching the window they concern.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <memory>

#include "app/main_form.h"
#include "tests/support/link_state_access.h"
#include "app/up_down.h"
#include "protocol/virtual_clock.h"
#include "store/config/settings_backend_memory.h"
#include "tests/app/main_form_fakes.h"
#include "tests/support/link_fakes.h"
#include "tests/support/reply_bytes.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/graph_form.h"
#include "views/read_form.h"
#include "views/set_form.h"

namespace solwire {
namespace {

class MainFormWindowsTest : public ::testing::Test, public test::MainFormFakes {
 protected:
  void SetUp() override {
    form = openMainForm();
    settings = std::make_unique<Tsetform>(form->link(), feedback);
    current = std::make_unique<TCurrentform>(form->link());
    graph = std::make_unique<Tgraphform>(form->link());
    viewer = std::make_unique<TReadform>(feedback);
    assign = std::make_unique<TAssignform>(form->link(), form->storedConfiguration());
    alarms = std::make_unique<TAlarmform>(form->link(), feedback, *assign, form->storedConfiguration());
    form->Timer1Timer();  // the start-up hold ends with the first tick
  }

  void TearDown() override {
    form->attachDataWindows(DataWindows{});
    alarms.reset();
    assign.reset();
    viewer.reset();
    graph.reset();
    current.reset();
    settings.reset();
    form.reset();
  }

  DataWindows windows() const {
    return DataWindows{.settings = settings.get(),
                       .current = current.get(),
                       .graph = graph.get(),
                       .viewer = viewer.get(),
                       .alarms = alarms.get()};
  }

  QToolButton* button(int number) const { return form->ToolButtons[static_cast<std::size_t>(number - 1)]; }

  std::unique_ptr<Tmainform> form;
  std::unique_ptr<Tsetform> settings;
  std::unique_ptr<TCurrentform> current;
  std::unique_ptr<Tgraphform> graph;
  std::unique_ptr<TReadform> viewer;
  std::unique_ptr<TAssignform> assign;
  std::unique_ptr<TAlarmform> alarms;
};

TEST_F(MainFormWindowsTest, ButtonsWorkOnlyForAttachedWindowsAndStayDownWhileTheyShow) {
  for (int number : {4, 5, 6, 7}) EXPECT_FALSE(button(number)->isEnabled()) << number;
  form->attachDataWindows(windows());
  for (int number : {4, 5, 6, 7}) EXPECT_TRUE(button(number)->isEnabled()) << number;

  button(4)->click();
  EXPECT_TRUE(current->isVisible());
  EXPECT_TRUE(button(4)->isChecked());
  button(4)->click();
  EXPECT_FALSE(current->isVisible());
  EXPECT_FALSE(button(4)->isChecked());

  button(6)->click();
  EXPECT_TRUE(settings->isVisible());
  EXPECT_TRUE(button(6)->isChecked());
  settings->close();
  EXPECT_FALSE(button(6)->isChecked());

  // The window's own close box releases the button.
  button(5)->click();
  ASSERT_TRUE(graph->isVisible());
  graph->close();
  EXPECT_FALSE(button(5)->isChecked());

  // Hiding the alarm panel from the tool bar hides the assignment window too.
  button(7)->click();
  assign->show();
  button(7)->click();
  EXPECT_FALSE(alarms->isVisible());
  EXPECT_FALSE(assign->isVisible());
  EXPECT_FALSE(button(7)->isChecked());
}

TEST_F(MainFormWindowsTest, AReplyReachesTheCurrentStateWindow) {
  form->attachDataWindows(windows());
  button(4)->click();
  if (!form->link().state().requestBusy()) current->FormClick();
  ASSERT_TRUE(form->link().state().requestBusy());
  ASSERT_TRUE(current->waiting());
  const QString before = current->batvlab->text();

  // Type 2, a battery reading of 0x1E00 (7680).
  std::vector<int> data(13, 0);
  data[0] = 0x1E;
  directMatcher.deliver(test::currentStateReply(2, data));
  EXPECT_FALSE(current->waiting());
  EXPECT_NE(current->batvlab->text(), before);
  EXPECT_TRUE(current->batvlab->text().endsWith(" V")) << current->batvlab->text().toStdString();
}

// The settings list read at site 0 is said to be site 0's once site 1 is
// selected, without waiting for the editor to be shown again.
TEST_F(MainFormWindowsTest, ASiteChangeReachesTheSettingsEditor) {
  form->attachDataWindows(windows());
  LinkStateAccess::of(form->link()).Deferred = DeferredRequest::None;
  settings->conbuttonClick();
  ASSERT_TRUE(form->link().state().requestBusy());
  directMatcher.deliver(test::memoryReply(std::vector<int>(16, 0x90)));
  ASSERT_EQ(settings->Originlab->text().toStdString().find("Site 0"), 0u) << settings->Originlab->text().toStdString();

  form->sitesel->stepBy(1);
  EXPECT_EQ(settings->Originlab->text().toStdString().find("from site 0"), 0u)
      << settings->Originlab->text().toStdString();
}

TEST_F(MainFormWindowsTest, ClosingTheMainWindowClosesTheDataWindowsAndKeepsTheAlarmChoices) {
  form->attachDataWindows(windows());
  button(4)->click();
  button(5)->click();
  button(6)->click();
  button(7)->click();
  const bool beepBefore = assign->alarmBeep();
  assign->beepcheck->click();
  ASSERT_NE(assign->alarmBeep(), beepBefore);
  form->exityesBitBtnClick();
  EXPECT_FALSE(settings->isVisible());
  EXPECT_FALSE(current->isVisible());
  EXPECT_FALSE(graph->isVisible());
  EXPECT_FALSE(alarms->isVisible());

  EXPECT_EQ(loadConfiguration(store).alarmBeep, !beepBefore);
}

TEST_F(MainFormWindowsTest, TheReadButtonsShowTheDataFileOrTheLogFileInTheViewer) {
  EXPECT_FALSE(form->Readbutton->isEnabled());
  form->attachDataWindows(windows());
  EXPECT_TRUE(form->Readbutton->isEnabled());

  // Neither file exists here: the viewer names the file it was asked for.
  form->fileedit->setText("NO-SUCH-REPORT-FILE");
  form->logedit->setText("NO-SUCH-LOG-FILE");
  form->ReadbuttonClick();
  ASSERT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->filelab->text().contains("NO-SUCH-REPORT-FILE")) << viewer->filelab->text().toStdString();
  form->ReadbuttonClick();
  EXPECT_FALSE(viewer->isVisible());

  form->LogreadClick();
  ASSERT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->filelab->text().contains("NO-SUCH-LOG-FILE")) << viewer->filelab->text().toStdString();
  form->exityesBitBtnClick();
  EXPECT_FALSE(viewer->isVisible());
}

}  // namespace
}  // namespace solwire
