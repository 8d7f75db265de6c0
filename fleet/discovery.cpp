#include "fleet/discovery.h"

#include <array>

namespace solwire::fleet {

namespace {

struct SensorKind {
  const char* key;
  const char* name;
  const char* unit;          // empty: none
  const char* deviceClass;   // empty: none
  const char* stateClass;    // empty: none
};

// A day's amp-hours start again from 0 each day: a total that only grows and
// then resets, which is what "total_increasing" says to Home Assistant.
constexpr std::array<SensorKind, 10> kSensors{{
    {"battery_voltage", "Battery voltage", "V", "voltage", "measurement"},
    {"charge_current", "Charge current", "A", "current", "measurement"},
    {"load_current", "Load current", "A", "current", "measurement"},
    {"charge_ah", "Charge today", "Ah", "", "total_increasing"},
    {"load_ah", "Load today", "Ah", "", "total_increasing"},
    {"daily_max_voltage", "Daily maximum voltage", "V", "voltage", "measurement"},
    {"daily_min_voltage", "Daily minimum voltage", "V", "voltage", "measurement"},
    {"state_code", "State code", "", "", ""},
    {"voltage_class", "Voltage class", "V", "", ""},
    {"type_code", "Type code", "", "", ""},
}};

Json device(const FleetTopics& topics, int site, int voltageClass) {
  return {{"identifiers", Json::array({topics.deviceId(site)})},
          {"name", "Solwire site " + std::to_string(site) + " on " + topics.line()},
          {"model", std::to_string(voltageClass) + " V"}};
}

// Both must say "online": the watcher of the line, and the site's last reading.
Json availability(const FleetTopics& topics, int site) {
  return Json::array({{{"topic", topics.status()}, {"payload_available", "online"}, {"payload_not_available", "offline"}},
                      {{"topic", topics.availability(site)},
                       {"payload_available", "online"},
                       {"payload_not_available", "offline"}}});
}

Json commonFields(const FleetTopics& topics, int site, int voltageClass, const std::string& key,
                  const std::string& name) {
  Json config;
  config["unique_id"] = topics.uniqueId(site, key);
  config["name"] = name;
  config["state_topic"] = topics.state(site);
  config["availability"] = availability(topics, site);
  config["availability_mode"] = "all";
  config["device"] = device(topics, site, voltageClass);
  return config;
}

MqttMessage sensorConfig(const FleetTopics& topics, const DiscoveryOptions& options, int site, int voltageClass,
                         const SensorKind& kind) {
  Json config = commonFields(topics, site, voltageClass, kind.key, kind.name);
  config["value_template"] = std::string("{{ value_json.") + kind.key + " }}";
  if (*kind.unit) config["unit_of_measurement"] = kind.unit;
  if (*kind.deviceClass) config["device_class"] = kind.deviceClass;
  if (*kind.stateClass) config["state_class"] = kind.stateClass;
  const std::string id = topics.uniqueId(site, kind.key);
  return {discoveryTopic(options.haPrefix, "sensor", id), config.dump()};
}

MqttMessage alarmConfig(const FleetTopics& topics, const DiscoveryOptions& options, int site, int voltageClass,
                        int input) {
  const std::string number = std::to_string(input + 1);
  Json config = commonFields(topics, site, voltageClass, "alarm_" + number, "Alarm " + number);
  config["value_template"] = "{{ 'ON' if value_json.alarms[" + std::to_string(input) + "] else 'OFF' }}";
  config["payload_on"] = "ON";
  config["payload_off"] = "OFF";
  config["device_class"] = "problem";
  const std::string id = topics.uniqueId(site, "alarm_" + number);
  return {discoveryTopic(options.haPrefix, "binary_sensor", id), config.dump()};
}

}  // namespace

std::vector<std::string> sensorKeys() {
  std::vector<std::string> keys;
  for (const SensorKind& kind : kSensors) keys.emplace_back(kind.key);
  return keys;
}

std::vector<MqttMessage> discoveryMessages(const FleetTopics& topics, const DiscoveryOptions& options, int site,
                                           int voltageClass) {
  std::vector<MqttMessage> messages;
  for (const SensorKind& kind : kSensors) messages.push_back(sensorConfig(topics, options, site, voltageClass, kind));
  if (options.alarms)
    for (int input = 0; input < kAlarmInputs; ++input)
      messages.push_back(alarmConfig(topics, options, site, voltageClass, input));
  return messages;
}

}  // namespace solwire::fleet
