#include "sim/pty_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>
#include <system_error>

namespace solwire::sim {

namespace {

LocalTime localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

PtyServer::PtyServer(std::uint32_t seed, int baud) : bus_(seed), server_(bus_, baud) {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

PtyServer::~PtyServer() {
  stop();
  close(wakeFd_);
}

void PtyServer::withBus(const std::function<void(RegulatorBus&)>& change) {
  std::lock_guard lock(busMutex_);
  change(bus_);
}

void PtyServer::start() {
  thread_ = std::thread([this] { run(); });
}

void PtyServer::stop() {
  stopping_ = true;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
  if (thread_.joinable()) thread_.join();
}

void PtyServer::run() {
  while (!stopping_) serveOnce(millisecondsToNextByte());
}

int PtyServer::millisecondsToNextByte() const {
  const auto next = server_.nextDue();
  if (!next) return -1;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - std::chrono::steady_clock::now());
  return wait.count() < 0 ? 0 : static_cast<int>(wait.count());
}

void PtyServer::serveOnce(int timeoutMs) {
  std::array<pollfd, 2> fds{{{line_.fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}}};
  if (poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR)
    throw std::system_error(errno, std::generic_category(), "poll");

  if (fds[0].revents & POLLIN) {
    std::array<std::uint8_t, 256> buffer{};
    const std::size_t n = line_.readAvailable(buffer);
    if (n > 0) {
      std::lock_guard lock(busMutex_);
      server_.received(std::span(buffer.data(), n), std::chrono::steady_clock::now(), localTimeNow());
    }
  }
  const auto due = server_.takeDue(std::chrono::steady_clock::now());
  if (!due.empty()) line_.write(due);
}

}  // namespace solwire::sim
