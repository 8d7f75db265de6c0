#include "store/config/settings_backend_memory.h"

namespace solwire {

std::optional<std::string> MemorySettingsBackend::read(std::string_view section, std::string_view name) const {
  reads_.push_back({std::string(section), std::string(name), {}});
  return peek(section, name);
}

void MemorySettingsBackend::write(std::string_view section, std::string_view name, std::string_view value) {
  writes_.push_back({std::string(section), std::string(name), std::string(value)});
  set(section, name, value);
}

StoreResult MemorySettingsBackend::commit() {
  ++commits_;
  if (pendingFailure_) {
    StoreResult failure = std::move(*pendingFailure_);
    pendingFailure_.reset();
    return failure;
  }
  return StoreResult::success();
}

void MemorySettingsBackend::set(std::string_view section, std::string_view name, std::string_view value) {
  values_[Key(section, name)] = std::string(value);
}

std::optional<std::string> MemorySettingsBackend::peek(std::string_view section, std::string_view name) const {
  const auto it = values_.find(Key(section, name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemorySettingsBackend::clearLog() {
  reads_.clear();
  writes_.clear();
  commits_ = 0;
}

}  // namespace solwire
