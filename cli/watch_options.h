// What solwire-cli watch is asked to do: the line and its sites, how often a
// round starts, and where the readings go.
#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "fleet/broker_url.h"

namespace solwire::cli {

struct MqttOptions {
  fleet::BrokerAddress broker;
  std::string prefix = "solwire";
  std::string haPrefix = "homeassistant";
  bool discovery = true;
  std::optional<std::string> user;
  std::optional<std::string> passwordFile;
  std::optional<std::string> caFile;
  std::optional<std::string> certFile;
  std::optional<std::string> keyFile;
};

struct WatchOptions {
  std::string port;
  int baudIndex = 4;
  std::vector<int> sites;
  std::chrono::seconds every{60};
  bool alarms = false;
  std::string line;  // the line's name in topics and JSON lines
  bool jsonLines = false;
  std::optional<MqttOptions> mqtt;
};

// The first line of a password file, or nullopt when it cannot be read.
std::optional<std::string> readPasswordFile(const std::string& path);

// The options, or nullopt after a usage message on `err`.
std::optional<WatchOptions> parseWatch(const Arguments& args, std::ostream& err);

}  // namespace solwire::cli
