// The port a command's modem sessions dial from: the built-in simulated modem
// when the port names it (directly, or a COM number set to "sim-modem").
#pragma once

#include <memory>
#include <string>

#include "serial/virtual_device_registry.h"
#include "sim/simulated_modem_service.h"

namespace solwire::cli {

class ModemPort {
 public:
  explicit ModemPort(const std::string& port);
  const VirtualDeviceRegistry& registry() const { return registry_; }

 private:
  VirtualDeviceRegistry registry_;
  std::unique_ptr<sim::SimulatedModemService> simulated_;
};

}  // namespace solwire::cli
