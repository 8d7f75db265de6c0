// What takes a site out of Home Assistant and off the broker: a retained
// empty payload on a topic removes its discovered entities there and the
// message the broker kept for it.
#pragma once

#include <string>
#include <vector>

#include "fleet/fleet_topics.h"
#include "fleet/mqtt_message.h"

namespace solwire::fleet {

// The documents of one entity each (10 sensors, 13 alarm binary sensors) that
// watchers published for a site before its device document held them all.
// Sent before the device document, lest the old entities keep its unique ids.
std::vector<MqttMessage> legacyEntityRemovals(const FleetTopics& topics, const std::string& haPrefix, int site);

// Everything a site ever had: its device document, the documents of the
// earlier layout, its state and its availability.
std::vector<MqttMessage> siteRemovals(const FleetTopics& topics, const std::string& haPrefix, int site);

}  // namespace solwire::fleet
