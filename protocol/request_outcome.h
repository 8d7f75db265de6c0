// A request to a site and how it ended. Every request the link controller
// takes has a number of its own and ends in exactly one outcome, which the
// controller announces to whoever listens; callers learn what became of
// their request from it, never from the status bar.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "protocol/local_time.h"
#include "protocol/request_frames.h"
#include "protocol/site_data.h"

namespace solwire {

// Who asks for data; it selects the kind of request.
enum class Requester {
  CurrentStateView,   // kind 1
  SettingsView,       // kind 2
  CalibrationButton,  // kind 3
  HistoryView,        // kind 4: the whole transfer of blocks 1..8
  AlarmView,          // kind 5
  MainWindow,         // kind 6: a log reading of the log site
};

using RequestId = std::uint64_t;
inline constexpr RequestId kNoRequest = 0;

struct LinkRequest {
  RequestId id = kNoRequest;
  RequestKind kind = RequestKind::CurrentState;
  int site = 0;
  Requester requester = Requester::CurrentStateView;
};

enum class OutcomeKind {
  Record,      // the reply is stored: the request's record of its site
  TimedOut,    // no whole reply came in time
  ReadError,   // a reply came but failed its framing check
  Refused,     // the line was held (a dial, a hang-up, the program closing)
  PortFailed,  // the port could not be opened, or refused the frame
  Cancelled,   // a site change or the end of a modem call took the request back
};

struct RequestOutcome {
  LinkRequest request;
  OutcomeKind kind = OutcomeKind::Record;
  // What held the line, the port's own words, or what cancelled the request.
  std::string reason;
  LocalTime at{};
  // The voltage class of the request's own site, once a current-state
  // reading of it has given it; the record's volts are scaled with it.
  std::optional<Scaling> scaling;

  bool ok() const { return kind == OutcomeKind::Record; }
};

}  // namespace solwire
