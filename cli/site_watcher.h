// The rounds of solwire-cli watch on one line: each round reads the current
// state (and with alarms the alarm inputs) of every listed site in turn, one
// request at a time, and hands each reading on as it ends. A round starts
// every so often, or at once when the one before took longer.
#pragma once

#include <functional>
#include <memory>

#include "cli/link_session.h"
#include "cli/session_port.h"
#include "cli/watch_options.h"
#include "fleet/site_reading.h"

namespace solwire::cli {

struct WatcherEnvironment {
  const SessionPort& port;
  MonotonicClock& clock;
  std::function<std::string()> isoTimeNow;  // the time a reading ended, ISO 8601 with offset
};

class SiteWatcher {
 public:
  using Deliver = std::function<void(const fleet::SiteReading&)>;
  SiteWatcher(const WatchOptions& options, WatcherEnvironment environment, Deliver deliver);

  // Rounds until `stop` returns true. It is asked between readings and while
  // waiting for the next round, so a reading under way is always finished.
  void run(const std::function<bool()>& stop);
  // Reads one site now.
  fleet::SiteReading readSite(int site);
  // Keeps the line's own timers running for at most `span`, until `done`.
  void idle(const std::function<bool()>& done, std::chrono::milliseconds span);

  int rounds() const { return rounds_; }

 private:
  void runRound(const std::function<bool()>& stop);
  void selectSite(int site);

  WatchOptions options_;
  WatcherEnvironment environment_;
  Deliver deliver_;
  std::unique_ptr<LinkSession> session_;
  int rounds_ = 0;
};

}  // namespace solwire::cli
