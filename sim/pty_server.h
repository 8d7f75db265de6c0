// Serves a simulated regulator bus on a pseudo-terminal: a client opens the
// device path like any serial port and talks to the regulators through it,
// directly or through a simulated modem. A pty has no modem lines, so the
// modem's DCD cannot reach the client; its result codes can.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "sim/hayes_modem.h"
#include "sim/modem_front_end.h"
#include "sim/pty_line.h"
#include "sim/regulator_bus.h"

namespace solwire::sim {

class PtyServer {
 public:
  // With `modem`, the bus sits behind a simulated modem with these options.
  PtyServer(std::uint32_t seed, int baud, std::optional<HayesModemOptions> modem = std::nullopt);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  const std::string& devicePath() const { return line_.devicePath(); }

  // Changes the regulators while the line runs.
  void withBus(const std::function<void(RegulatorBus&)>& change);
  // With a modem: the far end hangs up. Without one: nothing.
  void dropCarrier();

  // Serves the line on this thread until stop() is called.
  void run();
  // Serves the line on a thread of its own.
  void start();
  void stop();

 private:
  void serveOnce(int timeoutMs);
  int millisecondsToNextByte() const;
  void wake();

  mutable std::mutex mutex_;  // the bus and what serves it
  RegulatorBus bus_;
  std::unique_ptr<ServedLine> served_;
  ModemFrontEnd* modem_ = nullptr;  // served_, when it is a modem
  PtyLine line_;
  int wakeFd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace solwire::sim
