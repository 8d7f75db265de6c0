// What the link controller needs from the program around it: the clock, the
// windows that show its results, audible feedback, the periodic log writer and
// the dial-up supervisor. Each is a small interface so that the controller runs
// the same in the desktop client, the command-line tool and the tests.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "protocol/local_time.h"
#include "protocol/site_data.h"
#include "protocol/status_messages.h"

namespace solwire {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime localNow() const = 0;
  // Runs `task` on the controller's thread once `delay` has passed, without
  // blocking the caller. Tasks that fall due together run in the order given.
  virtual void callAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;
};

class Feedback {
 public:
  virtual ~Feedback() = default;
  virtual void beep() = 0;
};

// The report options that replies enable and a site change disables.
enum class SaveOption { CurrentState, History, Settings, Calibration };

// The windows and status bar as the controller drives them.
class LinkViews {
 public:
  virtual ~LinkViews() = default;

  virtual void showLinkStatus(LinkStatus status) = 0;              // status panel 5
  virtual void showClock(const LocalTime& now) = 0;                // status panel 1
  virtual void showLinkInStatus(int comNumber, int baud) = 0;      // status panels 2, 3
  virtual void showHoursToLog(int hours, bool rateEditable) = 0;   // periodic log panel

  virtual void hideCurrentStateWait() = 0;
  virtual void labelupdate() = 0;
  // A list is in, or its reading failed; also called when a write to that
  // list's memory has had its 24 ticks, so that the editor releases its send
  // button.
  virtual void setdisplay() = 0;
  virtual void caldisplay() = 0;
  virtual void hideHistoryWait() = 0;  // wait label and progress bar
  virtual void setHistoryProgress(int position) = 0;
  virtual void drawgraph() = 0;
  virtual void repaintAlarmStatus() = 0;
  virtual void setAlarmPollPending(bool pending) = 0;  // alarm state label red / normal

  virtual void enableSaveOption(SaveOption option) = 0;
  virtual void disableSaveOptions() = 0;
};

// Writes one periodic log entry, composed from the log reading that arrived.
class LogWriter {
 public:
  virtual ~LogWriter() = default;
  virtual void writeLogEntry(const LogReading& reading) = 0;
};

// Why a call is made: the periodic log and the alarm poll end their calls by
// themselves; a call from the phone book lasts until the operator hangs up.
enum class DialReason { Log, Alarm, PhoneBook };

// Dial-up and call supervision of the modem line.
class DialSupervisor {
 public:
  virtual ~DialSupervisor() = default;
  // The once-a-second step: hang-up requests, retry and call countdowns.
  virtual void superviseCalls() = 0;
  virtual void dialup(DialReason reason, const std::string& number) = 0;
};

}  // namespace solwire
