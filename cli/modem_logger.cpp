#include "cli/modem_logger.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/duration_option.h"
#include "cli/read_failure.h"

namespace solwire::cli {

namespace {

// Between calls the stop and the schedule are looked at this often.
constexpr std::chrono::seconds kLookInterval{1};

std::string secondsText(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

std::unique_ptr<SampleSchedule> scheduleFor(const LoggerOptions& options) {
  if (options.every) return std::make_unique<IntervalSchedule>(*options.every);
  return std::make_unique<HourChangeSchedule>(options.rateHours);
}

}  // namespace

ModemLogger::ModemLogger(const LoggerOptions& options, LoggerEnvironment environment)
    : options_(options),
      dial_(*options_.modem),
      environment_(std::move(environment)),
      recorder_(options_, environment_),
      schedule_(scheduleFor(options_)),
      ui_(environment_.clock) {}

const SampleOutcome& ModemLogger::sampleNow() {
  call();
  return recorder_.lastOutcome();
}

std::string ModemLogger::scheduleText() const {
  if (options_.every) return "every " + durationText(*options_.every);
  return "every " + std::to_string(options_.rateHours) + " hour(s)";
}

void ModemLogger::run(const std::function<bool()>& stop) {
  environment_.out << "solwire-cli log: site " << dial_.site << " by calling " << dial_.number << " through "
                   << dial_.modemPort << " " << scheduleText() << " into " << recorder_.destination()
                   << "; SIGINT or SIGTERM stops it\n"
                   << std::flush;
  while (waitForSample(stop)) call();
  environment_.out << "solwire-cli log: stopped after " << recorder_.tally() << '\n' << std::flush;
}

// True when a sample falls due, false when a stop came first.
bool ModemLogger::waitForSample(const std::function<bool()>& stop) {
  MonotonicClock& clock = environment_.clock;
  for (;;) {
    if (stop()) return false;
    const std::int64_t now = clock.nowMs();
    if (schedule_->due(now, environment_.localTime().local)) {
      schedule_->started(now);
      return true;
    }
    const std::chrono::milliseconds look =
        std::min<std::chrono::milliseconds>(schedule_->untilNextLook(now), kLookInterval);
    const std::int64_t lookAt = now + look.count();
    const auto timer = ui_.startTimer(look, [] {});
    ui_.runUntil([&] { return clock.nowMs() >= lookAt || stop(); }, look + kLookInterval);
    ui_.stopTimer(timer);
  }
}

void ModemLogger::call() {
  MonotonicClock& clock = environment_.clock;
  ModemSession session(dial_, environment_.registry, clock, environment_.callWait);
  const std::int64_t dialled = clock.nowMs();
  if (!session.dial()) {
    recorder_.recordFailure("Call failed: " + session.failure());
    return;
  }
  const std::int64_t connected = clock.nowMs();
  if (session.read(Requester::MainWindow))
    recorder_.recordReading(session.logReading());
  else
    recorder_.recordFailure(readFailure(session));
  const std::int64_t read = clock.nowMs();
  reportHangUp(session, session.hangUp(), dialled, connected, read);
}

std::string ModemLogger::readFailure(ModemSession& session) const {
  const std::string reason = readFailureText(session.lastOutcome());
  if (session.modemPortLost()) return "Call failed: " + session.portLostText() + " (" + reason + ")";
  if (session.carrierPresent()) return reason;
  return "Call failed: carrier lost (" + reason + ")";
}

void ModemLogger::reportHangUp(const ModemSession& session, bool hungUp, std::int64_t dialledMs,
                               std::int64_t connectedMs, std::int64_t readMs) const {
  const std::string call = "solwire-cli log: call to " + dial_.number;
  if (!hungUp) {
    environment_.err << call << ": the hang-up did not end ("
                     << statusText(session.lastStatus(), Language::English) << ")\n"
                     << std::flush;
    return;
  }
  const std::int64_t now = environment_.clock.nowMs();
  environment_.out << call << " connected after " << secondsText(connectedMs - dialledMs) << ", hung up after "
                   << secondsText(now - readMs) << '\n'
                   << std::flush;
}

}  // namespace solwire::cli
