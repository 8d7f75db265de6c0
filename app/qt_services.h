// The link controller's clock, scheduler and beep over Qt's event loop.
#pragma once

#include <QObject>

#include "protocol/link_environment.h"

namespace solwire {

class QtClock : public Clock {
 public:
  explicit QtClock(QObject* context) : context_(context) {}
  LocalTime localNow() const override;
  void callAfter(std::chrono::milliseconds delay, std::function<void()> task) override;

 private:
  QObject* context_;
};

class QtFeedback : public Feedback {
 public:
  void beep() override;
};

}  // namespace solwire
