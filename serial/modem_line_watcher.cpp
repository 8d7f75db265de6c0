#include "serial/modem_line_watcher.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/ioctl.h>

namespace solwire {
namespace {

int interruptSignal() { return SIGRTMIN + 5; }

void ignoreSignal(int) {}

// A handler without SA_RESTART, so that the signal ends a blocked ioctl with EINTR.
void installInterruptHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = ignoreSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(interruptSignal(), &action, nullptr);
  });
}

}  // namespace

ModemLineWatcher::ModemLineWatcher(int fd, std::function<void()> onChange, std::function<void()> onUnsupported)
    : fd_(fd), onChange_(std::move(onChange)), onUnsupported_(std::move(onUnsupported)) {
  installInterruptHandler();
  thread_ = std::thread([this] { run(); });
}

ModemLineWatcher::~ModemLineWatcher() {
  stop_.store(true);
  std::unique_lock lock(mutex_);
  // A signal sent just before the thread enters the ioctl is lost, so it is
  // repeated until the thread has seen the stop flag.
  while (!finished_) {
    pthread_kill(thread_.native_handle(), interruptSignal());
    ended_.wait_for(lock, std::chrono::milliseconds(20));
  }
  lock.unlock();
  thread_.join();
}

void ModemLineWatcher::run() {
  const int mask = TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD;
  while (!stop_.load()) {
    if (ioctl(fd_, TIOCMIWAIT, mask) == 0) {
      onChange_();
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == ENOTTY || errno == EINVAL) {
      supported_.store(false);
      onUnsupported_();
    } else {
      onChange_();  // hang-up or failure: let the reader find out
    }
    break;
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  ended_.notify_all();
}

}  // namespace solwire
