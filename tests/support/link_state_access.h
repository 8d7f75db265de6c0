// Tests set a link state up directly when the way there is not what they test.
#pragma once

#include "protocol/link_controller.h"

namespace solwire {

struct LinkStateAccess {
  struct Fields {
    bool& DirectMode;
    bool& RequestBusy;
    bool& StartupHold;
    bool& Dialling;
    bool& ModemConnected;
    bool& LineIdle;
    bool& HangupRequested;
    bool& LogDialActive;
    bool& AlarmDialActive;
    bool& LogDialPending;
    bool& AlarmDialPending;
    bool& LineReserved;
    bool& WritePending;
    int& BusyCountdown;
    DeferredRequest& Deferred;
    int& HistoryBlock;
  };
  static Fields of(LinkController& controller) {
    LinkState& s = controller.state_;
    return {s.DirectMode,      s.RequestBusy,      s.StartupHold,  s.Dialling,      s.ModemConnected, s.LineIdle,
            s.HangupRequested, s.LogDialActive,    s.AlarmDialActive, s.LogDialPending, s.AlarmDialPending,
            s.LineReserved,    s.WritePending,     s.BusyCountdown, s.Deferred,       s.HistoryBlock};
  }
};

}  // namespace solwire
