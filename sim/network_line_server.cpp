#include "sim/network_line_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>
#include <cstring>
#include <system_error>

#include "serial/modem_status.h"
#include "sim/line_server.h"

namespace solwire::sim {
namespace {

LocalTime localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

[[noreturn]] void fail(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

// A listening socket on `address`:`port` (IPv4 or IPv6 text).
int listenOn(const std::string& address, std::uint16_t port, std::uint16_t& boundPort) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
  if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    length = sizeof *v4;
  } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    length = sizeof *v6;
  } else {
    errno = EINVAL;
    fail("bind address " + address);
  }
  const int fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) fail("socket");
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || listen(fd, 4) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    fail("listen on " + address + ":" + std::to_string(port));
  }
  getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
  boundPort = ntohs(storage.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
  return fd;
}

}  // namespace

NetworkLineServer::NetworkLineServer(const ListenOptions& options, std::uint32_t seed, int baud,
                                     std::optional<HayesModemOptions> modem)
    : options_(options), bus_(seed), session_(options.refuseComPort) {
  if (modem) {
    auto frontEnd = std::make_unique<ModemFrontEnd>(bus_, std::move(*modem), baud);
    modem_ = frontEnd.get();
    lines_ = *frontEnd->modemLines();
    line_ = std::move(frontEnd);
  } else {
    line_ = std::make_unique<LineServer>(bus_, baud);
  }
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) fail("eventfd");
  try {
    listenFd_ = listenOn(options.bindAddress, options.port, port_);
  } catch (...) {
    ::close(wakeFd_);
    throw;
  }
}

NetworkLineServer::~NetworkLineServer() {
  stop();
  dropClient();
  ::close(listenFd_);
  ::close(wakeFd_);
}

void NetworkLineServer::withBus(const std::function<void(RegulatorBus&)>& change) {
  std::lock_guard lock(mutex_);
  change(bus_);
}

void NetworkLineServer::setModemLines(std::uint8_t lines) {
  {
    std::lock_guard lock(mutex_);
    if (modem_) return;
    lines_ = lines & modem::kLines;
    linesChanged_ = true;
  }
  wake();
}

void NetworkLineServer::dropCarrier() {
  {
    std::lock_guard lock(mutex_);
    if (modem_) modem_->dropCarrier();
  }
  wake();
}

std::vector<HayesModem::Received> NetworkLineServer::modemRecord() const {
  std::lock_guard lock(mutex_);
  return modem_ ? modem_->modem().record() : std::vector<HayesModem::Received>{};
}

bool NetworkLineServer::carrier() const {
  std::lock_guard lock(mutex_);
  return modem_ && modem_->modem().dcd();
}

void NetworkLineServer::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

std::uint8_t NetworkLineServer::modemLines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

RequestedLine NetworkLineServer::requested() const {
  std::lock_guard lock(mutex_);
  return session_.requested();
}

bool NetworkLineServer::comPortAccepted() const {
  std::lock_guard lock(mutex_);
  return session_.comPortAccepted();
}

int NetworkLineServer::connectionsAccepted() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void NetworkLineServer::start() {
  thread_ = std::thread([this] { run(); });
}

void NetworkLineServer::stop() {
  stopping_ = true;
  wake();
  if (thread_.joinable()) thread_.join();
}

void NetworkLineServer::run() {
  while (!stopping_) serveOnce(millisecondsToNextByte());
}

int NetworkLineServer::millisecondsToNextByte() const {
  std::lock_guard lock(mutex_);
  const auto next = line_->nextDue();
  if (!next) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - std::chrono::steady_clock::now());
  return wait.count() < 0 ? 0 : static_cast<int>(wait.count());
}

