#include "cli/sample_recorder.h"

#include <utility>

#include "cli/csv_log_row.h"
#include "cli/local_time_text.h"

namespace solwire::cli {

namespace {

void addProblem(std::string& problems, const std::string& problem) {
  problems += (problems.empty() ? "" : "; ") + problem;
}

}  // namespace

SampleRecorder::SampleRecorder(const LoggerOptions& options, const LoggerEnvironment& environment)
    : options_(options),
      environment_(environment),
      entries_(PeriodicLogEnvironment{
          [this] { return options_.logFile; },
          [this] { return options_.language; },
          [this] { return reportStampOf(sampleTime_.local); },
          [this](const std::filesystem::path& file, AppendOutcome outcome) {
            if (outcome == AppendOutcome::NoRoomForNewFile)
              entryProblem_ = file.string() + ": not created, the disk is full";
          },
          [this](const RichTextFileError& error) { entryProblem_ = error.what(); },
          environment_.append}) {
  if (options_.csvFile) csv_.emplace(*options_.csvFile, csvLogHeader());
}

std::string SampleRecorder::destination() const {
  return options_.logFile.string() + (csv_ ? " and " + csv_->path().string() : std::string());
}

std::string SampleRecorder::tally() const {
  std::string text = std::to_string(samples_) + " sample(s), " + std::to_string(failed_) + " failed";
  if (notInEveryFile_ > 0) text += ", " + std::to_string(notInEveryFile_) + " not in every file";
  return text;
}

void SampleRecorder::recordReading(const LogReading& reading) {
  sampleTime_ = environment_.localTime();
  SampleOutcome outcome;
  outcome.read = true;
  std::string problems;
  const auto sort = [&outcome](bool took, const std::filesystem::path& file) {
    (took ? outcome.tookIt : outcome.missed).push_back(file.string());
  };
  sort(writeEntry(reading, problems), options_.logFile);
  if (csv_) sort(writeRow(isoLocalTime(sampleTime_), reading.site, reading, problems), csv_->path());
  finish(reading.site, std::move(outcome), problems);
}

void SampleRecorder::recordFailure(const std::string& reason) {
  sampleTime_ = environment_.localTime();
  std::string problems = reason;
  // The gap row; whether it was written changes nothing of the sample.
  if (csv_) writeRow(isoLocalTime(sampleTime_), options_.logSite(), std::nullopt, problems);
  finish(options_.logSite(), SampleOutcome{}, problems);
}

bool SampleRecorder::writeEntry(const LogReading& reading, std::string& problems) {
  entryProblem_.clear();
  entries_.writeLogEntry(reading);
  if (entryProblem_.empty()) return true;
  addProblem(problems, entryProblem_);
  return false;
}

bool SampleRecorder::writeRow(const std::string& time, int site, const std::optional<LogReading>& reading,
                              std::string& problems) {
  try {
    csv_->append(csvLogRow(time, site, reading));
    return true;
  } catch (const CsvLogError& error) {
    addProblem(problems, error.what());
    return false;
  }
}

void SampleRecorder::finish(int site, SampleOutcome outcome, const std::string& problems) {
  ++samples_;
  if (outcome.lost()) ++failed_;
  if (outcome.inSomeFilesOnly()) ++notInEveryFile_;
  environment_.out << isoLocalTime(sampleTime_) << " site " << site << ' ' << sampleOutcomeText(outcome) << '\n'
                   << std::flush;
  if (!problems.empty()) environment_.err << "solwire-cli log: " << problems << '\n' << std::flush;
  last_ = std::move(outcome);
}

}  // namespace solwire::cli
