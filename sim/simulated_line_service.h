// The built-in simulated regulator line: a bus of regulators answering on an
// in-memory line, paced at the line speed by a thread of its own. Registered
// as the virtual device "sim", it lets the program and the tool open a port on
// it like on any serial device.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/in_memory_serial_device.h"
#include "serial/virtual_device_registry.h"
#include "sim/line_server.h"
#include "sim/regulator_bus.h"

namespace solwire::sim {

class SimulatedLineService {
 public:
  // Regulators at sites 0..3 with type codes of a 48 V, 24 V, 12 V and an
  // inverted-scale model; replies paced at `baud`.
  explicit SimulatedLineService(int baud = 2400, std::uint32_t seed = 1);
  ~SimulatedLineService();
  SimulatedLineService(const SimulatedLineService&) = delete;
  SimulatedLineService& operator=(const SimulatedLineService&) = delete;

  // Makes `name` open a port on this line.
  void registerAs(VirtualDeviceRegistry& registry, const std::string& name = kSimulatedLineName);

  // Changes the regulators while the line runs.
  void withBus(const std::function<void(RegulatorBus&)>& change);
  InMemoryLine& line() { return *line_; }

 private:
  void serve();

  std::shared_ptr<InMemoryLine> line_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool hostWrote_ = false;
  RegulatorBus bus_;
  LineServer server_;
  std::thread thread_;
};

}  // namespace solwire::sim
