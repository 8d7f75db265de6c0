#include "cli/sample_recorder.h"

#include "cli/csv_log_row.h"
#include "cli/local_time_text.h"

namespace solwire::cli {

SampleRecorder::SampleRecorder(const LoggerOptions& options, const LoggerEnvironment& environment)
    : options_(options),
      environment_(environment),
      entries_(PeriodicLogEnvironment{
          [this] { return options_.logFile; },
          [this] { return options_.language; },
          [this] { return reportStampOf(sampleTime_.local); },
          [this](const std::filesystem::path& file, AppendOutcome outcome) {
            if (outcome == AppendOutcome::NoRoomForNewFile)
              entryProblem_ = file.string() + ": not created, the disk is full; the sample is lost";
          },
          [this](const RichTextFileError& error) { entryProblem_ = error.what(); },
          environment_.append}) {
  if (options_.csvFile) csv_.emplace(*options_.csvFile, csvLogHeader());
}

std::string SampleRecorder::destination() const {
  return options_.logFile.string() + (csv_ ? " and " + csv_->path().string() : std::string());
}

void SampleRecorder::recordReading(const LogReading& reading) {
  sampleTime_ = environment_.localTime();
  entryProblem_.clear();
  entries_.writeLogEntry(reading);
  finish(reading, entryProblem_);
}

void SampleRecorder::recordFailure(const std::string& reason) {
  sampleTime_ = environment_.localTime();
  finish(std::nullopt, reason);
}

void SampleRecorder::finish(const std::optional<LogReading>& reading, const std::string& problem) {
  const std::string time = isoLocalTime(sampleTime_);
  const int site = reading ? reading->site : options_.logSite();
  std::string trouble = problem;
  if (csv_) {
    try {
      csv_->append(csvLogRow(time, site, reading));
    } catch (const CsvLogError& error) {
      trouble += (trouble.empty() ? "" : "; ") + std::string(error.what());
    }
  }
  lastSampleOk_ = reading.has_value() && trouble.empty();
  ++samples_;
  if (!lastSampleOk_) ++failed_;
  environment_.out << time << " site " << site << (lastSampleOk_ ? " ok " : " failed ") << options_.logFile.string()
                   << '\n'
                   << std::flush;
  if (!trouble.empty()) environment_.err << "solwire-cli log: " << trouble << '\n' << std::flush;
}

}  // namespace solwire::cli
