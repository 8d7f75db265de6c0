#include "app/up_down.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>

namespace solwire {

namespace {

constexpr int kEighthsPerStep = 120;  // one notch of a common mouse wheel

}  // namespace

UpDown::UpDown(int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      minimum_(minimum),
      maximum_(maximum),
      position_(minimum),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  setFocusPolicy(Qt::WheelFocus);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  up_->setAutoRepeat(true);
  down_->setAutoRepeat(true);
  up_->setFocusPolicy(Qt::NoFocus);
  down_->setFocusPolicy(Qt::NoFocus);
  connect(up_, &QToolButton::clicked, this, [this] {
    setFocus(Qt::MouseFocusReason);
    stepBy(1);
  });
  connect(down_, &QToolButton::clicked, this, [this] {
    setFocus(Qt::MouseFocusReason);
    stepBy(-1);
  });
}

void UpDown::setPosition(int position) { position_ = std::clamp(position, minimum_, maximum_); }

void UpDown::stepBy(int steps) { moveTo(position_ + steps); }

void UpDown::moveTo(int position) {
  const int next = std::clamp(position, minimum_, maximum_);
  if (next == position_) return;
  emit changing();
  position_ = next;
  emit changed(position_);
}

void UpDown::attachBuddy(QWidget* buddy) {
  buddy->setFocusPolicy(Qt::ClickFocus);
  buddy->setFocusProxy(this);
  buddy->installEventFilter(this);
}

void UpDown::resizeEvent(QResizeEvent*) {
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9 && typeDigit(key - Qt::Key_0)) return;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Right: stepBy(1); break;
    case Qt::Key_Down:
    case Qt::Key_Left: stepBy(-1); break;
    case Qt::Key_PageUp: stepBy(kPageSteps); break;
    case Qt::Key_PageDown: stepBy(-kPageSteps); break;
    case Qt::Key_Home: moveTo(minimum_); break;
    case Qt::Key_End: moveTo(maximum_); break;
    default: QWidget::keyPressEvent(event); return;
  }
  typed_ = -1;
}

bool UpDown::typeDigit(int digit) {
  const auto now = now_();
  const bool continues = typed_ >= 0 && now - lastDigit_ < kTypingPause && typed_ * 10 + digit <= maximum_;
  const int number = continues ? typed_ * 10 + digit : digit;
  if (number < minimum_ || number > maximum_) return false;
  typed_ = number;
  lastDigit_ = now;
  moveTo(number);
  return true;
}

void UpDown::wheelEvent(QWheelEvent* event) {
  wheelEighths_ += event->angleDelta().y();
  const int steps = wheelEighths_ / kEighthsPerStep;
  wheelEighths_ -= steps * kEighthsPerStep;
  if (steps != 0) stepBy(steps);
  event->accept();
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    wheelEvent(static_cast<QWheelEvent*>(event));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace solwire
