// Which activations the data windows act on, with real windows on the
// offscreen platform: the focus moving between two of the program's windows
// and a window being shown count; the program getting the focus back from
// another program does not (no reading, no restarted history transfer, no
// reset chart). Leaving the program is what Qt reports when another
// program takes the focus: the focus window becomes none and the program
// inactive. Choosing an alarm picture activates the alarm panel once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWindow>

#include "tests/views/view_harness.h"
#include "tests/support/link_state_access.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/graph_form.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

int count(const std::vector<LinkStatus>& statuses, LinkStatus status) {
  return static_cast<int>(std::count(statuses.begin(), statuses.end(), status));
}

// Gives the focus to `window` as a click on it would, and lets the
// activation through.
bool focus(QWidget* window) {
  window->activateWindow();
  return test::ViewHarness::runUntil([window] { return QGuiApplication::focusWindow() == window->windowHandle(); });
}

// Another program takes the focus, as Qt reports it.
void leaveTheProgram() {
  emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
  emit qGuiApp->focusWindowChanged(nullptr);
}

class WindowActivationTest : public ::testing::Test {
 protected:
  WindowActivationTest() {
    current = new TCurrentform(harness.controller());
    graph = new Tgraphform(harness.controller());
    QPointer<TCurrentform> currentWindow(current);
    QPointer<Tgraphform> graphWindow(graph);
    auto& on = harness.views.on;
    on.labelupdate = [currentWindow] { if (currentWindow) currentWindow->labelupdate(); };
    on.hideCurrentStateWait = [currentWindow, graphWindow] {
      if (currentWindow) currentWindow->hideCurrentStateWait();
      if (graphWindow) graphWindow->hideCurrentStateWait();
    };
    on.hideHistoryWait = [graphWindow] { if (graphWindow) graphWindow->hideHistoryWait(); };
    on.setHistoryProgress = [graphWindow](int position) { if (graphWindow) graphWindow->setHistoryProgress(position); };
    on.drawgraph = [graphWindow] { if (graphWindow) graphWindow->drawgraph(); };
  }
  ~WindowActivationTest() override {
    harness.views.on = {};
    delete graph;
    delete current;
  }

  int requests() const { return count(harness.views.statuses, LinkStatus::RequestSent); }

  test::ViewHarness harness;
  TCurrentform* current = nullptr;
  Tgraphform* graph = nullptr;
};

TEST_F(WindowActivationTest, ShowingAWindowReadsAndComingBackToTheProgramDoesNot) {
  current->show();
  ASSERT_TRUE(focus(current));
  ASSERT_TRUE(harness.settle());
  graph->show();
  ASSERT_TRUE(focus(graph));
  ASSERT_TRUE(harness.settle());
  ASSERT_GT(requests(), 1) << "each window read when it was shown";
  graph->VoltbuttonClick();
  const int before = requests();

  leaveTheProgram();
  ASSERT_TRUE(focus(current));  // the program is back, on another window
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(requests(), before) << "the program's return is not an activation";

  // Moving within the program counts again.
  ASSERT_TRUE(focus(graph));
  EXPECT_EQ(harness.controller().state().historyBlock(), 1) << "a new transfer from block 1";
  ASSERT_TRUE(harness.settle());
  EXPECT_GT(requests(), before);
  EXPECT_EQ(graph->chartMode(), ChartMode::AmpHours);
}

TEST_F(WindowActivationTest, ComingBackToTheWindowThatHadTheFocusChangesNothing) {
  graph->show();
  ASSERT_TRUE(focus(graph));
  ASSERT_TRUE(harness.settle());
  graph->VoltbuttonClick();
  current->show();
  ASSERT_TRUE(focus(current));
  ASSERT_TRUE(harness.settle());
  ASSERT_TRUE(focus(graph));  // between two of our windows: a new transfer
  ASSERT_TRUE(harness.settle());
  graph->VoltbuttonClick();
  const int before = requests();

  // The window manager gives the focus back to the window that had it.
  leaveTheProgram();
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(graph, &activate);
  emit qGuiApp->focusWindowChanged(graph->windowHandle());
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(requests(), before);
  EXPECT_EQ(harness.controller().state().historyBlock(), 0);
  EXPECT_EQ(graph->chartMode(), ChartMode::Voltage);
  EXPECT_FALSE(graph->waiting());

  // The window shown again by the program reads again, even so.
  graph->hide();
  leaveTheProgram();
  graph->show();
  QApplication::sendEvent(graph, &activate);
  EXPECT_EQ(harness.controller().state().historyBlock(), 1);
  ASSERT_TRUE(harness.settle());
}

// On a line that cannot carry a request, each reading the panel asks for
// fails at once: one failure means one reading.
TEST(AlarmPictureActivationTest, ChoosingAPictureReadsTheAlarmsOnce) {
  test::ViewHarness harness;
  Configuration stored;
  test::HarnessFeedback beeps;
  TAssignform assign(harness.controller(), stored);
  TAlarmform alarms(harness.controller(), beeps, assign, stored);
  alarms.Timer1->stop();
  alarms.show();
  ASSERT_TRUE(focus(&alarms));
  ASSERT_TRUE(harness.settle());
  LinkStateAccess::of(harness.controller()).DirectMode = false;  // the modem line, no call up
  alarms.AssignClick();
  ASSERT_TRUE(harness.runUntil([&] { return QGuiApplication::focusWindow() == assign.windowHandle(); }));
  const int failures = count(harness.views.statuses, LinkStatus::CommFail);

  assign.ToolButton1Click(20);
  ASSERT_TRUE(harness.runUntil([&] { return QGuiApplication::focusWindow() == alarms.windowHandle(); }));
  harness.processEvents();
  EXPECT_EQ(alarms.choices().picture[0], 20);
  EXPECT_EQ(count(harness.views.statuses, LinkStatus::CommFail), failures + 1);
}

}  // namespace
}  // namespace solwire
