#include "sim/pty_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>
#include <system_error>
#include <vector>

#include "sim/line_server.h"

namespace solwire::sim {

namespace {

LocalTime localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

PtyServer::PtyServer(std::uint32_t seed, int baud, std::optional<HayesModemOptions> modem) : bus_(seed) {
  if (modem) {
    auto frontEnd = std::make_unique<ModemFrontEnd>(bus_, std::move(*modem), baud);
    modem_ = frontEnd.get();
    served_ = std::move(frontEnd);
  } else {
    served_ = std::make_unique<LineServer>(bus_, baud);
  }
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

PtyServer::~PtyServer() {
  stop();
  close(wakeFd_);
}

void PtyServer::withBus(const std::function<void(RegulatorBus&)>& change) {
  std::lock_guard lock(mutex_);
  change(bus_);
}

void PtyServer::dropCarrier() {
  {
    std::lock_guard lock(mutex_);
    if (modem_) modem_->dropCarrier();
  }
  wake();
}

void PtyServer::wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void PtyServer::start() {
  thread_ = std::thread([this] { run(); });
}

void PtyServer::stop() {
  stopping_ = true;
  wake();
  if (thread_.joinable()) thread_.join();
}

void PtyServer::run() {
  while (!stopping_) serveOnce(millisecondsToNextByte());
}

int PtyServer::millisecondsToNextByte() const {
  std::lock_guard lock(mutex_);
  const auto next = served_->nextDue();
  if (!next) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - std::chrono::steady_clock::now());
  return wait.count() < 0 ? 0 : static_cast<int>(wait.count());
}

void PtyServer::serveOnce(int timeoutMs) {
  std::array<pollfd, 2> fds{{{line_.fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}}};
  if (poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR)
    throw std::system_error(errno, std::generic_category(), "poll");

  if (fds[1].revents & POLLIN) {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(wakeFd_, &value, sizeof value);
  }
  std::vector<std::uint8_t> due;
  {
    std::lock_guard lock(mutex_);
    if (fds[0].revents & POLLIN) {
      std::array<std::uint8_t, 256> buffer{};
      const std::size_t n = line_.readAvailable(buffer);
      if (n > 0) served_->received(std::span(buffer.data(), n), std::chrono::steady_clock::now(), localTimeNow());
    }
    due = served_->takeDue(std::chrono::steady_clock::now());
  }
  if (!due.empty()) line_.write(due);
}

}  // namespace solwire::sim
