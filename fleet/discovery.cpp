#include "fleet/discovery.h"

#include <array>

#include "fleet/state_code_text.h"
#include "fleet/value_templates.h"

namespace solwire::fleet {

namespace {

struct ValueSensor {
  const char* key;
  const char* name;
  const char* unit;         // empty: none
  const char* deviceClass;  // empty: none
  const char* stateClass;   // empty: none
  bool diagnostic;          // what the regulator is rather than what it measures
};

// A day's amp-hours start again from 0 each day: a total that only grows and
// then resets, which is what "total_increasing" says to Home Assistant.
constexpr std::array<ValueSensor, 10> kValueSensors{{
    {"battery_voltage", "Battery voltage", "V", "voltage", "measurement", false},
    {"charge_current", "Charge current", "A", "current", "measurement", false},
    {"load_current", "Load current", "A", "current", "measurement", false},
    {"charge_ah", "Charge today", "Ah", "", "total_increasing", false},
    {"load_ah", "Load today", "Ah", "", "total_increasing", false},
    {"daily_max_voltage", "Daily maximum voltage", "V", "voltage", "measurement", false},
    {"daily_min_voltage", "Daily minimum voltage", "V", "voltage", "measurement", false},
    {"state_code", "State code", "", "", "", true},
    {"voltage_class", "Voltage class", "V", "", "", true},
    {"type_code", "Type code", "", "", "", true},
}};

struct Site {
  const FleetTopics& topics;
  const DiscoveryOptions& options;
  int number;
};

Json availabilityOn(const std::string& topic) {
  return {{"topic", topic}, {"payload_available", "online"}, {"payload_not_available", "offline"}};
}

// Both must say "online": the watcher of the line, and the site's last reading.
Json siteAvailability(const Site& site) {
  return Json::array({availabilityOn(site.topics.status()), availabilityOn(site.topics.availability(site.number))});
}

Json entity(const Site& site, const char* platform, const std::string& key, const std::string& name) {
  return {{"p", platform}, {"unique_id", site.topics.uniqueId(site.number, key)}, {"name", name}};
}

void setIfAny(Json& config, const char* option, const char* value) {
  if (*value) config[option] = value;
}

void expiring(Json& config, const Site& site) {
  if (site.options.expireAfter.count() > 0) config["expire_after"] = site.options.expireAfter.count();
}

// Shown while the site is down, and about the watcher's work, not the regulator.
void aboutTheWatch(Json& config, const Site& site) {
  config["entity_category"] = "diagnostic";
  config["availability"] = Json::array({availabilityOn(site.topics.status())});
}

Json valueSensor(const Site& site, const ValueSensor& kind) {
  Json config = entity(site, "sensor", kind.key, kind.name);
  config["value_template"] = valueTemplate(kind.key);
  setIfAny(config, "unit_of_measurement", kind.unit);
  setIfAny(config, "device_class", kind.deviceClass);
  setIfAny(config, "state_class", kind.stateClass);
  if (kind.diagnostic) config["entity_category"] = "diagnostic";
  expiring(config, site);
  return config;
}

Json stateTextSensor(const Site& site) {
  Json config = entity(site, "sensor", "state_text", "State");
  config["value_template"] = prefixedTemplate(stateWord(site.options.language) + " ", "state_code");
  config["device_class"] = "enum";
  config["options"] = stateTexts(site.options.language);
  expiring(config, site);
  return config;
}

Json lastSeenSensor(const Site& site) {
  Json config = entity(site, "sensor", "last_seen", "Last seen");
  config["value_template"] = valueTemplate("last_seen");
  config["device_class"] = "timestamp";
  aboutTheWatch(config, site);
  return config;
}

Json failureSensor(const Site& site) {
  Json config = entity(site, "sensor", "failure_reason", "Failure reason");
  config["value_template"] = textTemplate("error");
  aboutTheWatch(config, site);
  return config;
}

Json alarmSensor(const Site& site, int input) {
  const std::string number = std::to_string(input + 1);
  Json config = entity(site, "binary_sensor", "alarm_" + number, "Alarm " + number);
  config["value_template"] = alarmTemplate(input);
  config["payload_on"] = "ON";
  config["payload_off"] = "OFF";
  config["device_class"] = "problem";
  expiring(config, site);
  return config;
}

Json components(const Site& site) {
  Json components;
  for (const ValueSensor& kind : kValueSensors) components[kind.key] = valueSensor(site, kind);
  components["state_text"] = stateTextSensor(site);
  components["last_seen"] = lastSeenSensor(site);
  components["failure_reason"] = failureSensor(site);
  if (site.options.alarms)
    for (int input = 0; input < kAlarmInputs; ++input)
      components["alarm_" + std::to_string(input + 1)] = alarmSensor(site, input);
  return components;
}

Json device(const Site& site, std::optional<int> voltageClass) {
  Json device{{"ids", Json::array({site.topics.deviceId(site.number)})},
              {"name", "Solwire site " + std::to_string(site.number) + " on " + site.topics.line()}};
  if (voltageClass) device["mdl"] = std::to_string(*voltageClass) + " V";
  return device;
}

Json origin(const DiscoveryOptions& options) {
  Json origin{{"name", "Solwire"}};
  if (!options.softwareVersion.empty()) origin["sw"] = options.softwareVersion;
  return origin;
}

}  // namespace

std::vector<std::string> sensorKeys() {
  std::vector<std::string> keys;
  for (const ValueSensor& kind : kValueSensors) keys.emplace_back(kind.key);
  return keys;
}

MqttMessage deviceDiscovery(const FleetTopics& topics, const DiscoveryOptions& options, int site,
                            std::optional<int> voltageClass) {
  const Site at{topics, options, site};
  Json document;
  document["dev"] = device(at, voltageClass);
  document["o"] = origin(options);
  document["state_topic"] = topics.state(site);
  document["availability"] = siteAvailability(at);
  document["availability_mode"] = "all";
  document["cmps"] = components(at);
  return {discoveryTopic(options.haPrefix, "device", topics.deviceId(site)), document.dump()};
}

}  // namespace solwire::fleet