void NetworkLineServer::serveOnce(int timeoutMs) {
  int client = -1;
  {
    std::lock_guard lock(mutex_);
    client = clientFd_;
  }
  std::array<pollfd, 3> fds{{{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}, {client, POLLIN, 0}}};
  if (poll(fds.data(), client >= 0 ? 3 : 2, timeoutMs) < 0 && errno != EINTR) fail("poll");
  if (fds[0].revents & POLLIN) {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(wakeFd_, &value, sizeof value);
  }
  // A client that left just before the next one came is seen to go first,
  // so that the next one is not turned away as a second client.
  if (client >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) readClient();
  if (fds[1].revents & POLLIN) acceptClient();

  std::vector<std::uint8_t> out;
  {
    std::lock_guard lock(mutex_);
    const auto due = line_->takeDue(std::chrono::steady_clock::now());
    followModemLines(out);
    if (linesChanged_) {
      linesChanged_ = false;
      session_.setModemLines(lines_, out);
    }
    if (options_.protocol == ListenOptions::Protocol::Rfc2217) {
      Rfc2217ServerSession::appendData(due, out);
    } else {
      out.insert(out.end(), due.begin(), due.end());
    }
  }
  sendToClient(out);
}

// A modem's lines change as its calls do; the client hears of each change
// before the result code or data that came with it.
void NetworkLineServer::followModemLines(std::vector<std::uint8_t>& out) {
  if (!modem_) return;
  const std::uint8_t lines = *modem_->modemLines();
  if (lines == lines_) return;
  lines_ = lines;
  linesChanged_ = false;
  session_.setModemLines(lines_, out);
}

// DTR going from on to off at the client's request hangs up as on a real modem
// line; a client that never set DTR (raw TCP) does not count as dropping it.
void NetworkLineServer::followClientDtr() {
  const bool dtr = session_.requested().dtr;
  if (clientDtr_ && !dtr) line_->dtrDropped();
  clientDtr_ = dtr;
}

void NetworkLineServer::acceptClient() {
  const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return;
  std::lock_guard lock(mutex_);
  if (clientFd_ >= 0) {
    ::close(fd);  // the line is taken
    return;
  }
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  clientFd_ = fd;
  ++connections_;
  session_ = Rfc2217ServerSession(options_.refuseComPort);
  std::vector<std::uint8_t> nothingYet;  // the lines go out once COM-PORT-OPTION is agreed
  session_.setModemLines(lines_, nothingYet);
}

void NetworkLineServer::dropClient() {
  std::lock_guard lock(mutex_);
  if (clientFd_ < 0) return;
  ::close(clientFd_);
  clientFd_ = -1;
  line_->dtrDropped();  // a device server drops DTR when its client goes
  clientDtr_ = false;
}

// Reads what the client sent, up to its end when it has gone: a client that
// sends its last commands and leaves is dropped before a newcomer is looked at.
void NetworkLineServer::readClient() {
  constexpr int kMostReadsAtOnce = 64;
  for (int round = 0; round < kMostReadsAtOnce && readClientOnce(); ++round) {
  }
}

bool NetworkLineServer::readClientOnce() {
  std::array<std::uint8_t, 512> buffer{};
  int fd = -1;
  {
    std::lock_guard lock(mutex_);
    fd = clientFd_;
  }
  if (fd < 0) return false;
  const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
  if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
    dropClient();
    return false;
  }
  if (n < 0) return false;
  std::vector<std::uint8_t> replies;
  {
    std::lock_guard lock(mutex_);
    const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(n));
    if (options_.protocol == ListenOptions::Protocol::Rfc2217) {
      const auto data = session_.received(bytes, replies);
      followClientDtr();
      line_->received(data, std::chrono::steady_clock::now(), localTimeNow());
    } else {
      line_->received(bytes, std::chrono::steady_clock::now(), localTimeNow());
    }
  }
  sendToClient(replies);
  return true;
}

void NetworkLineServer::sendToClient(const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  std::size_t sent = 0;
  while (clientFd_ >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(clientFd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // a client that does not read loses what it would not take
    }
  }
}

}  // namespace solwire::sim
