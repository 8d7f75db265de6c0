#include "app/qt_services.h"

#include <QApplication>
#include <QDateTime>
#include <QTimer>

namespace solwire {

LocalTime QtClock::localNow() const {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

void QtClock::callAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  QTimer::singleShot(delay, context_, std::move(task));
}

void QtFeedback::beep() { QApplication::beep(); }

}  // namespace solwire
