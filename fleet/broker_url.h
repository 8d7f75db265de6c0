// Where the broker is: mqtt://HOST[:PORT] (1883 by default) or
// mqtts://HOST[:PORT] (TLS, 8883 by default). An IPv6 address goes in
// brackets: mqtt://[::1]:1883.
#pragma once

#include <optional>
#include <string>

namespace solwire::fleet {

struct BrokerAddress {
  std::string host;
  int port = 1883;
  bool tls = false;

  bool operator==(const BrokerAddress&) const = default;
};

std::optional<BrokerAddress> parseBrokerUrl(const std::string& url);

}  // namespace solwire::fleet
