// SIGINT and SIGTERM as a request to stop: the handler only sets a flag,
// which the command's loop reads between events, so that a file being
// written is finished first. The previous handlers come back on destruction.
#pragma once

#include <signal.h>

namespace solwire::cli {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool received() const;

 private:
  struct sigaction previousInterrupt_ {};
  struct sigaction previousTerminate_ {};
};

}  // namespace solwire::cli
