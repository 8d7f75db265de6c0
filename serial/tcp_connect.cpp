#include "serial/tcp_connect.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

#include "serial/comm_exception.h"

namespace solwire {
namespace {

void setOption(int fd, int level, int name, int value) {
  [[maybe_unused]] const int ignored = setsockopt(fd, level, name, &value, sizeof value);
}

void configureSocket(int fd, const KeepaliveSettings& keepalive) {
  // Requests are two bytes: they must leave at once, not wait for more.
  setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  setOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, keepalive.idleSeconds);
  setOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, keepalive.intervalSeconds);
  setOption(fd, IPPROTO_TCP, TCP_KEEPCNT, keepalive.probes);
  setOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(keepalive.userTimeout.count()));
}

ConnectStart failure(int error, std::string reason) { return {-1, false, error, std::move(reason)}; }

}  // namespace

ConnectStart startConnect(const NetworkAddress& address, const KeepaliveSettings& keepalive) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address.port);
  if (const int rc = getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    return failure(comm_error::kBadId, gai_strerror(rc));
  }
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);

  const int fd = socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, found->ai_protocol);
  if (fd < 0) return failure(-errno, std::strerror(errno));
  configureSocket(fd, keepalive);
  if (connect(fd, found->ai_addr, found->ai_addrlen) == 0) return {fd, false, 0, {}};
  if (errno == EINPROGRESS) return {fd, true, 0, {}};
  const int error = errno;
  ::close(fd);
  return failure(-error, std::strerror(error));
}

int connectOutcome(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return -errno;
  return -error;
}

bool waitForConnect(int fd, std::chrono::milliseconds limit) {
  pollfd p{fd, POLLOUT, 0};
  for (;;) {
    const int rc = poll(&p, 1, static_cast<int>(limit.count()));
    if (rc >= 0) return rc > 0;
    if (errno != EINTR) return true;  // connectOutcome() will tell
  }
}

}  // namespace solwire
