#include "fleet/watcher_identity.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <random>

namespace solwire::fleet {

namespace {

std::string randomHex() {
  std::random_device device;
  std::array<char, 9> text{};
  std::snprintf(text.data(), text.size(), "%08x", static_cast<unsigned>(device()));
  return text.data();
}

std::string hostName() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') return "unknown-host";
  return name.data();
}

}  // namespace

WatcherIdentity newWatcherIdentity(const std::string& line) {
  const std::string random = randomHex();
  return {"solwire-" + line + "-" + random, hostName() + "/" + std::to_string(::getpid()) + "/" + random};
}

}  // namespace solwire::fleet
