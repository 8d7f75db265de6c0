#include "serial/network_serial_device.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "serial/comm_exception.h"
#include "serial/telnet_codes.h"

namespace solwire {
namespace {

void signalEventFd(int fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(fd, &one, sizeof one);
}

void drainEventFd(int fd) {
  std::uint64_t value = 0;
  [[maybe_unused]] const ssize_t ignored = ::read(fd, &value, sizeof value);
}

int pollRetrying(pollfd* fds, nfds_t count, int timeoutMs) {
  for (;;) {
    const int rc = poll(fds, count, timeoutMs);
    if (rc >= 0 || errno != EINTR) return rc;
  }
}

std::string systemText(int negatedError) { return std::strerror(-negatedError); }

constexpr std::size_t kDrainChunk = 512;

}  // namespace

NetworkSerialDevice::NetworkSerialDevice(std::string path, NetworkPortOptions options)
    : path_(std::move(path)), address_(parseNetworkAddress(path_)), options_(std::move(options)) {
  for (int* fd : {&wakeFd_, &kickFd_, &signalFd_, &writeWakeFd_}) *fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

NetworkSerialDevice::~NetworkSerialDevice() {
  close();
  for (int fd : {wakeFd_, kickFd_, signalFd_, writeWakeFd_})
    if (fd >= 0) ::close(fd);
}

void NetworkSerialDevice::say(const std::string& text) const {
  if (options_.notice) {
    options_.notice(text);
  } else {
    std::cerr << "solwire: " << path_ << ": " << text << std::endl;
  }
}

// ---- connection

int NetworkSerialDevice::open() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0) return comm_error::kAlreadyOpen;
  if (wakeFd_ < 0 || kickFd_ < 0 || signalFd_ < 0 || writeWakeFd_ < 0) return -EMFILE;
  openFailure_.clear();
  if (!address_) return comm_error::kBadId;
  const ConnectStart start = startConnect(*address_, options_.keepalive);
  if (start.fd < 0) {
    openFailure_ = start.reason;
    if (start.error == comm_error::kBadId) say("cannot find " + address_->host + ": " + start.reason);
    return start.error;
  }
  fd_ = start.fd;
  out_.clear();
  outHead_ = 0;
  parser_.reset();
  client_ = telnet::Rfc2217Client();
  modemChanged_ = false;
  lineErrorSeen_ = false;
  for (int fd : {wakeFd_, kickFd_, signalFd_, writeWakeFd_}) drainEventFd(fd);
  link_ = Link::Connecting;
  connectDeadline_ = std::chrono::steady_clock::now() + options_.connectTimeout;
  if (!start.inProgress) {
    connectedLocked();
    return 0;
  }
  opening_ = true;
  settleConnectLocked(true);
  opening_ = false;
  if (link_ == Link::Lost) {
    // Failed within the open: an open failure with the system's reason, not a vanished device.
    ::close(fd_);
    fd_ = -1;
    link_ = Link::Closed;
    return lostError_;
  }
  return 0;
}

// With `mayWait`, gives the connect up to openWait to finish.
void NetworkSerialDevice::settleConnectLocked(bool mayWait) {
  if (link_ != Link::Connecting) return;
  if (!waitForConnect(fd_, mayWait ? options_.openWait : std::chrono::milliseconds(0))) {
    if (std::chrono::steady_clock::now() >= connectDeadline_) lostLocked(-ETIMEDOUT, "could not connect");
    return;
  }
  const int error = connectOutcome(fd_);
  if (error < 0) {
    lostLocked(error, "could not connect");
    return;
  }
  connectedLocked();
}

void NetworkSerialDevice::connectedLocked() {
  link_ = Link::Connected;
  if (telnet()) {
    std::vector<std::uint8_t> opening;
    client_.start(opening);
    // The opening goes before anything queued while connecting.
    out_.insert(out_.begin() + static_cast<std::ptrdiff_t>(outHead_), opening.begin(), opening.end());
  }
  flushLocked();
}

void NetworkSerialDevice::lostLocked(int error, const std::string& why) {
  if (link_ == Link::Lost) return;
  link_ = Link::Lost;
  lostError_ = error;
  out_.clear();
  outHead_ = 0;
  // A failure inside open() is the open's own error; anything later is told here.
  if (!opening_) say(why + ": " + systemText(error));
  signalEventFd(kickFd_);
  signalEventFd(writeWakeFd_);
}

void NetworkSerialDevice::close() {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  link_ = Link::Closed;
  out_.clear();
  outHead_ = 0;
}

bool NetworkSerialDevice::comPortAccepted() const {
  std::lock_guard lock(mutex_);
  return telnet() && client_.comPortState() == telnet::Rfc2217Client::ComPortState::Accepted;
}

// ---- output

