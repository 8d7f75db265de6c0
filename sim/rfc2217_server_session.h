// The device-server side of RFC 2217, without I/O: it takes what a client sent,
// hands back the data bytes for the serial line, answers negotiations and
// COM-PORT-OPTION commands, records the line settings the client asked for,
// and tells the client about its input lines (NOTIFY-MODEMSTATE) under the
// client's mask. It can also refuse COM-PORT-OPTION, as a plain Telnet
// server would.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "serial/telnet_parser.h"

namespace solwire::sim {

// What the client has set, as RFC 2217 values (0: never set).
struct RequestedLine {
  std::uint32_t baud = 0;
  std::uint8_t dataSize = 0;
  std::uint8_t parity = 0;
  std::uint8_t stopSize = 0;
  std::uint8_t flowControl = 0;
  bool dtr = false;
  bool rts = false;
  int purges = 0;
  std::uint8_t modemStateMask = 0xFF;
};

class Rfc2217ServerSession {
 public:
  explicit Rfc2217ServerSession(bool refuseComPort = false) : refuseComPort_(refuseComPort) {}

  // Data bytes for the line; replies go to `out`.
  std::vector<std::uint8_t> received(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out);
  // Line bytes for the client, escaped.
  static void appendData(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);
  // New input lines (modem::kLines bits): a notification goes out when the
  // client has taken COM-PORT-OPTION and its mask lets the change through.
  void setModemLines(std::uint8_t lines, std::vector<std::uint8_t>& out);

  bool comPortAccepted() const { return accepted_; }
  const RequestedLine& requested() const { return requested_; }

 private:
  void negotiate(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& out);
  void command(const std::vector<std::uint8_t>& payload, std::vector<std::uint8_t>& out);
  void notifyModemState(std::uint8_t state, std::vector<std::uint8_t>& out) const;

  bool refuseComPort_;
  bool accepted_ = false;
  telnet::TelnetParser parser_;
  std::vector<telnet::TelnetEvent> events_;
  std::vector<std::uint8_t> enabled_;  // options either side has agreed to
  RequestedLine requested_;
  std::uint8_t lines_ = 0;
};

}  // namespace solwire::sim
