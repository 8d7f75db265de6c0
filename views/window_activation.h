// Which activations of a data window it acts on. A data window reads from
// the line (and resets what it shows) when it is activated; Qt activates a
// window as well when the whole program gets the focus back from another
// program, and switching to a terminal and back must not start a reading,
// restart a history transfer or reset a chart. So an activation counts when
// the focus moves to the window from another window of this program, or when
// the window has just been shown; not when the program was inactive before
// it (the focus had left all of its windows).
//
// Use: a member of the window, given the handler to run:
//   WindowActivation activation_{this, [this] { FormActivate(); }};
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace solwire {

class WindowActivation : public QObject {
 public:
  WindowActivation(QWidget* window, std::function<void()> onActivation);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void activated();
  void focusMoved(bool toOneOfOurs);

  std::function<void()> onActivation_;
  // Since the focus left every window of the program, no window of it has
  // had the focus: the next activation is the program's return.
  bool programLeft_ = false;
  // Shown by the program since the window's last activation.
  bool shown_ = false;
};

}  // namespace solwire
