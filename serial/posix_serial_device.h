// A serial device over POSIX termios: a tty such as /dev/ttyS0, /dev/ttyUSB0
// or the slave side of a pseudo-terminal.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <termios.h>

#include "serial/serial_device.h"

namespace solwire {

class ModemLineWatcher;

class PosixSerialDevice final : public SerialDevice {
 public:
  explicit PosixSerialDevice(std::string path);
  ~PosixSerialDevice() override;
  PosixSerialDevice(const PosixSerialDevice&) = delete;
  PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

  const std::string& path() const { return path_; }

  int open() override;
  std::string openFailureReason() const override { return openFailure_; }
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

 private:
  int setModemLine(int bit, bool on);
  void startWatcherIfNeeded();
  void markHungUp() { hungUp_.store(true); }

  int openFailed(int error, int code);

  std::string path_;
  std::string openFailure_;
  int fd_ = -1;
  int wakeFd_ = -1;       // wakes wait()
  int writeWakeFd_ = -1;  // interrupts write()
  int modemFd_ = -1;      // signalled by the line watcher
  termios saved_{};
  bool savedValid_ = false;
  bool hasModemLines_ = false;
  std::atomic<bool> hungUp_{false};
  std::mutex watcherMutex_;
  std::unique_ptr<ModemLineWatcher> watcher_;
  std::atomic<bool> watcherUnsupported_{false};
};

}  // namespace solwire
