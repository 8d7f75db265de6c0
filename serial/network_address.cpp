#include "serial/network_address.h"

#include <charconv>
#include <string_view>

namespace solwire {
namespace {

constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::string_view kRfc2217Scheme = "rfc2217://";

std::optional<std::uint16_t> portNumber(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

bool isNetworkPath(const std::string& path) {
  return path.starts_with(kTcpScheme) || path.starts_with(kRfc2217Scheme);
}

std::optional<NetworkAddress> parseNetworkAddress(const std::string& path) {
  NetworkAddress address;
  std::string_view rest(path);
  if (rest.starts_with(kTcpScheme)) {
    rest.remove_prefix(kTcpScheme.size());
  } else if (rest.starts_with(kRfc2217Scheme)) {
    address.scheme = NetworkAddress::Scheme::Rfc2217;
    rest.remove_prefix(kRfc2217Scheme.size());
  } else {
    return std::nullopt;
  }
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  std::string_view host;
  std::string_view port;
  if (rest.starts_with('[')) {
    const auto close = rest.find(']');
    if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') return std::nullopt;
    host = rest.substr(1, close - 1);
    port = rest.substr(close + 2);
  } else {
    const auto colon = rest.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return std::nullopt;  // IPv6 needs brackets
  }
  const auto number = portNumber(port);
  if (host.empty() || !number) return std::nullopt;
  address.host = std::string(host);
  address.port = *number;
  return address;
}

}  // namespace solwire
