// What the unattended logger makes of each sample, however the site was
// reached: the reading's entry in the rich-text log (through the same writer
// as the desktop's), a row in the spreadsheet file, one line on the output
// naming the files that took the reading, and the reasons of what failed on
// the error stream. A sample with no reading writes no entry but a row with
// empty values, so the gap shows.
#pragma once

#include <optional>
#include <string>

#include "cli/csv_log_file.h"
#include "cli/logger_options.h"
#include "cli/sample_outcome.h"
#include "cli/zoned_time.h"
#include "store/periodic_log_writer.h"

namespace solwire::cli {

class SampleRecorder {
 public:
  SampleRecorder(const LoggerOptions& options, const LoggerEnvironment& environment);
  SampleRecorder(const SampleRecorder&) = delete;
  SampleRecorder& operator=(const SampleRecorder&) = delete;

  // A reading came: its entry and its row, each written whatever became of
  // the other.
  void recordReading(const LogReading& reading);
  // No reading came, for `reason`.
  void recordFailure(const std::string& reason);

  int samples() const { return samples_; }
  // Samples no file has: no reading came, or no file took it.
  int failedSamples() const { return failed_; }
  // Samples whose reading is in some of the files only.
  int samplesNotInEveryFile() const { return notInEveryFile_; }
  const SampleOutcome& lastOutcome() const { return last_; }
  // "LOG.RTF" or "LOG.RTF and log.csv", for the logger's first line.
  std::string destination() const;
  // "3 sample(s), 1 failed", and how many are in some files only when any are.
  std::string tally() const;

 private:
  // Each true when the file took what it was given; what went wrong goes to `problems`.
  bool writeEntry(const LogReading& reading, std::string& problems);
  bool writeRow(const std::string& time, int site, const std::optional<LogReading>& reading, std::string& problems);
  void finish(int site, SampleOutcome outcome, const std::string& problems);

  LoggerOptions options_;
  LoggerEnvironment environment_;
  PeriodicLogWriter entries_;
  std::optional<CsvLogFile> csv_;
  ZonedTime sampleTime_;      // the entry's and the row's time
  std::string entryProblem_;  // set by the entry writer's callbacks
  SampleOutcome last_;
  int samples_ = 0;
  int failed_ = 0;
  int notInEveryFile_ = 0;
};

}  // namespace solwire::cli
