#include "modem/com_port_carrier_line.h"

#include "serial/modem_status.h"
#include "serial/trigger_list.h"

namespace solwire {

std::uint16_t ComPortCarrierLine::newCarrierTrigger() { return port_.NewStatusTrigger(stModem); }

void ComPortCarrierLine::armCarrierTrigger(std::uint16_t handle) {
  port_.ArmStatusTrigger(handle, modem::kDCD, true);
}

void ComPortCarrierLine::dropCarrierTrigger(std::uint16_t handle) { port_.DropTrigger(handle); }

}  // namespace solwire
