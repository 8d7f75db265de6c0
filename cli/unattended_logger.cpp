#include "cli/unattended_logger.h"

#include <algorithm>
#include <utility>

#include "cli/duration_option.h"
#include "cli/read_failure.h"

namespace solwire::cli {

namespace {

// The entry of a reading is written on the tick after its reply.
constexpr std::chrono::seconds kEntryWait{3};
// A stop waits this long at most for a sample under way to end.
constexpr std::chrono::seconds kStopWait{20};

std::string english(LinkStatus status) { return std::string(statusText(status, Language::English)); }

}  // namespace

UnattendedLogger::UnattendedLogger(const LoggerOptions& options, LoggerEnvironment environment, bool periodic)
    : options_(options), environment_(std::move(environment)), recorder_(options_, environment_) {
  if (periodic && options_.every) interval_ = std::make_unique<IntervalSchedule>(*options_.every);
  session_ = std::make_unique<LinkSession>(options_.session, environment_.registry, environment_.clock,
                                           schedule(periodic && !interval_));
}

SessionSchedule UnattendedLogger::schedule(bool periodic) {
  SessionSchedule schedule;
  schedule.periodicLogging = periodic;
  schedule.rateHours = options_.rateHours;
  schedule.logSite = options_.session.site;
  schedule.logWriter = &writer_;
  schedule.localTime = [zoned = environment_.localTime] { return zoned().local; };
  schedule.onOutcome = [this](const RequestOutcome& outcome) { noteOutcome(outcome); };
  schedule.onDeviceLost = [this] {
    environment_.err << "solwire-cli log: the port " << options_.session.port
                     << " has gone away; the next sample opens it again\n";
  };
  return schedule;
}

const SampleOutcome& UnattendedLogger::sampleNow() {
  const int before = recorder_.samples();
  if (session_->read(Requester::MainWindow))
    session_->mainThread().runUntil([&] { return recorder_.samples() > before; }, kEntryWait);
  if (recorder_.samples() == before && !failed_) failed_ = session_->lastOutcome();
  reportPendingFailure();
  return recorder_.lastOutcome();
}

std::string UnattendedLogger::scheduleText() const {
  if (options_.every) return "every " + durationText(*options_.every);
  return "every " + std::to_string(options_.rateHours) + " hour(s)";
}

void UnattendedLogger::run(const std::function<bool()>& stop) {
  environment_.out << "solwire-cli log: site " << options_.session.site << " " << scheduleText() << " into "
                   << recorder_.destination() << "; SIGINT or SIGTERM stops it\n"
                   << std::flush;
  const auto stopAsked = [&] {
    reportPendingFailure();
    return stop();
  };
  if (interval_) startIntervalSample();
  while (!stopAsked()) session_->mainThread().runUntil(stopAsked, std::chrono::hours(1));
  stopping_ = true;

  // A sample under way is finished (its entry written, or its failure
  // reported) rather than cut off.
  LinkController& controller = session_->controller();
  session_->mainThread().runUntil(
      [&] {
        reportPendingFailure();
        return controller.requestsOpen() == 0 && !controller.data().LogReadingReady;
      },
      kStopWait);
  environment_.out << "solwire-cli log: stopped after " << recorder_.tally() << '\n' << std::flush;
}

// The interval's timer: the next reading, unless the last one has not ended
// yet; then it goes out as soon as that one has.
void UnattendedLogger::sampleFallsDue() {
  if (stopping_) return;
  if (sampleUnderWay_) {
    sampleWaiting_ = true;
    return;
  }
  startIntervalSample();
}

void UnattendedLogger::startIntervalSample() {
  if (stopping_) return;
  sampleWaiting_ = false;
  const std::int64_t now = environment_.clock.nowMs();
  interval_->started(now);
  session_->mainThread().startTimer(interval_->untilNextLook(now), [this] { sampleFallsDue(); });
  sampleUnderWay_ = true;
  session_->controller().Getdata(Requester::MainWindow);
}

void UnattendedLogger::sampleEnded() {
  failed_.reset();
  sampleUnderWay_ = false;
  if (sampleWaiting_) session_->mainThread().post([this] { startIntervalSample(); });
}

void UnattendedLogger::writeEntry(const LogReading& reading) {
  sampleEnded();
  recorder_.recordReading(reading);
}

// Called while the controller runs: only noted here, reported between events.
void UnattendedLogger::noteOutcome(const RequestOutcome& outcome) {
  if (outcome.request.kind == RequestKind::LogCurrentState && !outcome.ok()) failed_ = outcome;
}

void UnattendedLogger::reportPendingFailure() {
  if (!failed_) return;
  const std::string reason = failureReason(*failed_);
  sampleEnded();
  recorder_.recordFailure(reason);
}

std::string UnattendedLogger::failureReason(const RequestOutcome& outcome) const {
  if (outcome.kind != OutcomeKind::PortFailed) return readFailureText(outcome);
  if (!session_->portError().empty())
    return english(LinkStatus::PortSetException) + ": " + options_.session.port + ": " + session_->portError();
  return english(LinkStatus::CantOpenPort) + ": " + options_.session.port;
}

}  // namespace solwire::cli
