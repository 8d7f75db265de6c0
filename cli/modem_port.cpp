#include "cli/modem_port.h"

#include "cli/link_session.h"

namespace solwire::cli {

ModemPort::ModemPort(const std::string& port) {
  const auto com = comNumberOf(port);
  const std::string device = com ? PortNames().pathFor(*com) : port;
  if (device == kSimulatedModemName) {
    simulated_ = std::make_unique<sim::SimulatedModemService>(sim::builtInModemOptions());
    simulated_->registerAs(registry_);
  }
}

}  // namespace solwire::cli
