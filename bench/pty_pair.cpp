#include "pty_pair.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace solwire::bench {

PtyPair::PtyPair() {
  char name[128] = {};
  int slave = -1;
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master_, &slave, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
  ::close(slave);
  path_ = name;
}

PtyPair::~PtyPair() {
  if (master_ >= 0) ::close(master_);
}

void PtyPair::writeAll(const void* data, std::size_t size) const {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(master_, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{master_, POLLOUT, 0};
        poll(&p, 1, 1000);
        continue;
      }
      throw std::runtime_error("write to pty failed");
    }
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

static double seconds(clockid_t id) {
  timespec t{};
  clock_gettime(id, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double processCpuSeconds() { return seconds(CLOCK_PROCESS_CPUTIME_ID); }

double threadCpuSeconds() { return seconds(CLOCK_THREAD_CPUTIME_ID); }

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace solwire::bench
