#include "serial/virtual_device_registry.h"

namespace solwire {

void VirtualDeviceRegistry::add(const std::string& name, Factory factory) {
  std::lock_guard lock(mutex_);
  factories_[name] = std::move(factory);
}

void VirtualDeviceRegistry::remove(const std::string& name) {
  std::lock_guard lock(mutex_);
  factories_.erase(name);
}

bool VirtualDeviceRegistry::contains(const std::string& name) const {
  std::lock_guard lock(mutex_);
  return factories_.count(name) != 0;
}

std::unique_ptr<SerialDevice> VirtualDeviceRegistry::make(const std::string& name) const {
  Factory factory;
  {
    std::lock_guard lock(mutex_);
    auto found = factories_.find(name);
    if (found == factories_.end()) return nullptr;
    factory = found->second;
  }
  return factory();
}

}  // namespace solwire
