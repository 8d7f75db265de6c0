// Waits for input-line changes of a serial device (TIOCMIWAIT) on a thread of
// its own, because that wait cannot be combined with poll(). The thread is
// ended by interrupting the ioctl with a signal.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace solwire {

class ModemLineWatcher {
 public:
  // Calls `onChange` after each change; `onUnsupported` once if the driver
  // cannot wait for line changes (the thread then ends).
  ModemLineWatcher(int fd, std::function<void()> onChange, std::function<void()> onUnsupported);
  ~ModemLineWatcher();
  ModemLineWatcher(const ModemLineWatcher&) = delete;
  ModemLineWatcher& operator=(const ModemLineWatcher&) = delete;

  bool supported() const { return supported_.load(); }

 private:
  void run();

  int fd_;
  std::function<void()> onChange_;
  std::function<void()> onUnsupported_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> supported_{true};
  std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace solwire
