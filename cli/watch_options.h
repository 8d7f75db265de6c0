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
#include "protocol/status_messages.h"

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
  Language language = Language::English;  // of the texts published for Home Assistant
  std::string line;  // the line's name in topics and JSON lines
  bool jsonLines = false;
  std::optional<MqttOptions> mqtt;
};

// What to say about a password file every user may read, or nullopt.
std::optional<std::string> passwordFileWarning(const std::string& path);

// The first line of a password file, or nullopt when it cannot be read.
std::optional<std::string> readPasswordFile(const std::string& path);

// The options, or nullopt after a usage message on `err`.
std::optional<WatchOptions> parseWatch(const Arguments& args, std::ostream& err);

}  // namespace solwire::cli
