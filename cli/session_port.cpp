#include "cli/session_port.h"

#include "cli/read_failure.h"

namespace solwire::cli {

SessionPort::SessionPort(const SessionOptions& options) : port_(options.port) {
  const auto com = comNumberOf(options.port);
  comNumber_ = com.has_value();
  device_ = com ? PortNames().pathFor(*com) : options.port;
  if (device_ == kSimulatedLineName) {
    simulated_ = std::make_unique<sim::SimulatedLineService>(baudRateForIndex(options.baudIndex));
    simulated_->registerAs(registry_);
  }
}

std::string SessionPort::failureText(const LinkSession& session) const {
  const RequestOutcome& outcome = session.lastOutcome();
  if (outcome.kind != OutcomeKind::PortFailed || session.portError().empty()) return readFailureText(outcome);
  return std::string(statusText(LinkStatus::PortSetException, Language::English)) + ": " + port_ +
         (comNumber_ ? " (" + device_ + ")" : "") + ": " + session.portError();
}

}  // namespace solwire::cli
