#include "fleet/discovery_removal.h"

#include <array>

namespace solwire::fleet {

namespace {

// As the earlier layout named them; it no longer changes with the sensors.
constexpr std::array<const char*, 10> kLegacySensorKeys{
    "battery_voltage",   "charge_current",    "load_current", "charge_ah",     "load_ah",
    "daily_max_voltage", "daily_min_voltage", "state_code",   "voltage_class", "type_code"};
constexpr int kLegacyAlarms = 13;

MqttMessage removal(const std::string& topic) { return {topic, ""}; }

}  // namespace

std::vector<MqttMessage> legacyEntityRemovals(const FleetTopics& topics, const std::string& haPrefix, int site) {
  std::vector<MqttMessage> removals;
  for (const char* key : kLegacySensorKeys)
    removals.push_back(removal(discoveryTopic(haPrefix, "sensor", topics.uniqueId(site, key))));
  for (int number = 1; number <= kLegacyAlarms; ++number)
    removals.push_back(
        removal(discoveryTopic(haPrefix, "binary_sensor", topics.uniqueId(site, "alarm_" + std::to_string(number)))));
  return removals;
}

// The device document goes first: its entities are gone before their state is.
std::vector<MqttMessage> siteRemovals(const FleetTopics& topics, const std::string& haPrefix, int site) {
  std::vector<MqttMessage> removals{removal(discoveryTopic(haPrefix, "device", topics.deviceId(site)))};
  for (MqttMessage& legacy : legacyEntityRemovals(topics, haPrefix, site)) removals.push_back(std::move(legacy));
  removals.push_back(removal(topics.state(site)));
  removals.push_back(removal(topics.availability(site)));
  return removals;
}

}  // namespace solwire::fleet
