// Services for running the link without windows: the link status is only
// recorded, beeps are silent, there is no periodic log file and no modem.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/link_environment.h"

namespace solwire {

// Views that show nothing but the link status, which goes to `onStatus`.
class StatusOnlyViews : public LinkViews {
 public:
  explicit StatusOnlyViews(std::function<void(LinkStatus)> onStatus = {}) : onStatus_(std::move(onStatus)) {}
  void showLinkStatus(LinkStatus status) override {
    if (onStatus_) onStatus_(status);
  }
  void showClock(const LocalTime&) override {}
  void showLinkInStatus(int, int) override {}
  void showHoursToLog(int, bool) override {}
  void hideCurrentStateWait() override {}
  void labelupdate() override {}
  void setdisplay() override {}
  void caldisplay() override {}
  void hideHistoryWait() override {}
  void setHistoryProgress(int) override {}
  void drawgraph() override {}
  void repaintAlarmStatus() override {}
  void setAlarmPollPending(bool) override {}
  void enableSaveOption(SaveOption) override {}
  void disableSaveOptions() override {}

 private:
  std::function<void(LinkStatus)> onStatus_;
};

// Records every status shown, and passes it on.
class StatusRecorder : public StatusOnlyViews {
 public:
  using StatusOnlyViews::StatusOnlyViews;
  void showLinkStatus(LinkStatus status) override {
    statuses.push_back(status);
    StatusOnlyViews::showLinkStatus(status);
  }

  LinkStatus last() const { return statuses.empty() ? LinkStatus::Closed : statuses.back(); }
  std::vector<LinkStatus> statuses;
};

class SilentFeedback : public Feedback {
 public:
  void beep() override {}
};

class NoLogFile : public LogWriter {
 public:
  void writeLogEntry(const LogReading&) override {}
};

class NoModem : public DialSupervisor {
 public:
  void superviseCalls() override {}
  void dialup(DialReason, const std::string&) override {}
};

}  // namespace solwire
