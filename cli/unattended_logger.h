// The unattended logger: a link session with periodic logging on, whose log
// readings become entries of the rich-text log (through the same writer as
// the desktop's) and, optionally, rows of a spreadsheet file. When a reading
// falls due is the link controller's decision, made on its one-second timer;
// this class only reports each sample: one line on the output, the reason of
// a failure on the error stream, and a row with empty values for a failed
// sample so the gap shows.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/csv_log_file.h"
#include "cli/link_session.h"
#include "store/periodic_log_writer.h"

namespace solwire::cli {

struct LoggerOptions {
  SessionOptions session;  // its site is the log site
  int rateHours = 2;
  std::filesystem::path logFile;
  Language language = Language::English;
  std::optional<std::filesystem::path> csvFile;
};

struct LoggerEnvironment {
  const VirtualDeviceRegistry& registry;
  std::ostream& out;
  std::ostream& err;
  MonotonicClock& clock = systemClock();
  std::function<LocalTime()> localTime = systemLocalTime;
  AppendOptions append{};
};

class UnattendedLogger {
 public:
  // `periodic`: the controller issues log readings on its schedule; off, only
  // sampleNow() takes one.
  UnattendedLogger(const LoggerOptions& options, LoggerEnvironment environment, bool periodic);

  // One log reading now, through the controller, and its entry written at
  // the next tick. True when the reading came and its entry and row were written.
  bool sampleNow();

  // Runs the one-second cycle until `stop` returns true. It is asked between
  // events, so a stop never falls in the middle of writing an entry.
  void run(const std::function<bool()>& stop);

  int samples() const { return samples_; }
  int failedSamples() const { return failed_; }
  LinkSession& session() { return *session_; }

 private:
  // The controller's log writer: the desktop's writer, then the report of the sample.
  class SampleWriter : public LogWriter {
   public:
    explicit SampleWriter(UnattendedLogger& logger) : logger_(logger) {}
    void writeLogEntry(const LogReading& reading) override { logger_.writeEntry(reading); }

   private:
    UnattendedLogger& logger_;
  };

  void writeEntry(const LogReading& reading);
  void noteStatus(LinkStatus status);
  void reportPendingFailure();
  void finishSample(const std::optional<LogReading>& reading, const std::string& problem);
  std::string failureReason() const;
  SessionSchedule schedule(bool periodic);

  LoggerOptions options_;
  LoggerEnvironment environment_;
  PeriodicLogWriter entries_;
  SampleWriter writer_{*this};
  std::optional<CsvLogFile> csv_;
  std::unique_ptr<LinkSession> session_;

  std::string entryProblem_;         // set by the log writer's callbacks
  std::vector<LinkStatus> statuses_;  // since the last sample ended
  bool failurePending_ = false;
  int samples_ = 0;
  int failed_ = 0;
  bool lastSampleOk_ = false;
};

}  // namespace solwire::cli
