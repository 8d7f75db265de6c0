#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace solwire::sim {

namespace {

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PtyLine::PtyLine() {
  char name[256] = {};
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) fail("openpty");
  path_ = name;
  // The far end stays open here too, so that the line does not hang up each
  // time the client closes and reopens it.
  const int flags = fcntl(master_, F_GETFL);
  if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) fail("fcntl");
}

PtyLine::~PtyLine() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

std::size_t PtyLine::readAvailable(std::span<std::uint8_t> buffer) {
  const ssize_t n = ::read(master_, buffer.data(), buffer.size());
  if (n > 0) return static_cast<std::size_t>(n);
  if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != EIO) fail("read");
  return 0;
}

void PtyLine::write(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) fail("write");
    // Nobody is reading: wait a little for room, then let the rest fall off
    // the line as it would on a real one.
    pollfd writable{master_, POLLOUT, 0};
    if (poll(&writable, 1, 100) <= 0) return;
  }
}

}  // namespace solwire::sim
