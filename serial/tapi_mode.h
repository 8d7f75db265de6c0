// Whether a serial port component is driven by the telephony line device:
// tmOn ports are opened by it on the modem of a call, tmOff ports open their
// own device, and a tmAuto port is switched to tmOn by the first dial.
#pragma once

namespace solwire {

enum class TapiMode { tmNone, tmAuto, tmOn, tmOff };

}  // namespace solwire
