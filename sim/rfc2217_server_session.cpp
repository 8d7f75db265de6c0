#include "sim/rfc2217_server_session.h"

#include <algorithm>
#include <array>

#include "serial/modem_status.h"
#include "serial/telnet_codes.h"

namespace solwire::sim {

using namespace telnet;

std::vector<std::uint8_t> Rfc2217ServerSession::received(std::span<const std::uint8_t> bytes,
                                                         std::vector<std::uint8_t>& out) {
  std::vector<std::uint8_t> data(bytes.size());
  data.resize(parser_.feed(bytes, data.data(), events_));
  for (const TelnetEvent& event : events_) {
    if (event.kind == TelnetEvent::Kind::Negotiation) negotiate(event.command, event.option, out);
    if (event.kind == TelnetEvent::Kind::Subnegotiation && event.option == kOptionComPort && accepted_)
      command(event.payload, out);
  }
  events_.clear();
  return data;
}

void Rfc2217ServerSession::appendData(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
  appendEscaped(data, out);
}

void Rfc2217ServerSession::negotiate(std::uint8_t command, std::uint8_t option, std::vector<std::uint8_t>& out) {
  const bool known = option == kOptionBinary || option == kOptionSuppressGoAhead ||
                     (option == kOptionComPort && !refuseComPort_);
  const std::uint8_t key = static_cast<std::uint8_t>(option ^ (command == kWILL || command == kWONT ? 0x80 : 0));
  const bool on = std::find(enabled_.begin(), enabled_.end(), key) != enabled_.end();
  if (command == kWILL || command == kDO) {
    if (!known) {
      appendNegotiation(command == kWILL ? kDONT : kWONT, option, out);
      return;
    }
    if (on) return;
    enabled_.push_back(key);
    appendNegotiation(command == kWILL ? kDO : kWILL, option, out);
    if (option == kOptionComPort && command == kWILL) {
      accepted_ = true;
      notifyModemState(lines_, out);  // the client learns the lines at once
    }
  } else if (on) {
    std::erase(enabled_, key);
    appendNegotiation(command == kWONT ? kDONT : kWONT, option, out);
  }
}

void Rfc2217ServerSession::command(const std::vector<std::uint8_t>& payload, std::vector<std::uint8_t>& out) {
  if (payload.size() < 2) return;
  const std::uint8_t code = payload[0];
  std::vector<std::uint8_t> value(payload.begin() + 1, payload.end());
  switch (code) {
    case comport::kSetBaudRate:
      if (value.size() < 4) return;
      if (const std::uint32_t baud = static_cast<std::uint32_t>(value[0]) << 24 | value[1] << 16 | value[2] << 8 | value[3])
        requested_.baud = baud;
      value = {static_cast<std::uint8_t>(requested_.baud >> 24), static_cast<std::uint8_t>(requested_.baud >> 16),
               static_cast<std::uint8_t>(requested_.baud >> 8), static_cast<std::uint8_t>(requested_.baud)};
      break;
    case comport::kSetDataSize: requested_.dataSize = value[0]; break;
    case comport::kSetParity: requested_.parity = value[0]; break;
    case comport::kSetStopSize: requested_.stopSize = value[0]; break;
    case comport::kSetControl:
      if (value[0] == comport::kDtrOn || value[0] == comport::kDtrOff) requested_.dtr = value[0] == comport::kDtrOn;
      if (value[0] == comport::kRtsOn || value[0] == comport::kRtsOff) requested_.rts = value[0] == comport::kRtsOn;
      if (value[0] >= comport::kNoFlowControl && value[0] <= comport::kHardwareFlowControl)
        requested_.flowControl = value[0];
      break;
    case comport::kSetModemStateMask: requested_.modemStateMask = value[0]; break;
    case comport::kSetLineStateMask: break;
    case comport::kPurgeData: ++requested_.purges; break;
    default: return;  // not a command a client sends: no answer
  }
  appendComPortCommand(static_cast<std::uint8_t>(code + comport::kServerOffset), value, out);
}

void Rfc2217ServerSession::setModemLines(std::uint8_t lines, std::vector<std::uint8_t>& out) {
  lines &= modem::kLines;
  const std::uint8_t state = modem::updatedStatus(lines_, lines);
  const bool changed = lines != lines_;
  lines_ = lines;
  if (accepted_ && changed && (state & requested_.modemStateMask) != 0) notifyModemState(state, out);
}

void Rfc2217ServerSession::notifyModemState(std::uint8_t state, std::vector<std::uint8_t>& out) const {
  const std::array<std::uint8_t, 1> value{static_cast<std::uint8_t>(state & requested_.modemStateMask)};
  appendComPortCommand(comport::kServerOffset + comport::kNotifyModemState, value, out);
}

}  // namespace solwire::sim
