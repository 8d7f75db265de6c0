#include "cli/session_port.h"

#include <algorithm>

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

std::string SessionPort::failureText(const LinkSession& session, int site) const {
  const auto& statuses = session.statuses();
  if (std::find(statuses.begin(), statuses.end(), LinkStatus::DataTimeout) != statuses.end())
    return std::string(statusText(LinkStatus::DataTimeout, Language::English)) + ": site " + std::to_string(site) +
           " did not answer";
  if (session.portError().empty()) return std::string(statusText(session.lastStatus(), Language::English));
  return std::string(statusText(LinkStatus::PortSetException, Language::English)) + ": " + port_ +
         (comNumber_ ? " (" + device_ + ")" : "") + ": " + session.portError();
}

}  // namespace solwire::cli
