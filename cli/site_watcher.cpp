#include "cli/site_watcher.h"

#include <utility>

#include "cli/duration_option.h"
#include "cli/sample_schedule.h"

namespace solwire::cli {

SiteWatcher::SiteWatcher(const WatchOptions& options, WatcherEnvironment environment, Deliver deliver)
    : options_(options), environment_(std::move(environment)), deliver_(std::move(deliver)) {
  const SessionOptions session{options_.port, options_.baudIndex, options_.sites.front()};
  SessionSchedule schedule;
  schedule.onDeviceLost = [this] { deviceLost_ = true; };
  session_ = std::make_unique<LinkSession>(session, environment_.port.registry(), environment_.clock,
                                           std::move(schedule));
}

void SiteWatcher::run(const std::function<bool()>& stop) {
  IntervalSchedule schedule(options_.every);
  while (!stop()) {
    const std::int64_t now = environment_.clock.nowMs();
    if (schedule.due(now, {})) {
      schedule.started(now);
      runRound(stop);
      continue;
    }
    idle([&] { return stop() || schedule.due(environment_.clock.nowMs(), {}); }, schedule.untilNextLook(now));
  }
}

void SiteWatcher::idle(const std::function<bool()>& done, std::chrono::milliseconds span) {
  session_->mainThread().runUntil(done, span);
}

// Each round opens a failed port afresh with its first request; while it
// stays away, the rest of the round is not asked.
void SiteWatcher::runRound(const std::function<bool()>& stop) {
  const std::int64_t started = environment_.clock.nowMs();
  const bool wasDown = portFailure_.has_value();
  portFailure_.reset();
  bool first = true;
  for (const int site : options_.sites) {
    if (stop()) return;
    deliver_(portFailure_ ? failedReading(site, *portFailure_) : readSite(site));
    if (first && wasDown && !portFailure_) {
      tell("the port " + options_.port + " is open again");
      portFailureTold_.reset();
    }
    first = false;
  }
  ++rounds_;
  noteRoundLength(started);
}

void SiteWatcher::noteRoundLength(std::int64_t startedMs) {
  const std::int64_t took = environment_.clock.nowMs() - startedMs;
  const auto every = std::chrono::duration_cast<std::chrono::milliseconds>(options_.every).count();
  if (took <= every) {
    overrunTold_ = false;
    return;
  }
  if (overrunTold_) return;
  overrunTold_ = true;
  tell("a round of " + std::to_string(options_.sites.size()) + " site(s) took " + std::to_string(took / 1000) + "." +
       std::to_string(took % 1000 / 100) + " s, longer than --every " + durationText(options_.every) +
       "; rounds follow one another without a pause");
}

// As the desktop's site selector does: what the controller kept for the site
// before (a deferred request, lists read) does not carry over.
void SiteWatcher::selectSite(int site) {
  LinkController& controller = session_->controller();
  if (controller.controls().site == site) return;
  controller.controls().site = site;
  controller.siteselChanging();
}

// A device that went away before or during a read that failed is why it
// failed; the session opens the port afresh for the next read.
bool SiteWatcher::readRecord(Requester requester) {
  const bool ok = session_->read(requester);
  const bool lost = std::exchange(deviceLost_, false);
  if (session_->lastOutcome().kind == OutcomeKind::PortFailed)
    portFailed(environment_.port.failureText(*session_));
  else if (lost && !ok)
    portFailed("the port " + options_.port + " has gone away");
  return ok;
}

fleet::SiteReading SiteWatcher::readSite(int site) {
  selectSite(site);
  fleet::SiteReading reading;
  reading.site = site;
  reading.ok = readRecord(Requester::CurrentStateView);
  if (reading.ok) {
    reading.scaling = session_->data().scaling;
    reading.current = session_->data().current;
  }
  if (reading.ok && options_.alarms) {
    reading.ok = readRecord(Requester::AlarmView);
    if (reading.ok) reading.alarms = fleet::activeAlarmInputs(session_->data().alarms);
  }
  if (!reading.ok) reading.error = portFailure_ ? *portFailure_ : environment_.port.failureText(*session_);
  reading.time = environment_.isoTimeNow();
  return reading;
}

fleet::SiteReading SiteWatcher::failedReading(int site, const std::string& error) const {
  fleet::SiteReading reading;
  reading.site = site;
  reading.error = error;
  reading.time = environment_.isoTimeNow();
  return reading;
}

// Said once for each new reason, not for every site or round.
void SiteWatcher::portFailed(const std::string& reason) {
  portFailure_ = reason;
  if (portFailureTold_ == reason) return;
  portFailureTold_ = reason;
  tell(reason + "; its sites are published as failed, and each round opens it again");
}

void SiteWatcher::tell(const std::string& text) const {
  if (environment_.notice) environment_.notice(text);
}

}  // namespace solwire::cli
