#include "loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "serial/telnet_codes.h"

namespace solwire::bench {

LoopbackPeer::LoopbackPeer() {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listenFd_, 1) != 0)
    throw std::system_error(errno, std::generic_category(), "loopback listen");
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
}

LoopbackPeer::~LoopbackPeer() {
  if (clientFd_ >= 0) ::close(clientFd_);
  ::close(listenFd_);
}

std::string LoopbackPeer::url(const std::string& scheme) const {
  return scheme + "://127.0.0.1:" + std::to_string(port_);
}

void LoopbackPeer::accept(bool rfc2217) {
  clientFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (clientFd_ < 0) throw std::system_error(errno, std::generic_category(), "loopback accept");
  const int one = 1;
  setsockopt(clientFd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (!rfc2217) return;
  std::vector<std::uint8_t> answer;
  using namespace telnet;
  for (std::uint8_t option : {kOptionBinary, kOptionSuppressGoAhead}) {
    appendNegotiation(kDO, option, answer);
    appendNegotiation(kWILL, option, answer);
  }
  appendNegotiation(kDO, kOptionComPort, answer);
  writeAll(answer.data(), answer.size());
}

void LoopbackPeer::writeAll(const void* data, std::size_t size) const {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::send(clientFd_, bytes, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::system_error(errno, std::generic_category(), "loopback send");
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace solwire::bench
