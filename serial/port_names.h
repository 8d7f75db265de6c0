// Which device path a COM number names: the environment variable
// SOLWIRE_COM<n> if set, else the caller's lookup (the configuration store's
// "Ports" section), else /dev/ttyS<n-1>.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace solwire {

class PortNames {
 public:
  using Lookup = std::function<std::optional<std::string>(int comNumber)>;

  explicit PortNames(Lookup lookup = {}) : lookup_(std::move(lookup)) {}

  // The path for COMn (n >= 1); an empty string for n < 1.
  std::string pathFor(int comNumber) const;

  static std::string defaultPath(int comNumber);
  static std::string environmentName(int comNumber);

 private:
  Lookup lookup_;
};

}  // namespace solwire
