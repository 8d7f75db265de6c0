// The port a command's link session opens: the built-in simulated line when
// the port names it (directly, or a COM number set to "sim"), and the words
// that say why a read over it failed.
#pragma once

#include <memory>
#include <string>

#include "cli/link_session.h"
#include "sim/simulated_line_service.h"

namespace solwire::cli {

class SessionPort {
 public:
  explicit SessionPort(const SessionOptions& options);
  const VirtualDeviceRegistry& registry() const { return registry_; }
  // The device path the port resolves to.
  const std::string& device() const { return device_; }
  // The built-in simulated line, when the port names it; else nullptr.
  sim::SimulatedLineService* simulatedLine() const { return simulated_.get(); }

  // Why the session's last read failed, naming the site; for a port that
  // would not open, the port, its device and the system's reason.
  std::string failureText(const LinkSession& session) const;

 private:
  std::string port_;
  std::string device_;
  bool comNumber_ = false;
  VirtualDeviceRegistry registry_;
  std::unique_ptr<sim::SimulatedLineService> simulated_;
};

}  // namespace solwire::cli
