#include "serial/device_directory.h"

#include "serial/network_serial_device.h"
#include "serial/posix_serial_device.h"

namespace solwire {

std::unique_ptr<SerialDevice> DeviceDirectory::deviceFor(const std::string& path) const {
  if (registry_ != nullptr) {
    if (auto device = registry_->make(path)) return device;
  }
  if (isNetworkPath(path)) return std::make_unique<NetworkSerialDevice>(path);
  return std::make_unique<PosixSerialDevice>(path);
}

}  // namespace solwire
