#include "serial/program_link.h"

#include <string>

namespace solwire {

void applyProgramPortSettings(TComPort& port) {
  port.setAutoOpen(false);
  port.setPromptForPort(false);
  port.setDTR(true);
  port.setRTS(false);
  port.setBufferFull(2000);
  port.setBufferResume(100);
  port.setBaud(2400);
}

ProgramLink::ProgramLink(MainThread& mainThread, MainThreadTimers& timers, const DeviceDirectory& devices,
                         MonotonicClock& clock)
    : Comport1(mainThread, devices, clock), Comport2(mainThread, devices, clock), datapack1(Comport1), Datapack2(timers) {
  applyProgramPortSettings(Comport1);
  applyProgramPortSettings(Comport2);
  Comport2.setComNumber(1);
  datapack1.setStartCond(StartCondition::scAnyData);
  datapack1.setEndCond(ecPacketSize);
  datapack1.setAutoEnable(false);
  datapack1.setPacketSize(27);
  datapack1.setTimeOut(150);
  Datapack2.setPacketSize(27);
  Datapack2.setTimeOut(5000);
  // Replies on the modem line reach the collector byte by byte.
  Comport2.OnTriggerAvail = [this](TComPort& port, std::uint16_t count) {
    std::string received;
    for (std::uint16_t i = 0; i < count; ++i) received.push_back(static_cast<char>(port.ReadChar()));
    Datapack2.Feed(received);
  };
}

}  // namespace solwire
