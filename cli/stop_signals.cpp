#include "cli/stop_signals.h"

#include <atomic>

namespace solwire::cli {

namespace {

std::atomic<bool> stopReceived{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void noteStop(int) { stopReceived.store(true); }

}  // namespace

StopSignals::StopSignals() {
  stopReceived.store(false);
  struct sigaction action {};
  action.sa_handler = noteStop;
  sigemptyset(&action.sa_mask);
  // Restarted, a write under way when the signal comes is not cut short.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInterrupt_);
  sigaction(SIGTERM, &action, &previousTerminate_);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInterrupt_, nullptr);
  sigaction(SIGTERM, &previousTerminate_, nullptr);
}

bool StopSignals::received() const { return stopReceived.load(); }

}  // namespace solwire::cli
