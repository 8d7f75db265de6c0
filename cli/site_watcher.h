// The rounds of solwire-cli watch on one line: each round reads the current
// state (and with alarms the alarm inputs) of every listed site in turn, one
// request at a time, and hands each reading on as it ends. A round starts
// every so often, or at once when the one before took longer.
//
// A port that fails (it will not open, or its device goes away) fails the
// whole line, not each site: the round's other sites are handed on as failed
// with the port's reason without being asked, and the next round opens the
// port afresh, so that a device server or adapter that comes back is used
// again without a restart.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "cli/link_session.h"
#include "cli/session_port.h"
#include "cli/watch_options.h"
#include "fleet/site_reading.h"

namespace solwire::cli {

struct WatcherEnvironment {
  const SessionPort& port;
  MonotonicClock& clock;
  std::function<std::string()> isoTimeNow;  // the time a reading ended, ISO 8601 with offset
  std::function<void(const std::string&)> notice;  // one line about the line's port or pace; may be empty
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
  // Why the port failed, while it is away.
  const std::optional<std::string>& portFailure() const { return portFailure_; }
  // The line's session, for what the rounds leave behind (its counters).
  LinkSession& session() { return *session_; }

 private:
  void runRound(const std::function<bool()>& stop);
  void noteRoundLength(std::int64_t startedMs);
  void selectSite(int site);
  bool readRecord(Requester requester);
  fleet::SiteReading failedReading(int site, const std::string& error) const;
  void portFailed(const std::string& reason);
  void tell(const std::string& text) const;

  WatchOptions options_;
  WatcherEnvironment environment_;
  Deliver deliver_;
  std::unique_ptr<LinkSession> session_;
  int rounds_ = 0;
  bool deviceLost_ = false;
  std::optional<std::string> portFailure_;
  std::optional<std::string> portFailureTold_;
  bool overrunTold_ = false;
};

}  // namespace solwire::cli
