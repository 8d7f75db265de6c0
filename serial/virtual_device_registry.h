// Device names that open in-process devices instead of files: a higher layer
// (the simulator) registers a factory for "sim" or "sim-modem" that makes a
// fresh device, typically an InMemoryLine's port end with itself on the far end.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "serial/serial_device.h"

namespace solwire {

inline constexpr const char* kSimulatedLineName = "sim";
inline constexpr const char* kSimulatedModemName = "sim-modem";

class VirtualDeviceRegistry {
 public:
  using Factory = std::function<std::unique_ptr<SerialDevice>()>;

  void add(const std::string& name, Factory factory);
  void remove(const std::string& name);
  bool contains(const std::string& name) const;
  // A new device for `name`, or nullptr when no factory has that name.
  std::unique_ptr<SerialDevice> make(const std::string& name) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, Factory> factories_;
};

}  // namespace solwire
