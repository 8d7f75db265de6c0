// What the unattended logger makes of each sample, however the site was
// reached: the reading's entry in the rich-text log (through the same writer
// as the desktop's), a row in the spreadsheet file, one line on the output,
// and the reason of a failure on the error stream. A failed sample writes no
// entry but a row with empty values, so the gap shows.
#pragma once

#include <optional>
#include <string>

#include "cli/csv_log_file.h"
#include "cli/logger_options.h"
#include "cli/zoned_time.h"
#include "store/periodic_log_writer.h"

namespace solwire::cli {

class SampleRecorder {
 public:
  SampleRecorder(const LoggerOptions& options, const LoggerEnvironment& environment);
  SampleRecorder(const SampleRecorder&) = delete;
  SampleRecorder& operator=(const SampleRecorder&) = delete;

  // A reading came: its entry and row. The sample fails when either could
  // not be written.
  void recordReading(const LogReading& reading);
  // No reading came, for `reason`.
  void recordFailure(const std::string& reason);

  int samples() const { return samples_; }
  int failedSamples() const { return failed_; }
  bool lastSampleOk() const { return lastSampleOk_; }
  // "LOG.RTF" or "LOG.RTF and log.csv", for the logger's first line.
  std::string destination() const;

 private:
  void finish(const std::optional<LogReading>& reading, const std::string& problem);

  LoggerOptions options_;
  LoggerEnvironment environment_;
  PeriodicLogWriter entries_;
  std::optional<CsvLogFile> csv_;
  ZonedTime sampleTime_;      // the entry's and the row's time
  std::string entryProblem_;  // set by the entry writer's callbacks
  int samples_ = 0;
  int failed_ = 0;
  bool lastSampleOk_ = false;
};

}  // namespace solwire::cli
