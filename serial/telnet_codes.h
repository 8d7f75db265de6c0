// Telnet command and option codes, the COM-PORT-OPTION commands of RFC 2217,
// and the small encoders both ends of a network serial port share.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solwire::telnet {

inline constexpr std::uint8_t kIAC = 255;
inline constexpr std::uint8_t kDONT = 254;
inline constexpr std::uint8_t kDO = 253;
inline constexpr std::uint8_t kWONT = 252;
inline constexpr std::uint8_t kWILL = 251;
inline constexpr std::uint8_t kSB = 250;
inline constexpr std::uint8_t kSE = 240;

inline constexpr std::uint8_t kOptionBinary = 0;
inline constexpr std::uint8_t kOptionEcho = 1;
inline constexpr std::uint8_t kOptionSuppressGoAhead = 3;
inline constexpr std::uint8_t kOptionComPort = 44;

// COM-PORT-OPTION commands as the client sends them; the server answers with
// the same command plus kServerOffset.
namespace comport {
inline constexpr std::uint8_t kSignature = 0;
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kSetControl = 5;
inline constexpr std::uint8_t kNotifyLineState = 6;
inline constexpr std::uint8_t kNotifyModemState = 7;
inline constexpr std::uint8_t kSetLineStateMask = 10;
inline constexpr std::uint8_t kSetModemStateMask = 11;
inline constexpr std::uint8_t kPurgeData = 12;
inline constexpr std::uint8_t kServerOffset = 100;

// SET-PARITY values.
inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kParityOdd = 2;
inline constexpr std::uint8_t kParityEven = 3;
inline constexpr std::uint8_t kParityMark = 4;
inline constexpr std::uint8_t kParitySpace = 5;

// SET-STOPSIZE values.
inline constexpr std::uint8_t kStopOne = 1;
inline constexpr std::uint8_t kStopTwo = 2;
inline constexpr std::uint8_t kStopOneAndHalf = 3;

// SET-CONTROL values.
inline constexpr std::uint8_t kNoFlowControl = 1;
inline constexpr std::uint8_t kSoftwareFlowControl = 2;
inline constexpr std::uint8_t kHardwareFlowControl = 3;
inline constexpr std::uint8_t kDtrOn = 8;
inline constexpr std::uint8_t kDtrOff = 9;
inline constexpr std::uint8_t kRtsOn = 11;
inline constexpr std::uint8_t kRtsOff = 12;

// PURGE-DATA values: the device server's receive buffer (bytes from the
// serial line not yet sent to us), its transmit buffer, or both.
inline constexpr std::uint8_t kPurgeReceive = 1;
inline constexpr std::uint8_t kPurgeTransmit = 2;

// NOTIFY-LINESTATE bits that are errors.
inline constexpr std::uint8_t kLineBreak = 0x10;
inline constexpr std::uint8_t kLineFraming = 0x08;
inline constexpr std::uint8_t kLineParity = 0x04;
inline constexpr std::uint8_t kLineOverrun = 0x02;
inline constexpr std::uint8_t kLineErrors = kLineBreak | kLineFraming | kLineParity | kLineOverrun;
}  // namespace comport

// Data bytes as they travel in a Telnet stream: every 0xFF doubled.
inline void appendEscaped(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
  for (const std::uint8_t byte : data) {
    out.push_back(byte);
    if (byte == kIAC) out.push_back(kIAC);
  }
}

inline void appendNegotiation(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {kIAC, command, option});
}

// IAC SB COM-PORT-OPTION command value... IAC SE, the value escaped.
inline void appendComPortCommand(std::uint8_t command, std::span<const std::uint8_t> value,
                                 std::vector<std::uint8_t>& out) {
  out.insert(out.end(), {kIAC, kSB, kOptionComPort, command});
  appendEscaped(value, out);
  out.insert(out.end(), {kIAC, kSE});
}

}  // namespace solwire::telnet