void NetworkSerialDevice::flushLocked() {
  while (link_ == Link::Connected && pendingLocked() > 0) {
    const ssize_t n = ::send(fd_, out_.data() + outHead_, pendingLocked(), MSG_NOSIGNAL);
    if (n > 0) {
      outHead_ += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      signalEventFd(kickFd_);  // the event thread sends the rest once the socket takes it
      return;
    }
    lostLocked(n < 0 ? -errno : -EPIPE, "connection lost");
    return;
  }
  if (pendingLocked() == 0) {
    out_.clear();
    outHead_ = 0;
  }
}

IoResult NetworkSerialDevice::write(const std::uint8_t* data, std::size_t size) {
  for (;;) {
    std::unique_lock lock(mutex_);
    settleConnectLocked(false);
    if (link_ == Link::Lost || link_ == Link::Closed) return {IoResult::Status::Gone, 0, -ENOTCONN};
    if (pendingLocked() < kQueueLimit) {
      if (telnet()) {
        telnet::appendEscaped({data, size}, out_);
      } else {
        out_.insert(out_.end(), data, data + size);
      }
      flushLocked();
      if (link_ == Link::Lost) return {IoResult::Status::Gone, 0, -ENOTCONN};
      return {IoResult::Status::Ok, size, 0};
    }
    const bool connecting = link_ == Link::Connecting;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(connectDeadline_ - std::chrono::steady_clock::now());
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {writeWakeFd_, POLLIN, 0}};
    lock.unlock();
    pollRetrying(fds, 2, connecting ? static_cast<int>(std::max<std::int64_t>(left.count(), 0)) : -1);
    if (fds[1].revents & POLLIN) {
      drainEventFd(writeWakeFd_);
      return {IoResult::Status::Interrupted, 0, 0};
    }
    lock.lock();
    flushLocked();
  }
}

void NetworkSerialDevice::interruptWrite() { signalEventFd(writeWakeFd_); }

std::size_t NetworkSerialDevice::outputQueued() {
  std::lock_guard lock(mutex_);
  int unsent = 0;
  if (fd_ >= 0 && ioctl(fd_, TIOCOUTQ, &unsent) != 0) unsent = 0;
  return pendingLocked() + static_cast<std::size_t>(std::max(unsent, 0));
}

void NetworkSerialDevice::purgeOutput() {
  std::lock_guard lock(mutex_);
  if (!telnet()) return;
  client_.purge(telnet::comport::kPurgeTransmit, out_);
  flushLocked();
}

// ---- input

