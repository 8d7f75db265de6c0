// Splits a received Telnet byte stream into data bytes and commands. It keeps
// its state between calls, so the stream may be cut anywhere: inside an
// IAC IAC pair, a negotiation or a subnegotiation. Whatever the far end sends,
// memory stays bounded: an overlong subnegotiation is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace solwire::telnet {

struct TelnetEvent {
  enum class Kind { Negotiation, Subnegotiation, Command };
  Kind kind = Kind::Command;
  std::uint8_t command = 0;  // DO/DONT/WILL/WONT, or the bare command (NOP, GA, ...)
  std::uint8_t option = 0;   // negotiated option, or the subnegotiation's option
  std::vector<std::uint8_t> payload;  // subnegotiation bytes after the option, unescaped
};

class TelnetParser {
 public:
  // Longest subnegotiation payload kept; RFC 2217's longest is 5 bytes.
  static constexpr std::size_t kMaxPayload = 64;

  // Writes the data bytes of `in` to `data` (room for in.size() bytes; `data`
  // may be in.data() itself, as data never overtakes input) and appends the
  // commands to `events`. Returns the number of data bytes.
  std::size_t feed(std::span<const std::uint8_t> in, std::uint8_t* data, std::vector<TelnetEvent>& events);

  // Forgets a half-received command (a new connection).
  void reset() { *this = TelnetParser(); }

 private:
  enum class State { Data, Iac, Negotiation, SubOption, SubData, SubIac };
  void commandAfterIac(std::uint8_t byte, std::vector<TelnetEvent>& events);
  void startSubnegotiation(std::uint8_t option);
  void endSubnegotiation(std::vector<TelnetEvent>& events);

  State state_ = State::Data;
  std::uint8_t command_ = 0;
  std::uint8_t subOption_ = 0;
  std::vector<std::uint8_t> payload_;
  bool overlong_ = false;
};

}  // namespace solwire::telnet
