#include "serial/telnet_parser.h"

#include "serial/telnet_codes.h"

namespace solwire::telnet {

std::size_t TelnetParser::feed(std::span<const std::uint8_t> in, std::uint8_t* data,
                               std::vector<TelnetEvent>& events) {
  std::size_t count = 0;
  for (const std::uint8_t byte : in) {
    switch (state_) {
      case State::Data:
        if (byte == kIAC) {
          state_ = State::Iac;
        } else {
          data[count++] = byte;
        }
        break;
      case State::Iac:
        if (byte == kIAC) {
          data[count++] = kIAC;
          state_ = State::Data;
        } else {
          commandAfterIac(byte, events);
        }
        break;
      case State::Negotiation:
        events.push_back({TelnetEvent::Kind::Negotiation, command_, byte, {}});
        state_ = State::Data;
        break;
      case State::SubOption:
        startSubnegotiation(byte);
        break;
      case State::SubData:
        if (byte == kIAC) {
          state_ = State::SubIac;
        } else if (payload_.size() < kMaxPayload) {
          payload_.push_back(byte);
        } else {
          overlong_ = true;
        }
        break;
      case State::SubIac:
        if (byte == kIAC) {
          if (payload_.size() < kMaxPayload) {
            payload_.push_back(kIAC);
          } else {
            overlong_ = true;
          }
          state_ = State::SubData;
        } else if (byte == kSE) {
          endSubnegotiation(events);
        } else {
          // A command inside a subnegotiation ends it unfinished; the command
          // itself is read as usual.
          payload_.clear();
          commandAfterIac(byte, events);
        }
        break;
    }
  }
  return count;
}

void TelnetParser::commandAfterIac(std::uint8_t byte, std::vector<TelnetEvent>& events) {
  if (byte == kDO || byte == kDONT || byte == kWILL || byte == kWONT) {
    command_ = byte;
    state_ = State::Negotiation;
  } else if (byte == kSB) {
    state_ = State::SubOption;
  } else {
    // SE without SB, NOP, GA and the rest: nothing to do for a serial line.
    events.push_back({TelnetEvent::Kind::Command, byte, 0, {}});
    state_ = State::Data;
  }
}

void TelnetParser::startSubnegotiation(std::uint8_t option) {
  subOption_ = option;
  payload_.clear();
  overlong_ = false;
  state_ = State::SubData;
}

void TelnetParser::endSubnegotiation(std::vector<TelnetEvent>& events) {
  if (!overlong_) events.push_back({TelnetEvent::Kind::Subnegotiation, 0, subOption_, payload_});
  payload_.clear();
  overlong_ = false;
  state_ = State::Data;
}

}  // namespace solwire::telnet
