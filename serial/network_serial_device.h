// A serial device at the far end of a TCP connection: "tcp://HOST:PORT" carries
// raw bytes (line settings are accepted and ignored, modem lines read as
// absent, as on a pseudo-terminal); "rfc2217://HOST:PORT" speaks RFC 2217 over
// Telnet, so line settings, DTR and RTS reach the device server's UART and its
// input lines come back as the modem status.
//
// open() never waits long: it starts a non-blocking connect and gives it
// openWait to finish, so a refused or unreachable address fails the open with
// the system's reason. A connect still under way after that goes on in the
// background (output waits for it) until connectTimeout; if it fails then, or
// the connection drops later, the device is gone, exactly once.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "serial/network_address.h"
#include "serial/rfc2217_client.h"
#include "serial/serial_device.h"
#include "serial/tcp_connect.h"
#include "serial/telnet_parser.h"

namespace solwire {

struct NetworkPortOptions {
  std::chrono::milliseconds openWait{50};
  std::chrono::milliseconds connectTimeout{4000};
  KeepaliveSettings keepalive;
  // Tells the operator what the connection does (a refused COM-PORT-OPTION, a
  // failed connect, a dropped connection); null writes a line to stderr. It
  // runs under the device's lock and must not call the device.
  std::function<void(const std::string&)> notice;
};

class NetworkSerialDevice final : public SerialDevice {
 public:
  // Output queued beyond this makes write() wait for the connection.
  static constexpr std::size_t kQueueLimit = 16384;

  explicit NetworkSerialDevice(std::string path, NetworkPortOptions options = {});
  ~NetworkSerialDevice() override;
  NetworkSerialDevice(const NetworkSerialDevice&) = delete;
  NetworkSerialDevice& operator=(const NetworkSerialDevice&) = delete;

  int open() override;
  std::string openFailureReason() const override {
    std::lock_guard lock(mutex_);
    return openFailure_;
  }
  void close() override;
  int setLine(const LineSettings& settings) override;
  IoResult read(std::uint8_t* buffer, std::size_t capacity) override;
  IoResult write(const std::uint8_t* data, std::size_t size) override;
  void interruptWrite() override;
  void purgeInput() override;
  void purgeOutput() override;
  std::size_t outputQueued() override;
  int setDtr(bool on) override;
  int setRts(bool on) override;
  std::optional<std::uint8_t> modemLines() override;
  bool canReportModemChanges() override;
  std::uint16_t takeLineErrors() override;
  DeviceEvents wait(const DeviceWaitRequest& request) override;
  void wake() override;

  // Whether the device server took COM-PORT-OPTION (false for tcp://).
  bool comPortAccepted() const;

 private:
  enum class Link { Closed, Connecting, Connected, Lost };
  struct SocketWatch {
    int fd = -1;
    short events = 0;
    int timeoutMs = -1;
    bool connecting = false;
  };

  bool telnet() const { return address_ && address_->scheme == NetworkAddress::Scheme::Rfc2217; }
  void say(const std::string& text) const;
  SocketWatch planWatch(const DeviceWaitRequest& request);
  void settleConnectLocked(bool mayWait);
  void connectedLocked();
  void lostLocked(int error, const std::string& why);
  void flushLocked();
  std::size_t pendingLocked() const { return out_.size() - outHead_; }
  std::size_t receiveLocked(std::uint8_t* buffer, std::size_t capacity, IoResult& result);
  void handleEventsLocked();

  const std::string path_;
  std::string openFailure_;  // guarded by mutex_
  const std::optional<NetworkAddress> address_;
  const NetworkPortOptions options_;
  int wakeFd_ = -1;    // wakes wait() for the caller
  int kickFd_ = -1;    // makes wait() look again (output queued, connect started)
  int signalFd_ = -1;  // a modem-line change or line error arrived
  int writeWakeFd_ = -1;

  mutable std::mutex mutex_;
  int fd_ = -1;
  Link link_ = Link::Closed;
  bool opening_ = false;
  int lostError_ = 0;
  std::chrono::steady_clock::time_point connectDeadline_{};
  std::vector<std::uint8_t> out_;
  std::size_t outHead_ = 0;
  telnet::TelnetParser parser_;
  telnet::Rfc2217Client client_;
  std::vector<telnet::TelnetEvent> events_;
  std::atomic<bool> modemChanged_{false};
  std::atomic<bool> lineErrorSeen_{false};
};

}  // namespace solwire
