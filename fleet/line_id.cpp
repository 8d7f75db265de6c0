#include "fleet/line_id.h"

#include <algorithm>

namespace solwire::fleet {

namespace {

bool allowed(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// The allowed characters of `name`, each run of others as one "_", none at the ends.
std::string idOf(const std::string& name) {
  std::string id;
  for (const char c : name) {
    const char kept = allowed(c) ? c : '_';
    if (kept == '_' && (id.empty() || id.back() == '_')) continue;
    id += kept;
  }
  while (!id.empty() && id.back() == '_') id.pop_back();
  return id;
}

}  // namespace

std::string lineIdFromPort(const std::string& port) {
  const std::string devicePrefix = "/dev/";
  const std::string id = idOf(port.starts_with(devicePrefix) ? port.substr(devicePrefix.size()) : port);
  return id.empty() ? "line" : id;
}

std::string defaultLineId(const std::string& host, const std::string& port) {
  const std::string hostId = idOf(host.substr(0, host.find('.')));
  const std::string portId = lineIdFromPort(port);
  return hostId.empty() ? portId : hostId + "_" + portId;
}

bool isValidLineId(const std::string& id) { return !id.empty() && std::all_of(id.begin(), id.end(), allowed); }

}  // namespace solwire::fleet
