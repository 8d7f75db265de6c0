// Home Assistant's discovery documents for the sites of a line: one sensor
// per value of the state payload, and with alarms one binary sensor per
// alarm input, each tied to the site's device and available only while both
// the line's watcher and the site are online.
#pragma once

#include <string>
#include <vector>

#include "fleet/fleet_topics.h"
#include "fleet/mqtt_message.h"
#include "fleet/state_payload.h"

namespace solwire::fleet {

struct DiscoveryOptions {
  std::string haPrefix = "homeassistant";
  bool alarms = false;
};

// The retained config messages of one site whose battery is of `voltageClass` volts.
std::vector<MqttMessage> discoveryMessages(const FleetTopics& topics, const DiscoveryOptions& options, int site,
                                           int voltageClass);

// The keys of the state payload that become sensors, in payload order.
std::vector<std::string> sensorKeys();

}  // namespace solwire::fleet
