// The site selector takes keys, the wheel and typed numbers as well as its
// arrow buttons: site 31 is two key presses away, not 31 clicks.
#include "app/up_down.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWheelEvent>
#include <vector>

namespace solwire {
namespace {

using namespace std::chrono_literals;

class UpDownTest : public ::testing::Test {
 protected:
  UpDownTest() {
    control_.setClock([this] { return now_; });
    QObject::connect(&control_, &UpDown::changing, [this] { seen_.push_back(-1 - control_.position()); });
    QObject::connect(&control_, &UpDown::changed, [this](int site) { seen_.push_back(site); });
  }

  void press(int key, QWidget* to = nullptr) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, key >= Qt::Key_0 && key <= Qt::Key_9
                                                               ? QString(QChar('0' + (key - Qt::Key_0)))
                                                               : QString());
    QApplication::sendEvent(to ? to : &control_, &event);
  }
  void turnWheel(int eighths, QWidget* over) {
    QWheelEvent event(QPointF(2, 2), QPointF(2, 2), QPoint(), QPoint(0, eighths), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &event);
  }

  UpDown control_{0, 31};
  std::chrono::steady_clock::time_point now_{};
  std::vector<int> seen_;  // -1 - old position for `changing`, the new one for `changed`
};

TEST_F(UpDownTest, KeysStepPageAndJumpToTheEnds) {
  press(Qt::Key_Up);
  press(Qt::Key_Right);
  EXPECT_EQ(control_.position(), 2);
  press(Qt::Key_PageUp);
  EXPECT_EQ(control_.position(), 2 + UpDown::kPageSteps);
  press(Qt::Key_End);
  EXPECT_EQ(control_.position(), 31);
  press(Qt::Key_Up);  // at the end: no change, no signal
  press(Qt::Key_PageDown);
  EXPECT_EQ(control_.position(), 31 - UpDown::kPageSteps);
  press(Qt::Key_Home);
  press(Qt::Key_Down);
  EXPECT_EQ(control_.position(), 0);
  const std::vector<int> expected{-1, 1, -2, 2, -3, 2 + UpDown::kPageSteps, -11, 31, -32, 31 - UpDown::kPageSteps,
                                  -24, 0};
  EXPECT_EQ(seen_, expected) << "each change is announced once, while the old position still holds";
}

TEST_F(UpDownTest, DigitsTypedTogetherMakeOneNumberInRange) {
  press(Qt::Key_3);
  now_ += 300ms;
  press(Qt::Key_1);
  EXPECT_EQ(control_.position(), 31);
  now_ += UpDown::kTypingPause;  // a pause starts a new number
  press(Qt::Key_7);
  EXPECT_EQ(control_.position(), 7);
  now_ += 100ms;
  press(Qt::Key_5);  // 75 is out of range: 5 starts over
  EXPECT_EQ(control_.position(), 5);
  now_ += 100ms;
  press(Qt::Key_0);  // 50 is out of range: 0 starts over
  EXPECT_EQ(control_.position(), 0);
  press(Qt::Key_Up);  // a key between digits ends the number
  press(Qt::Key_2);
  EXPECT_EQ(control_.position(), 2);
}

TEST_F(UpDownTest, TheWheelStepsByNotchesOverTheControlAndItsNumber) {
  QLabel number;
  control_.attachBuddy(&number);
  turnWheel(120, &control_);
  turnWheel(240, &number);
  EXPECT_EQ(control_.position(), 3);
  turnWheel(60, &number);  // half a notch: a fine wheel's first half
  EXPECT_EQ(control_.position(), 3);
  turnWheel(60, &number);
  EXPECT_EQ(control_.position(), 4);
  turnWheel(-480, &control_);
  EXPECT_EQ(control_.position(), 0);
  EXPECT_EQ(number.focusProxy(), &control_) << "a click on the number gives the selector the keys";
}

}  // namespace
}  // namespace solwire
