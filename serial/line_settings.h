// The line settings record of an open port: speed, character format, flow
// control and the two output lines.
#pragma once

#include <cstdint>

#include "serial/link_operations.h"

namespace solwire {

// Hardware flow options (a set).
enum HardwareFlow : std::uint8_t {
  hwfUseDTR = 0x01,
  hwfUseRTS = 0x02,
  hwfRequireDSR = 0x04,
  hwfRequireCTS = 0x08,
};

enum class SoftwareFlow { swfNone, swfReceive, swfTransmit, swfBoth };

// Stop bits as the device understands them.
enum class StopBitsSetting { One, OneAndHalf, Two };

// The StopBits property as the device takes it: 0 means 1, 3 keeps `current`,
// above 3 means 2; five data bits take 1.5 stop bits.
inline StopBitsSetting stopBitsFor(std::uint16_t stopBits, std::uint16_t dataBits, StopBitsSetting current) {
  if (dataBits == 5) return StopBitsSetting::OneAndHalf;
  if (stopBits == 3) return current;
  return stopBits <= 1 ? StopBitsSetting::One : StopBitsSetting::Two;
}

struct LineSettings {
  std::int32_t baud = 19200;  // 0: whatever speed the device has
  Parity parity = Parity::pNone;
  std::uint16_t dataBits = 8;
  StopBitsSetting stopBits = StopBitsSetting::One;

  std::uint8_t hardwareFlow = 0;  // HardwareFlow bits
  SoftwareFlow softwareFlow = SoftwareFlow::swfNone;
  char xonChar = 17;
  char xoffChar = 19;
  std::uint16_t xonLimit = 0;   // BufferResume
  std::uint16_t xoffLimit = 0;  // InSize - BufferFull

  bool dtr = true;
  bool rts = true;

  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

}  // namespace solwire
