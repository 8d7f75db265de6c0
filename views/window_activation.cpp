#include "views/window_activation.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>
#include <QWidget>

namespace solwire {

WindowActivation::WindowActivation(QWidget* window, std::function<void()> onActivation)
    : onActivation_(std::move(onActivation)) {
  window->installEventFilter(this);
  // Qt announces the new focus window after the activation it caused, so at
  // an activation these still describe the focus before it.
  connect(qGuiApp, &QGuiApplication::focusWindowChanged, this,
          [this](QWindow* focus) { focusMoved(focus != nullptr); });
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) focusMoved(false);
  });
}

bool WindowActivation::eventFilter(QObject* watched, QEvent* event) {
  // A show by the program, not a window manager's restore of a minimised window.
  if (event->type() == QEvent::Show && !event->spontaneous()) shown_ = true;
  if (event->type() == QEvent::WindowActivate) activated();
  return QObject::eventFilter(watched, event);
}

void WindowActivation::activated() {
  const bool counts = shown_ || !programLeft_;
  shown_ = false;
  programLeft_ = false;
  if (counts && onActivation_) onActivation_();
}

void WindowActivation::focusMoved(bool toOneOfOurs) {
  if (toOneOfOurs) {
    programLeft_ = false;
    return;
  }
  programLeft_ = true;
  // A window shown while the program lost the focus was not activated by
  // its showing.
  shown_ = false;
}

}  // namespace solwire
