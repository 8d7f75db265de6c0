#include "serial/port_names.h"

#include <cstdlib>

namespace solwire {

std::string PortNames::defaultPath(int comNumber) { return "/dev/ttyS" + std::to_string(comNumber - 1); }

std::string PortNames::environmentName(int comNumber) { return "SOLWIRE_COM" + std::to_string(comNumber); }

std::string PortNames::pathFor(int comNumber) const {
  if (comNumber < 1) return {};
  if (const char* value = std::getenv(environmentName(comNumber).c_str()); value != nullptr && *value != '\0') {
    return value;
  }
  if (lookup_) {
    if (auto path = lookup_(comNumber); path && !path->empty()) return *path;
  }
  return defaultPath(comNumber);
}

}  // namespace solwire
