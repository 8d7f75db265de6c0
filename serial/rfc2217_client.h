// The client side of RFC 2217 over Telnet, without any I/O: it is handed the
// commands the TelnetParser found and the port's wishes (line settings, DTR,
// RTS, purges), and appends what has to go to the server to a byte vector.
//
// It asks for BINARY and SUPPRESS-GO-AHEAD both ways and offers
// COM-PORT-OPTION; options it does not know are refused (DONT/WONT). Line
// settings and the output lines are sent once the server has taken
// COM-PORT-OPTION, and again on every change; until then they are kept.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "serial/line_settings.h"
#include "serial/telnet_codes.h"
#include "serial/telnet_parser.h"

namespace solwire::telnet {

class Rfc2217Client {
 public:
  enum class ComPortState { Asked, Accepted, Refused };

  // The opening negotiation, sent once the connection stands.
  void start(std::vector<std::uint8_t>& out);
  void handle(const TelnetEvent& event, std::vector<std::uint8_t>& out);

  void setLine(const LineSettings& line, std::vector<std::uint8_t>& out);
  void setDtr(bool on, std::vector<std::uint8_t>& out);
  void setRts(bool on, std::vector<std::uint8_t>& out);
  // comport::kPurgeReceive or kPurgeTransmit; nothing goes out before the
  // server has taken COM-PORT-OPTION.
  void purge(std::uint8_t what, std::vector<std::uint8_t>& out);

  ComPortState comPortState() const { return comPort_; }
  // The input lines as the last NOTIFY-MODEMSTATE gave them (modem::kLines bits).
  std::uint8_t modemLines() const { return modemLines_; }
  // Whether a NOTIFY-MODEMSTATE changed the lines since the last call.
  bool takeModemChange();
  // Line error bits (line_error::...) that NOTIFY-LINESTATE reported since the last call.
  std::uint16_t takeLineErrors();
  bool hasLineErrors() const { return lineErrors_ != 0; }
  // True once, after the server refused COM-PORT-OPTION.
  bool takeRefusal();
  // The speed the server last confirmed, if any.
  std::optional<std::uint32_t> confirmedBaud() const { return confirmedBaud_; }

 private:
  enum class OptionState { Off, Asked, On };
  struct Option {
    std::uint8_t code;
    OptionState local = OptionState::Off;   // we WILL
    OptionState remote = OptionState::Off;  // they WILL
  };

  Option* option(std::uint8_t code);
  void negotiate(std::uint8_t command, std::uint8_t code, std::vector<std::uint8_t>& out);
  void localEnabled(Option& option, std::vector<std::uint8_t>& out);
  void localRefused(Option& option);
  void serverReply(const std::vector<std::uint8_t>& payload);
  void sendLine(std::vector<std::uint8_t>& out) const;
  void sendControl(std::uint8_t value, std::vector<std::uint8_t>& out) const;
  bool accepted() const { return comPort_ == ComPortState::Accepted; }

  Option options_[3] = {
      {kOptionBinary}, {kOptionSuppressGoAhead}, {kOptionComPort},
  };
  ComPortState comPort_ = ComPortState::Asked;
  bool refusalPending_ = false;
  LineSettings line_;
  bool dtr_ = true;
  bool rts_ = true;
  std::uint8_t modemLines_ = 0;
  bool modemChanged_ = false;
  std::uint16_t lineErrors_ = 0;
  std::optional<std::uint32_t> confirmedBaud_;
};

}  // namespace solwire::telnet
