#include "cli/site_watcher.h"

#include "cli/sample_schedule.h"

namespace solwire::cli {

SiteWatcher::SiteWatcher(const WatchOptions& options, WatcherEnvironment environment, Deliver deliver)
    : options_(options), environment_(std::move(environment)), deliver_(std::move(deliver)) {
  const SessionOptions session{options_.port, options_.baudIndex, options_.sites.front()};
  session_ = std::make_unique<LinkSession>(session, environment_.port.registry(), environment_.clock);
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

void SiteWatcher::runRound(const std::function<bool()>& stop) {
  for (const int site : options_.sites) {
    if (stop()) return;
    deliver_(readSite(site));
  }
  ++rounds_;
}

// As the desktop's site selector does: what the controller kept for the site
// before (a deferred request, lists read) does not carry over.
void SiteWatcher::selectSite(int site) {
  LinkController& controller = session_->controller();
  if (controller.controls().site == site) return;
  controller.controls().site = site;
  controller.siteselChanging();
}

fleet::SiteReading SiteWatcher::readSite(int site) {
  selectSite(site);
  fleet::SiteReading reading;
  reading.site = site;
  reading.ok = session_->read(Requester::CurrentStateView);
  if (reading.ok) {
    reading.scaling = session_->data().scaling;
    reading.current = session_->data().current;
  }
  if (reading.ok && options_.alarms) {
    reading.ok = session_->read(Requester::AlarmView);
    if (reading.ok) reading.alarms = fleet::activeAlarmInputs(session_->data().alarms);
  }
  if (!reading.ok) reading.error = environment_.port.failureText(*session_);
  reading.time = environment_.isoTimeNow();
  return reading;
}

}  // namespace solwire::cli
