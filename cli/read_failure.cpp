#include "cli/read_failure.h"

#include "protocol/status_messages.h"

namespace solwire::cli {

namespace {

std::string english(LinkStatus status) { return std::string(statusText(status, Language::English)); }

}  // namespace

std::string readFailureText(const RequestOutcome& outcome) {
  const std::string site = "site " + std::to_string(outcome.request.site);
  switch (outcome.kind) {
    case OutcomeKind::Record: break;
    case OutcomeKind::TimedOut: return english(LinkStatus::DataTimeout) + ": " + site + " did not answer";
    case OutcomeKind::ReadError:
      return english(LinkStatus::ReadError) + ": the reply of " + site + " did not check (a damaged or foreign reply)";
    case OutcomeKind::PortFailed:
      return english(LinkStatus::CantOpenPort) + ": reading " + site + " failed: " + outcome.reason;
    case OutcomeKind::Refused:
    case OutcomeKind::Cancelled: return english(LinkStatus::CommFail) + ": " + site + " was not read: " + outcome.reason;
  }
  return english(LinkStatus::CommFail) + ": reading " + site + " failed";
}

}  // namespace solwire::cli
