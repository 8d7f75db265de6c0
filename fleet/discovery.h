// Home Assistant's discovery of a site: one retained device document that
// names the site's regulator and all its entities. A sensor per value of the
// state payload, the state code also as text, with alarms a binary sensor
// per alarm input; these are available only while both the line's watcher
// and the site are online. The time of the last good reading and the reason
// of the last failure only need the watcher: they tell why a site is down.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "fleet/fleet_topics.h"
#include "fleet/mqtt_message.h"
#include "fleet/state_payload.h"
#include "protocol/status_messages.h"

namespace solwire::fleet {

struct DiscoveryOptions {
  std::string haPrefix = "homeassistant";
  bool alarms = false;
  std::string softwareVersion;            // the watcher's, as the documents' origin; empty: not said
  std::chrono::seconds expireAfter{0};    // a value not renewed for so long shows unavailable; 0: never
  Language language = Language::English;  // of the state texts
};

// The device document of one site; its model, the voltage class, once known.
MqttMessage deviceDiscovery(const FleetTopics& topics, const DiscoveryOptions& options, int site,
                            std::optional<int> voltageClass);

// The keys of the state payload that become sensors, in payload order.
std::vector<std::string> sensorKeys();

}  // namespace solwire::fleet
