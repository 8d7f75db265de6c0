// The device paths that name a network serial port: "tcp://HOST:PORT" (raw
// bytes) and "rfc2217://HOST:PORT" (RFC 2217 over Telnet). HOST is a name, an
// IPv4 address or an IPv6 address in brackets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace solwire {

struct NetworkAddress {
  enum class Scheme { RawTcp, Rfc2217 };
  Scheme scheme = Scheme::RawTcp;
  std::string host;
  std::uint16_t port = 0;
};

// Whether `path` starts with one of the network schemes (well formed or not).
bool isNetworkPath(const std::string& path);
// The address `path` names, or nullopt when it is not a well-formed network path.
std::optional<NetworkAddress> parseNetworkAddress(const std::string& path);

}  // namespace solwire
