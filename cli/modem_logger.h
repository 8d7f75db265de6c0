// The unattended logger of a remote site: every sample is one call, on a
// modem session of its own (the setup string, the dial, the carrier within the
// call limit, the log reading over the modem link, the hang-up with the escape
// sequence and its guard times), so that each call starts on a freshly opened
// port and none outlives its sample. The reading's entry and row are written
// before the hang-up, with the time of the reading. A call that fails (busy,
// no carrier, no reply, carrier lost) is a failed sample, and the next one
// comes as planned.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/logger_options.h"
#include "cli/modem_session.h"
#include "cli/sample_recorder.h"
#include "cli/sample_schedule.h"

namespace solwire::cli {

class ModemLogger {
 public:
  // `options.modem` must be set.
  ModemLogger(const LoggerOptions& options, LoggerEnvironment environment);

  // One call now; what became of its sample.
  const SampleOutcome& sampleNow();

  // Calls the site on the schedule until `stop` returns true. It is asked
  // between calls (at least once a second), so a call under way is finished,
  // hang-up included, before the logger stops.
  void run(const std::function<bool()>& stop);

  int samples() const { return recorder_.samples(); }
  int failedSamples() const { return recorder_.failedSamples(); }

 private:
  void call();
  std::string readFailure(ModemSession& session) const;
  void reportHangUp(const ModemSession& session, bool hungUp, std::int64_t dialledMs, std::int64_t connectedMs,
                    std::int64_t readMs) const;
  bool waitForSample(const std::function<bool()>& stop);
  std::string scheduleText() const;

  LoggerOptions options_;
  const ModemDialOptions& dial_;
  LoggerEnvironment environment_;
  SampleRecorder recorder_;
  std::unique_ptr<SampleSchedule> schedule_;
  QueueMainThread ui_;  // the waits between calls
};

}  // namespace solwire::cli
