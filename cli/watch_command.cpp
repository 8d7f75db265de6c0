// solwire-cli watch: every listed site of a line, round after round, as JSON
// lines on standard output.
#include "cli/commands.h"
#include "cli/local_time_text.h"
#include "cli/site_watcher.h"
#include "cli/stop_signals.h"
#include "fleet/state_payload.h"

namespace solwire::cli {

namespace {

void printJsonLine(std::ostream& out, const std::string& line, const fleet::SiteReading& reading) {
  fleet::Json json;
  json["line"] = line;
  json.update(fleet::statePayload(reading));
  out << json.dump() << '\n' << std::flush;
}

}  // namespace

int runWatch(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto options = parseWatch(args, err);
  if (!options) return kExitUsage;
  // Taken over before the first reading: a stop lets the reading under way finish.
  const StopSignals signals;
  const SessionPort port({options->port, options->baudIndex, options->sites.front()});
  WatcherEnvironment environment{port, systemClock(), [] { return isoLocalTime(systemZonedTime()); }};
  SiteWatcher watcher(*options, environment, [&](const fleet::SiteReading& reading) {
    if (options->jsonLines) printJsonLine(out, options->line, reading);
  });
  watcher.run([&] { return signals.received() || !out; });
  return kExitOk;
}

}  // namespace solwire::cli
