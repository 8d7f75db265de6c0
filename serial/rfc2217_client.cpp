#include "serial/rfc2217_client.h"

#include <array>
#include <utility>

#include "serial/modem_status.h"
#include "serial/serial_device.h"
#include "serial/telnet_codes.h"

namespace solwire::telnet {
namespace {

std::uint8_t parityCode(Parity parity) {
  switch (parity) {
    case Parity::pNone: return comport::kParityNone;
    case Parity::pOdd: return comport::kParityOdd;
    case Parity::pEven: return comport::kParityEven;
    case Parity::pMark: return comport::kParityMark;
    case Parity::pSpace: return comport::kParitySpace;
  }
  return comport::kParityNone;
}

std::uint8_t stopCode(StopBitsSetting stop) {
  switch (stop) {
    case StopBitsSetting::One: return comport::kStopOne;
    case StopBitsSetting::OneAndHalf: return comport::kStopOneAndHalf;
    case StopBitsSetting::Two: return comport::kStopTwo;
  }
  return comport::kStopOne;
}

std::uint8_t flowCode(const LineSettings& line) {
  if (line.hardwareFlow & (hwfUseRTS | hwfRequireCTS)) return comport::kHardwareFlowControl;
  if (line.softwareFlow != SoftwareFlow::swfNone) return comport::kSoftwareFlowControl;
  return comport::kNoFlowControl;
}

void sendByte(std::uint8_t command, std::uint8_t value, std::vector<std::uint8_t>& out) {
  const std::array<std::uint8_t, 1> bytes{value};
  appendComPortCommand(command, bytes, out);
}

std::uint16_t lineErrorBits(std::uint8_t lineState) {
  std::uint16_t bits = 0;
  if (lineState & comport::kLineBreak) bits |= line_error::kBreak;
  if (lineState & comport::kLineFraming) bits |= line_error::kFraming;
  if (lineState & comport::kLineParity) bits |= line_error::kParity;
  if (lineState & comport::kLineOverrun) bits |= line_error::kOverrun;
  return bits;
}

}  // namespace

void Rfc2217Client::start(std::vector<std::uint8_t>& out) {
  for (Option& o : options_) {
    o.local = OptionState::Asked;
    appendNegotiation(kWILL, o.code, out);
    if (o.code != kOptionComPort) {  // the server offers COM-PORT-OPTION itself, or not at all
      o.remote = OptionState::Asked;
      appendNegotiation(kDO, o.code, out);
    }
  }
}

Rfc2217Client::Option* Rfc2217Client::option(std::uint8_t code) {
  for (Option& o : options_)
    if (o.code == code) return &o;
  return nullptr;
}

void Rfc2217Client::handle(const TelnetEvent& event, std::vector<std::uint8_t>& out) {
  switch (event.kind) {
    case TelnetEvent::Kind::Negotiation: negotiate(event.command, event.option, out); break;
    case TelnetEvent::Kind::Subnegotiation:
      if (event.option == kOptionComPort) serverReply(event.payload);
      break;
    case TelnetEvent::Kind::Command: break;
  }
}

// Answers only what changes an option's state, so that two ends never loop.
void Rfc2217Client::negotiate(std::uint8_t command, std::uint8_t code, std::vector<std::uint8_t>& out) {
  Option* o = option(code);
  switch (command) {
    case kDO:
      if (!o) {
        appendNegotiation(kWONT, code, out);
      } else if (o->local != OptionState::On) {
        if (o->local == OptionState::Off) appendNegotiation(kWILL, code, out);
        o->local = OptionState::On;
        localEnabled(*o, out);
      }
      break;
    case kDONT:
      if (o && o->local != OptionState::Off) {
        if (o->local == OptionState::On) appendNegotiation(kWONT, code, out);
        o->local = OptionState::Off;
        localRefused(*o);
      }
      break;
    case kWILL:
      if (!o) {
        appendNegotiation(kDONT, code, out);
      } else if (o->remote != OptionState::On) {
        if (o->remote == OptionState::Off) appendNegotiation(kDO, code, out);
        o->remote = OptionState::On;
      }
      break;
    case kWONT:
      if (o && o->remote != OptionState::Off) {
        if (o->remote == OptionState::On) appendNegotiation(kDONT, code, out);
        o->remote = OptionState::Off;
      }
      break;
    default: break;
  }
}

void Rfc2217Client::localEnabled(Option& o, std::vector<std::uint8_t>& out) {
  if (o.code != kOptionComPort || accepted()) return;
  comPort_ = ComPortState::Accepted;
  sendLine(out);
  sendControl(dtr_ ? comport::kDtrOn : comport::kDtrOff, out);
  sendControl(rts_ ? comport::kRtsOn : comport::kRtsOff, out);
  sendByte(comport::kSetModemStateMask, 0xFF, out);
  sendByte(comport::kSetLineStateMask, comport::kLineErrors, out);
}

void Rfc2217Client::localRefused(Option& o) {
  if (o.code != kOptionComPort || comPort_ == ComPortState::Refused) return;
  comPort_ = ComPortState::Refused;
  refusalPending_ = true;
}

void Rfc2217Client::serverReply(const std::vector<std::uint8_t>& payload) {
  if (payload.size() < 2) return;
  const std::uint8_t command = payload[0];
  if (command == comport::kServerOffset + comport::kNotifyModemState) {
    const auto lines = static_cast<std::uint8_t>(payload[1] & modem::kLines);
    if (lines != modemLines_) modemChanged_ = true;
    modemLines_ = lines;
  } else if (command == comport::kServerOffset + comport::kNotifyLineState) {
    lineErrors_ |= lineErrorBits(payload[1]);
  } else if (command == comport::kServerOffset + comport::kSetBaudRate && payload.size() >= 5) {
    confirmedBaud_ = static_cast<std::uint32_t>(payload[1]) << 24 | static_cast<std::uint32_t>(payload[2]) << 16 |
                     static_cast<std::uint32_t>(payload[3]) << 8 | payload[4];
  }
}

void Rfc2217Client::setLine(const LineSettings& line, std::vector<std::uint8_t>& out) {
  line_ = line;
  if (accepted()) sendLine(out);
}

void Rfc2217Client::sendLine(std::vector<std::uint8_t>& out) const {
  if (line_.baud > 0) {
    const auto baud = static_cast<std::uint32_t>(line_.baud);
    const std::array<std::uint8_t, 4> value{static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                            static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    appendComPortCommand(comport::kSetBaudRate, value, out);
  }
  sendByte(comport::kSetDataSize, static_cast<std::uint8_t>(line_.dataBits), out);
  sendByte(comport::kSetParity, parityCode(line_.parity), out);
  sendByte(comport::kSetStopSize, stopCode(line_.stopBits), out);
  sendControl(flowCode(line_), out);
}

void Rfc2217Client::sendControl(std::uint8_t value, std::vector<std::uint8_t>& out) const {
  sendByte(comport::kSetControl, value, out);
}

void Rfc2217Client::setDtr(bool on, std::vector<std::uint8_t>& out) {
  dtr_ = on;
  if (accepted()) sendControl(on ? comport::kDtrOn : comport::kDtrOff, out);
}

void Rfc2217Client::setRts(bool on, std::vector<std::uint8_t>& out) {
  rts_ = on;
  if (accepted()) sendControl(on ? comport::kRtsOn : comport::kRtsOff, out);
}

void Rfc2217Client::purge(std::uint8_t what, std::vector<std::uint8_t>& out) {
  if (accepted()) sendByte(comport::kPurgeData, what, out);
}

bool Rfc2217Client::takeModemChange() { return std::exchange(modemChanged_, false); }

std::uint16_t Rfc2217Client::takeLineErrors() { return std::exchange(lineErrors_, std::uint16_t{0}); }

bool Rfc2217Client::takeRefusal() { return std::exchange(refusalPending_, false); }

}  // namespace solwire::telnet
