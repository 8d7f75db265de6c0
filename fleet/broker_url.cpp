#include "fleet/broker_url.h"

#include <charconv>

namespace solwire::fleet {

namespace {

constexpr int kPlainPort = 1883;
constexpr int kTlsPort = 8883;

std::optional<int> portNumber(const std::string& text) {
  int port = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, port);
  if (text.empty() || error != std::errc{} || ptr != end || port < 1 || port > 65535) return std::nullopt;
  return port;
}

// "host", "host:port", "[v6]" or "[v6]:port" into the address.
bool splitHostPort(const std::string& rest, BrokerAddress& address) {
  std::string portText;
  if (rest.starts_with("[")) {
    const auto close = rest.find(']');
    if (close == std::string::npos) return false;
    address.host = rest.substr(1, close - 1);
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':') return false;
      portText = rest.substr(close + 2);
      if (portText.empty()) return false;
    }
  } else {
    const auto colon = rest.find(':');
    address.host = rest.substr(0, colon);
    if (colon != std::string::npos) {
      portText = rest.substr(colon + 1);
      if (portText.empty()) return false;
    }
  }
  if (address.host.empty() || address.host.find_first_of("/?#@ ") != std::string::npos) return false;
  if (portText.empty()) return true;
  const auto port = portNumber(portText);
  if (!port) return false;
  address.port = *port;
  return true;
}

}  // namespace

std::optional<BrokerAddress> parseBrokerUrl(const std::string& url) {
  BrokerAddress address;
  std::string rest;
  if (url.starts_with("mqtt://")) {
    rest = url.substr(7);
    address.port = kPlainPort;
  } else if (url.starts_with("mqtts://")) {
    rest = url.substr(8);
    address.port = kTlsPort;
    address.tls = true;
  } else {
    return std::nullopt;
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (!splitHostPort(rest, address)) return std::nullopt;
  return address;
}

}  // namespace solwire::fleet
