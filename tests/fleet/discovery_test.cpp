// Home Assistant discovery documents: one per value, with the fields the
// MQTT discovery schema names, and alarms as binary sensors when read.
#include <gtest/gtest.h>

#include <map>

#include "fleet/discovery.h"

namespace solwire::fleet {
namespace {

std::map<std::string, Json> configsByTopic(const std::vector<MqttMessage>& messages) {
  std::map<std::string, Json> configs;
  for (const MqttMessage& message : messages) {
    EXPECT_TRUE(message.retained) << message.topic;
    configs[message.topic] = Json::parse(message.payload);
  }
  return configs;
}

const FleetTopics kTopics("solwire", "north");

TEST(Discovery, EveryValueOfTheStatePayloadIsASensorOfTheSitesDevice) {
  const auto configs = configsByTopic(discoveryMessages(kTopics, {}, 3, 48));
  ASSERT_EQ(configs.size(), sensorKeys().size());
  for (const std::string& key : sensorKeys()) {
    const std::string id = "solwire_north_3_" + key;
    ASSERT_TRUE(configs.count("homeassistant/sensor/" + id + "/config")) << key;
    const Json& config = configs.at("homeassistant/sensor/" + id + "/config");
    EXPECT_EQ(config["unique_id"], id);
    EXPECT_FALSE(config["name"].get<std::string>().empty());
    EXPECT_EQ(config["state_topic"], "solwire/north/3/state");
    EXPECT_EQ(config["value_template"], "{{ value_json." + key + " }}");
    EXPECT_EQ(config["device"]["identifiers"], Json::array({"solwire_north_3"}));
    EXPECT_EQ(config["device"]["name"], "Solwire site 3 on north");
    EXPECT_EQ(config["device"]["model"], "48 V");
  }
}

TEST(Discovery, AnEntityIsAvailableOnlyWhileTheLineAndTheSiteAreOnline) {
  for (const auto& [topic, config] : configsByTopic(discoveryMessages(kTopics, {"homeassistant", true}, 7, 12))) {
    EXPECT_EQ(config["availability_mode"], "all") << topic;
    ASSERT_EQ(config["availability"].size(), 2U) << topic;
    EXPECT_EQ(config["availability"][0]["topic"], "solwire/north/status");
    EXPECT_EQ(config["availability"][1]["topic"], "solwire/north/7/availability");
    for (const Json& entry : config["availability"]) {
      EXPECT_EQ(entry["payload_available"], "online");
      EXPECT_EQ(entry["payload_not_available"], "offline");
    }
  }
}

TEST(Discovery, UnitsAndClassesFollowWhatEachValueMeasures) {
  const auto configs = configsByTopic(discoveryMessages(kTopics, {"ha", false}, 0, 24));
  const auto sensor = [&](const std::string& key) { return configs.at("ha/sensor/solwire_north_0_" + key + "/config"); };
  for (const char* key : {"battery_voltage", "daily_max_voltage", "daily_min_voltage"}) {
    EXPECT_EQ(sensor(key)["unit_of_measurement"], "V") << key;
    EXPECT_EQ(sensor(key)["device_class"], "voltage") << key;
    EXPECT_EQ(sensor(key)["state_class"], "measurement") << key;
  }
  for (const char* key : {"charge_current", "load_current"}) {
    EXPECT_EQ(sensor(key)["unit_of_measurement"], "A") << key;
    EXPECT_EQ(sensor(key)["device_class"], "current") << key;
    EXPECT_EQ(sensor(key)["state_class"], "measurement") << key;
  }
  for (const char* key : {"charge_ah", "load_ah"}) {
    EXPECT_EQ(sensor(key)["unit_of_measurement"], "Ah") << key;
    EXPECT_FALSE(sensor(key).contains("device_class")) << key;
    EXPECT_EQ(sensor(key)["state_class"], "total_increasing") << key;
  }
  for (const char* key : {"state_code", "type_code"}) {
    EXPECT_FALSE(sensor(key).contains("unit_of_measurement")) << key;
    EXPECT_FALSE(sensor(key).contains("device_class")) << key;
    EXPECT_FALSE(sensor(key).contains("state_class")) << key;
  }
  EXPECT_EQ(sensor("voltage_class")["unit_of_measurement"], "V");
  EXPECT_FALSE(sensor("voltage_class").contains("state_class"));
}

TEST(Discovery, AlarmInputsAreProblemBinarySensorsOnlyWhenRead) {
  const auto without = discoveryMessages(kTopics, {"homeassistant", false}, 3, 48);
  const auto with = configsByTopic(discoveryMessages(kTopics, {"homeassistant", true}, 3, 48));
  EXPECT_EQ(with.size(), without.size() + 13);
  for (int number = 1; number <= 13; ++number) {
    const std::string id = "solwire_north_3_alarm_" + std::to_string(number);
    const Json& config = with.at("homeassistant/binary_sensor/" + id + "/config");
    EXPECT_EQ(config["unique_id"], id);
    EXPECT_EQ(config["name"], "Alarm " + std::to_string(number));
    EXPECT_EQ(config["device_class"], "problem");
    EXPECT_EQ(config["state_topic"], "solwire/north/3/state");
    EXPECT_EQ(config["value_template"],
              "{{ 'ON' if value_json.alarms[" + std::to_string(number - 1) + "] else 'OFF' }}");
    EXPECT_EQ(config["payload_on"], "ON");
    EXPECT_EQ(config["payload_off"], "OFF");
    EXPECT_EQ(config["device"]["identifiers"], Json::array({"solwire_north_3"}));
    EXPECT_FALSE(config.contains("unit_of_measurement"));
  }
}

}  // namespace
}  // namespace solwire::fleet
