// What the unattended logger is told: which site, reached how, how often, and
// where its entries and rows go; and what it runs in (the port registry, the
// output streams, its clocks).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>

#include "cli/link_session.h"
#include "cli/modem_session.h"
#include "cli/session_wait.h"
#include "cli/zoned_time.h"
#include "store/report_file.h"

namespace solwire::cli {

struct LoggerOptions {
  SessionOptions session;  // the direct line; its site is the log site
  // Set: each sample dials the site through this modem instead of the direct
  // line (its site is the log site then).
  std::optional<ModemDialOptions> modem;
  int rateHours = 2;  // a sample at every rateHours-th change of the hour ...
  std::optional<std::chrono::seconds> every;  // ... or, set, one every so often
  std::filesystem::path logFile;
  Language language = Language::English;
  std::optional<std::filesystem::path> csvFile;

  int logSite() const { return modem ? modem->site : session.site; }
};

struct LoggerEnvironment {
  const VirtualDeviceRegistry& registry;
  std::ostream& out;
  std::ostream& err;
  MonotonicClock& clock = systemClock();
  std::function<ZonedTime()> localTime = systemZonedTime;
  AppendOptions append{};
  // How the waits of a modem call pass (see SessionWait).
  SessionWait callWait = waitInRealTime;
};

}  // namespace solwire::cli
