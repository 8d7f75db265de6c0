// The far end of a network port in tests: a TCP listener on 127.0.0.1 that
// accepts the port's connection and lets the test send and expect raw bytes,
// Telnet commands included, in segments of its choosing.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace solwire::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A listening socket on a free loopback port.
inline int listenOnLoopback(int backlog, std::uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, backlog) != 0) {
    ::close(fd);
    return -1;
  }
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

class TestPeer {
 public:
  TestPeer() { listenFd_ = listenOnLoopback(4, port_); }
  ~TestPeer() {
    dropClient();
    if (listenFd_ >= 0) ::close(listenFd_);
  }
  TestPeer(const TestPeer&) = delete;
  TestPeer& operator=(const TestPeer&) = delete;

  std::uint16_t port() const { return port_; }
  std::string url(const std::string& scheme) const { return scheme + "://127.0.0.1:" + std::to_string(port_); }

  bool accept(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return false;
    dropClient();
    clientFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    const int one = 1;
    setsockopt(clientFd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return clientFd_ >= 0;
  }

  // One send() call: with TCP_NODELAY, one segment on the loopback.
  void send(const Bytes& data) const {
    ASSERT_EQ(::send(clientFd_, data.data(), data.size(), MSG_NOSIGNAL), static_cast<ssize_t>(data.size()));
  }

  // Everything received until `done` says so or the time is up.
  Bytes receiveUntil(const std::function<bool(const Bytes&)>& done,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done(received_) && std::chrono::steady_clock::now() < deadline) {
      pollfd p{clientFd_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      std::uint8_t buffer[512];
      const ssize_t n = ::recv(clientFd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      received_.insert(received_.end(), buffer, buffer + n);
    }
    return received_;
  }

  // Waits until `needle` has been received; takes everything up to its end.
  bool expect(const Bytes& needle, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    auto found = [&](const Bytes& got) { return std::search(got.begin(), got.end(), needle.begin(), needle.end()) != got.end(); };
    receiveUntil(found, timeout);
    const auto at = std::search(received_.begin(), received_.end(), needle.begin(), needle.end());
    if (at == received_.end()) return false;
    received_.erase(received_.begin(), at + static_cast<std::ptrdiff_t>(needle.size()));
    return true;
  }

  // What arrives within `quiet` (used to show that nothing more comes).
  Bytes drain(std::chrono::milliseconds quiet) {
    receiveUntil([](const Bytes&) { return false; }, quiet);
    return std::exchange(received_, {});
  }

  // Bytes sent that the port has not taken yet.
  std::size_t unsent() const {
    int queued = 0;
    ioctl(clientFd_, TIOCOUTQ, &queued);
    return static_cast<std::size_t>(queued);
  }

  void dropClient() {
    if (clientFd_ >= 0) ::close(clientFd_);
    clientFd_ = -1;
  }

 private:
  int listenFd_ = -1;
  int clientFd_ = -1;
  std::uint16_t port_ = 0;
  Bytes received_;
};

}  // namespace solwire::testing
