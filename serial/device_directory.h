// Turns what a port is pointed at into a device: a COM number through the
// port names, and a path either through the virtual-device registry ("sim",
// "sim-modem"), as a network port ("tcp://HOST:PORT", "rfc2217://HOST:PORT")
// or as a tty path opened with termios.
#pragma once

#include <memory>
#include <string>

#include "serial/port_names.h"
#include "serial/serial_device.h"
#include "serial/virtual_device_registry.h"

namespace solwire {

class DeviceDirectory {
 public:
  // `registry` may be null (no virtual devices); it must outlive the directory.
  explicit DeviceDirectory(PortNames names = PortNames(), const VirtualDeviceRegistry* registry = nullptr)
      : names_(std::move(names)), registry_(registry) {}

  std::string pathForCom(int comNumber) const { return names_.pathFor(comNumber); }
  // A device for `path` (not yet open).
  std::unique_ptr<SerialDevice> deviceFor(const std::string& path) const;

 private:
  PortNames names_;
  const VirtualDeviceRegistry* registry_;
};

}  // namespace solwire
