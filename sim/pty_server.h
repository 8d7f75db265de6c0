// Serves a simulated regulator bus on a pseudo-terminal: a client opens the
// device path like any serial port and talks to the regulators through it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/line_server.h"
#include "sim/pty_line.h"
#include "sim/regulator_bus.h"

namespace solwire::sim {

class PtyServer {
 public:
  PtyServer(std::uint32_t seed, int baud);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  const std::string& devicePath() const { return line_.devicePath(); }

  // Changes the regulators while the line runs.
  void withBus(const std::function<void(RegulatorBus&)>& change);

  // Serves the line on this thread until stop() is called.
  void run();
  // Serves the line on a thread of its own.
  void start();
  void stop();

 private:
  void serveOnce(int timeoutMs);
  int millisecondsToNextByte() const;

  std::mutex busMutex_;
  RegulatorBus bus_;
  LineServer server_;
  PtyLine line_;
  int wakeFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace solwire::sim
