// The built-in simulated modem: a Hayes modem on an in-memory line with real
// modem lines (DCD follows the call), and behind a connected call the
// simulated regulator bus. Registered as the virtual device "sim-modem", it
// lets the program dial a remote site without a telephone line. Time comes
// from the clock it is given, so a test moving a clock by hand drives dials,
// guard times and replies together with the program's own timers.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/in_memory_serial_device.h"
#include "serial/monotonic_clock.h"
#include "serial/virtual_device_registry.h"
#include "sim/hayes_modem.h"
#include "sim/modem_front_end.h"
#include "sim/regulator_bus.h"

namespace solwire::sim {

// The numbers the built-in simulated modem treats specially: 555 answers
// BUSY, 556 NO CARRIER, 557 never answers; any other number connects.
HayesModemOptions builtInModemOptions();

class SimulatedModemService {
 public:
  // Regulators at sites 0..3 as on the simulated direct line.
  explicit SimulatedModemService(HayesModemOptions options = {}, MonotonicClock& clock = systemClock(),
                                 std::uint32_t seed = 1);
  ~SimulatedModemService();
  SimulatedModemService(const SimulatedModemService&) = delete;
  SimulatedModemService& operator=(const SimulatedModemService&) = delete;

  void registerAs(VirtualDeviceRegistry& registry, const std::string& name = kSimulatedModemName);

  // What the computer sent, with the time on the service's clock.
  std::vector<HayesModem::Received> record() const;
  bool carrier() const;
  // Waits (real time, at most `timeout`) until the service has dealt with
  // everything the port sent and every move of the clock so far.
  bool waitUntilIdle(std::chrono::milliseconds timeout) const;
  // The far end hangs up.
  void dropCarrier();
  void withBus(const std::function<void(RegulatorBus&)>& change);
  InMemoryLine& line() { return *line_; }

 private:
  HayesModem::TimePoint now() const;
  void serve();
  void pumpLocked();

  MonotonicClock& clock_;
  std::shared_ptr<InMemoryLine> line_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool woken_ = false;
  bool idle_ = false;
  mutable std::condition_variable idleChanged_;
  RegulatorBus bus_;
  ModemFrontEnd modem_;
  std::uint64_t clockListener_ = 0;
  std::uint64_t opensSeen_ = 0;
  std::thread thread_;
};

}  // namespace solwire::sim
