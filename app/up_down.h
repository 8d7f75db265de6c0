// An up-down control: two arrow buttons stepping a position within a range.
// `changing` is raised before each change, while the old position still holds.
// With the focus it also takes the arrow keys (one step), Page Up and Page
// Down (kPageSteps), Home and End, the mouse wheel, and a number typed digit
// by digit: each digit typed within kTypingPauseMs of the one before extends
// the number while it stays in range ("3" then "1" goes to 31).
#pragma once

#include <QWidget>
#include <chrono>
#include <functional>

class QToolButton;

namespace solwire {

class UpDown : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPageSteps = 8;
  static constexpr std::chrono::milliseconds kTypingPause{1000};

  UpDown(int minimum, int maximum, QWidget* parent = nullptr);

  int position() const { return position_; }
  // Sets the position without raising any signal (values are clamped).
  void setPosition(int position);
  void stepBy(int steps);
  // Moves to `position` (clamped), raising the signals when it changes.
  void moveTo(int position);

  // A widget that shows the position (the number beside the arrows): a
  // click on it gives this control the focus, and its wheel and keys act here.
  void attachBuddy(QWidget* buddy);
  // Where the time between typed digits comes from; tests put a clock here.
  void setClock(std::function<std::chrono::steady_clock::time_point()> now) { now_ = std::move(now); }

 signals:
  void changing();
  void changed(int position);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool typeDigit(int digit);

  int minimum_;
  int maximum_;
  int position_;
  QToolButton* up_;
  QToolButton* down_;
  int wheelEighths_ = 0;  // wheel turns not yet a whole step
  int typed_ = -1;        // the number typed so far; -1 when none
  std::chrono::steady_clock::time_point lastDigit_{};
  std::function<std::chrono::steady_clock::time_point()> now_ = [] { return std::chrono::steady_clock::now(); };
};

}  // namespace solwire
