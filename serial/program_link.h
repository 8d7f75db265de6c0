// The two lines as this program uses them: the direct port with its reply
// matcher, and the modem port with its fixed-size collector, set up with the
// program's values (no flow control, DTR on and RTS off, nothing opened or
// prompted for by itself).
#pragma once

#include "serial/com_port.h"
#include "serial/data_packet.h"
#include "serial/p_packet.h"

namespace solwire {

// The program's settings of a port component, which differ from its defaults.
void applyProgramPortSettings(TComPort& port);

struct ProgramLink {
  // `devices` resolves COM numbers and device paths for both ports.
  ProgramLink(MainThread& mainThread, MainThreadTimers& timers, const DeviceDirectory& devices,
              MonotonicClock& clock = systemClock());

  TComPort Comport1;
  TComPort Comport2;
  TDataPacket datapack1;
  TP_Packet Datapack2;
};

}  // namespace solwire
