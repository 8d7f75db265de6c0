// Where the windows go: below the main window's tallest layout the first time
// they show, back where they were at the end of the last run when that is
// still on a screen, and never pulled back while panels open and close.
// Message boxes open over the window they concern.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QToolButton>
#include <memory>

#include "app/main_form.h"
#include "app/window_placement.h"
#include "tests/app/main_form_fakes.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/graph_form.h"
#include "views/phone_book_form.h"
#include "views/read_form.h"
#include "views/set_form.h"

namespace solwire {
namespace {

class MainFormPlacementTest : public ::testing::Test, public test::MainFormFakes {
 protected:
  void start() {
    form = openMainForm();
    settings = std::make_unique<Tsetform>(form->link(), feedback);
    current = std::make_unique<TCurrentform>(form->link());
    graph = std::make_unique<Tgraphform>(form->link());
    viewer = std::make_unique<TReadform>(feedback);
    assign = std::make_unique<TAssignform>(form->link(), form->storedConfiguration());
    alarms = std::make_unique<TAlarmform>(form->link(), feedback, *assign, form->storedConfiguration());
    form->attachDataWindows(DataWindows{.settings = settings.get(),
                                        .current = current.get(),
                                        .graph = graph.get(),
                                        .viewer = viewer.get(),
                                        .alarms = alarms.get(),
                                        .assign = assign.get()});
    form->show();
    form->Timer1Timer();
  }

  // Exit -> Yes, and everything made again on the same store.
  void restart() {
    form->exityesBitBtnClick();
    stop();
    start();
  }

  void stop() {
    if (!form) return;
    form->attachDataWindows(DataWindows{});
    alarms.reset();
    assign.reset();
    viewer.reset();
    graph.reset();
    current.reset();
    settings.reset();
    form.reset();
  }

  void TearDown() override { stop(); }

  // The lowest row of the main window's frame with its tallest panel open.
  int tallestBottom() const {
    return form->geometry().top() + form->tallestLayoutHeight() - 1 +
           (form->frameGeometry().bottom() - form->geometry().bottom());
  }

