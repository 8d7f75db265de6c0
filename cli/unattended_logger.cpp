#include "cli/unattended_logger.h"

#include <algorithm>
#include <utility>

#include "cli/csv_log_row.h"
#include "cli/local_time_text.h"

namespace solwire::cli {

namespace {

// The entry of a reading is written on the tick after its reply.
constexpr std::chrono::seconds kEntryWait{3};
// A stop waits this long at most for a sample under way to end.
constexpr std::chrono::seconds kStopWait{20};

bool contains(const std::vector<LinkStatus>& statuses, LinkStatus status) {
  return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
}

std::string english(LinkStatus status) { return std::string(statusText(status, Language::English)); }

}  // namespace

UnattendedLogger::UnattendedLogger(const LoggerOptions& options, LoggerEnvironment environment, bool periodic)
    : options_(options),
      environment_(std::move(environment)),
      entries_(PeriodicLogEnvironment{
          [this] { return options_.logFile; },
          [this] { return options_.language; },
          [this] { return reportStampOf(environment_.localTime()); },
          [this](const std::filesystem::path& file, AppendOutcome outcome) {
            if (outcome == AppendOutcome::NoRoomForNewFile)
              entryProblem_ = file.string() + ": not created, the disk is full; the sample is lost";
          },
          [this](const RichTextFileError& error) { entryProblem_ = error.what(); },
          environment_.append}) {
  if (options_.csvFile) csv_.emplace(*options_.csvFile, csvLogHeader());
  session_ = std::make_unique<LinkSession>(options_.session, environment_.registry, environment_.clock,
                                           schedule(periodic));
}

SessionSchedule UnattendedLogger::schedule(bool periodic) {
  SessionSchedule schedule;
  schedule.periodicLogging = periodic;
  schedule.rateHours = options_.rateHours;
  schedule.logSite = options_.session.site;
  schedule.logWriter = &writer_;
  schedule.localTime = environment_.localTime;
  schedule.onStatus = [this](LinkStatus status) { noteStatus(status); };
  schedule.onDeviceLost = [this] {
    environment_.err << "solwire-cli log: the port " << options_.session.port
                     << " has gone away; the next sample opens it again\n";
  };
  return schedule;
}

bool UnattendedLogger::sampleNow() {
  const int before = samples_;
  if (session_->read(Requester::MainWindow))
    session_->mainThread().runUntil([&] { return samples_ > before; }, kEntryWait);
  if (samples_ == before) failurePending_ = true;
  reportPendingFailure();
  return lastSampleOk_;
}

void UnattendedLogger::run(const std::function<bool()>& stop) {
  environment_.out << "solwire-cli log: site " << options_.session.site << " every " << options_.rateHours
                   << " hour(s) into " << options_.logFile.string()
                   << (csv_ ? " and " + csv_->path().string() : std::string()) << "; SIGINT or SIGTERM stops it\n"
                   << std::flush;
  const auto stopAsked = [&] {
    reportPendingFailure();
    return stop();
  };
  while (!stopAsked()) session_->mainThread().runUntil(stopAsked, std::chrono::hours(1));

  // A sample under way is finished (its entry written, or its failure
  // reported) rather than cut off.
  LinkController& controller = session_->controller();
  session_->mainThread().runUntil(
      [&] {
        reportPendingFailure();
        return !controller.lineBusy() && !controller.data().LogReadingReady;
      },
      kStopWait);
  environment_.out << "solwire-cli log: stopped after " << samples_ << " sample(s), " << failed_ << " failed\n"
                   << std::flush;
}

void UnattendedLogger::writeEntry(const LogReading& reading) {
  entryProblem_.clear();
  entries_.writeLogEntry(reading);
  finishSample(reading, entryProblem_);
}

// Called while the controller runs: only noted here, reported between events.
void UnattendedLogger::noteStatus(LinkStatus status) {
  statuses_.push_back(status);
  if (status == LinkStatus::CommFail || status == LinkStatus::ReadError) failurePending_ = true;
}

void UnattendedLogger::reportPendingFailure() {
  if (!failurePending_) return;
  finishSample(std::nullopt, failureReason());
}

std::string UnattendedLogger::failureReason() const {
  const std::string site = "site " + std::to_string(options_.session.site);
  if (contains(statuses_, LinkStatus::PortSetException) && !session_->portError().empty())
    return english(LinkStatus::PortSetException) + ": " + options_.session.port + ": " + session_->portError();
  if (contains(statuses_, LinkStatus::CantOpenPort))
    return english(LinkStatus::CantOpenPort) + ": " + options_.session.port;
  if (contains(statuses_, LinkStatus::DataTimeout))
    return english(LinkStatus::DataTimeout) + ": " + site + " did not answer";
  if (contains(statuses_, LinkStatus::ReadError))
    return english(LinkStatus::ReadError) + ": the reply of " + site + " did not check";
  return english(LinkStatus::CommFail) + ": no reading came from " + site;
}

void UnattendedLogger::finishSample(const std::optional<LogReading>& reading, const std::string& problem) {
  failurePending_ = false;
  statuses_.clear();
  const std::string time = isoLocalTime(environment_.localTime());
  const int site = reading ? reading->site : options_.session.site;
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
