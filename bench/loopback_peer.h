// A device server on the loopback for the benchmarks: it accepts one network
// port, agrees to RFC 2217 if asked, and writes replies into the connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace solwire::bench {

class LoopbackPeer {
 public:
  LoopbackPeer();
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  std::string url(const std::string& scheme) const;
  // Accepts the port's connection; for RFC 2217 answers its opening as a
  // device server that agrees to everything.
  void accept(bool rfc2217);
  void writeAll(const void* data, std::size_t size) const;

 private:
  int listenFd_ = -1;
  int clientFd_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace solwire::bench