  std::unique_ptr<Tmainform> form;
  std::unique_ptr<Tsetform> settings;
  std::unique_ptr<TCurrentform> current;
  std::unique_ptr<Tgraphform> graph;
  std::unique_ptr<TReadform> viewer;
  std::unique_ptr<TAssignform> assign;
  std::unique_ptr<TAlarmform> alarms;
};

TEST(WindowPlacement, DescribedPlacesAreTakenFromTheMainWindowsFrameAndBelowIt) {
  const QRect main(200, 50, 640, 90);
  EXPECT_EQ(placeBelowMainWindow(main, 330, QPoint(0, 104)), QPoint(200, 331));
  EXPECT_EQ(placeBelowMainWindow(main, 330, QPoint(300, 104)), QPoint(500, 331));
  EXPECT_EQ(placeBelowMainWindow(main, 330, QPoint(0, 304)), QPoint(200, 531));
  // Described over the main window (the history window at the corner): below it.
  EXPECT_EQ(placeBelowMainWindow(main, 330, QPoint(0, 0)), QPoint(200, 331));
}

TEST(WindowPlacement, ARememberedPlaceMustBeGrabbableOnAScreen) {
  const QList<QRect> screens{QRect(0, 0, 1280, 1024), QRect(1280, 0, 1024, 768)};
  EXPECT_TRUE(liesOnScreen(QRect(100, 100, 300, 200), screens));
  EXPECT_TRUE(liesOnScreen(QRect(2000, 700, 300, 200), screens));   // on the second, mostly below it
  EXPECT_TRUE(liesOnScreen(QRect(-250, 10, 300, 200), screens));    // 50 pixels of title on screen
  EXPECT_FALSE(liesOnScreen(QRect(-280, 10, 300, 200), screens));   // 20 pixels: too little to grab
  EXPECT_FALSE(liesOnScreen(QRect(2400, 100, 300, 200), screens));  // a screen that has gone
  EXPECT_FALSE(liesOnScreen(QRect(100, 1020, 300, 200), screens));  // its title below the screen
  EXPECT_FALSE(liesOnScreen(QRect(100, 100, 300, 200), {}));
}

TEST(WindowPlacement, ATallWindowIsPulledUpOnASmallScreenButNotOverTheToolBar) {
  const QRect screen(0, 0, 800, 600);
  EXPECT_EQ(keptOnScreen(QRect(0, 300, 300, 200), screen, 100), QPoint(0, 300));
  EXPECT_EQ(keptOnScreen(QRect(600, 500, 300, 200), screen, 100), QPoint(500, 400));
  EXPECT_EQ(keptOnScreen(QRect(0, 300, 640, 560), screen, 100), QPoint(0, 100));
}

TEST_F(MainFormPlacementTest, DataWindowsOpenBelowEveryPanelAtTheirOwnOffsets) {
  start();
  form->ToolButtons[7]->click();  // the port panel, the tallest
  ASSERT_FALSE(form->companel->isHidden());
  const int below = tallestBottom() + 1;
  EXPECT_EQ(form->frameGeometry().bottom() + 1, below);

  form->ToolButton4Click();
  form->ToolButton6Click();
  form->ToolButton7Click();
  form->ToolButton5Click();
  EXPECT_EQ(current->pos(), QPoint(form->x(), below));
  EXPECT_EQ(settings->pos(), QPoint(form->x() + 300, below));
  EXPECT_EQ(alarms->pos(), QPoint(form->x(), below + 200));
  // The history window describes itself at the desktop's corner, over the
  // tool bar; it goes below the main window too.
  EXPECT_EQ(graph->pos(), QPoint(form->x(), below));

  // With the panel closed again nothing moves, and opening another panel
  // covers no window.
  form->ToolButtons[7]->click();
  form->ToolButtons[11]->click();  // the log panel
  for (QWidget* window : std::initializer_list<QWidget*>{current.get(), settings.get(), alarms.get()})
    EXPECT_GT(window->y(), form->frameGeometry().bottom()) << window->objectName().toStdString();
  EXPECT_EQ(current->pos(), QPoint(form->x(), below));
}

TEST_F(MainFormPlacementTest, OpeningAPanelLeavesTheMainWindowWhereTheOperatorPutIt) {
  start();
  form->move(120, 80);
  form->ToolButtons[7]->click();
  form->ToolButtons[9]->click();
  form->ToolButtons[11]->click();
  EXPECT_EQ(form->pos(), QPoint(120, 80));
}

TEST_F(MainFormPlacementTest, EachWindowComesBackWhereItWasAfterARestart) {
  start();
  form->move(30, 20);
  form->ToolButton4Click();
  form->ToolButton7Click();
  current->move(400, 150);
  alarms->move(60, 420);
  form->ToolButtons[8]->click();  // the phone book
  ASSERT_NE(form->phoneBook(), nullptr);
  form->phoneBook()->setGeometry(300, 200, 500, 300);
  const QPoint bookAt = form->phoneBook()->pos();
  // What is kept is the inside of the window, below its title bar.
  const QRect inside = alarms->geometry();
  const WindowPlace alarmsAt{inside.x(), inside.y(), inside.width(), inside.height()};
  restart();

  EXPECT_EQ(form->pos(), QPoint(30, 20));
  form->ToolButton4Click();
  form->ToolButtons[8]->click();
  EXPECT_EQ(current->pos(), QPoint(400, 150));
  EXPECT_EQ(form->phoneBook()->pos(), bookAt);
  EXPECT_EQ(form->phoneBook()->size(), QSize(500, 300));  // it can be resized, so its size comes back
  // A window not shown in a run keeps the place it had before.
  restart();
  EXPECT_EQ(windowPlace(loadConfiguration(store), PlacedWindow::Alarms), alarmsAt);
  form->ToolButton7Click();
  EXPECT_EQ(alarms->pos(), QPoint(60, 420));
}

TEST_F(MainFormPlacementTest, APlaceNoLongerOnAnyScreenIsNotRestored) {
  store.set("Windows", "Current State Left", "5000");  // a second screen that has gone
  store.set("Windows", "Current State Top", "300");
  store.set("Windows", "Current State Width", "300");
  store.set("Windows", "Current State Height", "130");
  start();
  form->ToolButton4Click();
  EXPECT_EQ(current->pos(), QPoint(form->x(), tallestBottom() + 1));
}

TEST_F(MainFormPlacementTest, AModemProblemOpensOverThePhoneBookWhileItShows) {
  start();
  form->ToolButtons[8]->click();
  TfrmPhoneBook* book = form->phoneBook();
  ASSERT_TRUE(book && book->isVisible());
  form->reportModemProblem("COM4 (/dev/ttyS3): No such file or directory");
  const auto overBook = book->findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(overBook.size(), 1);
  EXPECT_TRUE(overBook.front()->isVisible());

  // Without the phone book the main window is the one dialling.
  form->ToolButtons[8]->click();
  form->reportModemProblem("COM4 (/dev/ttyS3): Device or resource busy");
  const auto overMain = form->findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(overMain.size(), 1);
  EXPECT_EQ(overMain.front()->text(), "COM4 (/dev/ttyS3): Device or resource busy");
  for (QMessageBox* box : overMain) box->close();
}

}  // namespace
}  // namespace solwire