// Takes bytes from the socket into `buffer`; Telnet commands are handled
// here and only data bytes count. Sets `result` to Gone when the
// connection has ended.
std::size_t NetworkSerialDevice::receiveLocked(std::uint8_t* buffer, std::size_t capacity, IoResult& result) {
  for (;;) {
    const ssize_t n = ::recv(fd_, buffer, capacity, 0);
    if (n > 0) {
      if (!telnet()) return static_cast<std::size_t>(n);
      const std::size_t data = parser_.feed({buffer, static_cast<std::size_t>(n)}, buffer, events_);
      handleEventsLocked();
      if (data > 0) return data;
      continue;  // only commands: look for data behind them
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    const int error = n == 0 ? -ECONNRESET : -errno;
    lostLocked(error, n == 0 ? "connection closed by the device server" : "connection lost");
    result = {IoResult::Status::Gone, 0, error};
    return 0;
  }
}

void NetworkSerialDevice::handleEventsLocked() {
  if (events_.empty()) return;
  std::vector<std::uint8_t> replies;
  for (const auto& event : events_) client_.handle(event, replies);
  events_.clear();
  // A server that keeps asking but never reads gets no more answers than
  // fit: what it sends must not grow this queue without end.
  if (pendingLocked() + replies.size() <= kQueueLimit * 4) out_.insert(out_.end(), replies.begin(), replies.end());
  if (client_.takeRefusal()) {
    say("the device server refused COM-PORT-OPTION: line settings and modem lines are not carried, "
        "the port works as a raw TCP connection");
  }
  bool signal = false;
  if (client_.takeModemChange()) signal = modemChanged_ = true;
  if (client_.hasLineErrors()) signal = lineErrorSeen_ = true;
  if (signal) signalEventFd(signalFd_);
  flushLocked();
}

IoResult NetworkSerialDevice::read(std::uint8_t* buffer, std::size_t capacity) {
  std::lock_guard lock(mutex_);
  if (link_ == Link::Lost) return {IoResult::Status::Gone, 0, -ENOTCONN};
  if (link_ != Link::Connected || capacity == 0) return {IoResult::Status::Ok, 0, 0};
  IoResult result;
  result.count = receiveLocked(buffer, capacity, result);
  return result;
}

void NetworkSerialDevice::purgeInput() {
  std::lock_guard lock(mutex_);
  if (link_ != Link::Connected) return;
  if (telnet()) client_.purge(telnet::comport::kPurgeReceive, out_);
  // What already travels towards us is as stale as what the server still holds.
  std::uint8_t discard[kDrainChunk];
  IoResult result;
  while (link_ == Link::Connected && receiveLocked(discard, sizeof discard, result) > 0) {
  }
  flushLocked();
}

// ---- line settings and modem lines

int NetworkSerialDevice::setLine(const LineSettings& settings) {
  if (settings.baud < 0 || settings.dataBits < 5 || settings.dataBits > 8) return comm_error::kBadArgument;
  std::lock_guard lock(mutex_);
  if (!telnet()) return 0;
  client_.setLine(settings, out_);
  flushLocked();
  return 0;
}

int NetworkSerialDevice::setDtr(bool on) {
  std::lock_guard lock(mutex_);
  if (!telnet()) return 0;
  client_.setDtr(on, out_);
  flushLocked();
  return 0;
}

int NetworkSerialDevice::setRts(bool on) {
  std::lock_guard lock(mutex_);
  if (!telnet()) return 0;
  client_.setRts(on, out_);
  flushLocked();
  return 0;
}

std::optional<std::uint8_t> NetworkSerialDevice::modemLines() {
  std::lock_guard lock(mutex_);
  if (!telnet() || client_.comPortState() == telnet::Rfc2217Client::ComPortState::Refused) return std::nullopt;
  return client_.modemLines();
}

bool NetworkSerialDevice::canReportModemChanges() {
  std::lock_guard lock(mutex_);
  return telnet() && client_.comPortState() != telnet::Rfc2217Client::ComPortState::Refused;
}

std::uint16_t NetworkSerialDevice::takeLineErrors() {
  std::lock_guard lock(mutex_);
  return client_.takeLineErrors();
}

// ---- waiting

NetworkSerialDevice::SocketWatch NetworkSerialDevice::planWatch(const DeviceWaitRequest& request) {
  std::lock_guard lock(mutex_);
  SocketWatch watch;
  if (link_ == Link::Connecting) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(connectDeadline_ - std::chrono::steady_clock::now());
    watch = {fd_, POLLOUT, static_cast<int>(std::max<std::int64_t>(left.count(), 0)), true};
  } else if (link_ == Link::Connected && (request.readable || request.hangUp)) {
    // Once the caller stops asking (the device is gone) the socket is left
    // out, since a hung-up socket would report itself at once, for ever.
    short events = request.readable ? POLLIN : 0;
    if (pendingLocked() > 0) events |= POLLOUT;
    watch = {fd_, events, -1, false};
  }
  return watch;
}

DeviceEvents NetworkSerialDevice::wait(const DeviceWaitRequest& request) {
  for (;;) {
    const SocketWatch watch = planWatch(request);
    pollfd fds[4] = {{wakeFd_, POLLIN, 0}, {kickFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}, {watch.fd, watch.events, 0}};
    const nfds_t count = watch.fd >= 0 ? 4 : 3;
    DeviceEvents events;
    if (pollRetrying(fds, count, watch.timeoutMs) < 0) {
      events.hangUp = request.hangUp;
      return events;
    }
    if (fds[0].revents & POLLIN) {
      drainEventFd(wakeFd_);
      events.woken = true;
    }
    if (fds[1].revents & POLLIN) drainEventFd(kickFd_);
    if (fds[2].revents & POLLIN) {
      drainEventFd(signalFd_);
      events.lineError = lineErrorSeen_.exchange(false);
    }
    if (request.modemChange && modemChanged_.exchange(false)) events.modemChange = true;
    if (watch.connecting) {
      std::lock_guard lock(mutex_);
      settleConnectLocked(false);
      events.hangUp = link_ == Link::Lost && request.hangUp;
    } else if (count == 4) {
      const short revents = fds[3].revents;
      if (revents & POLLOUT) {
        std::lock_guard lock(mutex_);
        flushLocked();
      }
      const bool broken = (revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
      // Bytes that came before a hang-up are read first: the read finds the end.
      events.readable = request.readable && (revents & (POLLIN | POLLERR | POLLHUP)) != 0;
      events.hangUp = broken && !request.readable && request.hangUp;
      if (broken && !request.readable && request.hangUp) {
        std::lock_guard lock(mutex_);
        const int error = connectOutcome(fd_);
        lostLocked(error < 0 ? error : -ECONNRESET, "connection lost");
      }
    }
    if (events.woken || events.readable || events.modemChange || events.lineError || events.hangUp) return events;
  }
}

void NetworkSerialDevice::wake() { signalEventFd(wakeFd_); }

}  // namespace solwire
