// The unattended logger on the direct line: a link session whose log
// readings become entries of the rich-text log and, optionally, rows of a
// spreadsheet file (see SampleRecorder). With a rate in hours, when a reading
// falls due is the link controller's decision, made on its one-second timer
// as in the desktop; with an interval, this class issues the log readings
// itself on the session's timers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/link_session.h"
#include "cli/logger_options.h"
#include "cli/sample_recorder.h"
#include "cli/sample_schedule.h"

namespace solwire::cli {

class UnattendedLogger {
 public:
  // `periodic`: readings are issued on the schedule; off, only sampleNow()
  // takes one.
  UnattendedLogger(const LoggerOptions& options, LoggerEnvironment environment, bool periodic);

  // One log reading now, through the controller, and its entry written at
  // the next tick; what became of it.
  const SampleOutcome& sampleNow();

  // Runs the one-second cycle until `stop` returns true. It is asked between
  // events, so a stop never falls in the middle of writing an entry.
  void run(const std::function<bool()>& stop);

  int samples() const { return recorder_.samples(); }
  int failedSamples() const { return recorder_.failedSamples(); }
  LinkSession& session() { return *session_; }

 private:
  // The controller's log writer: the entry of the reading that came, through the recorder.
  class SampleWriter : public LogWriter {
   public:
    explicit SampleWriter(UnattendedLogger& logger) : logger_(logger) {}
    void writeLogEntry(const LogReading& reading) override { logger_.writeEntry(reading); }

   private:
    UnattendedLogger& logger_;
  };

  void writeEntry(const LogReading& reading);
  void noteOutcome(const RequestOutcome& outcome);
  void reportPendingFailure();
  std::string failureReason(const RequestOutcome& outcome) const;
  SessionSchedule schedule(bool periodic);
  std::string scheduleText() const;
  void sampleFallsDue();
  void startIntervalSample();
  void sampleEnded();

  LoggerOptions options_;
  LoggerEnvironment environment_;
  SampleRecorder recorder_;
  SampleWriter writer_{*this};
  std::unique_ptr<IntervalSchedule> interval_;  // set with an interval
  std::unique_ptr<LinkSession> session_;

  std::optional<RequestOutcome> failed_;  // the reading that failed, until reported
  bool sampleUnderWay_ = false;  // an interval's reading was issued and has not ended
  bool sampleWaiting_ = false;   // the next one fell due before it ended
  bool stopping_ = false;        // asked to stop: no reading starts any more
};

}  // namespace solwire::cli
