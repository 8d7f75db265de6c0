// The modem port's carrier-detect line on a serial port component: a modem
// status trigger on DCD, raised once when DCD changes from its state at arming.
#pragma once

#include "modem/dialup_supervisor.h"
#include "serial/com_port.h"

namespace solwire {

class ComPortCarrierLine : public CarrierLine {
 public:
  explicit ComPortCarrierLine(TComPort& port) : port_(port) {}

  std::uint16_t newCarrierTrigger() override;
  void armCarrierTrigger(std::uint16_t handle) override;
  void dropCarrierTrigger(std::uint16_t handle) override;
  bool carrierPresent() override { return port_.CarrierPresent(); }

 private:
  TComPort& port_;
};

}  // namespace solwire
