// Home Assistant discovery: one device document per site holding only keys
// the MQTT discovery documentation names, alarms as binary sensors when read,
// templates that render on any payload, and removal by empty payloads.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <map>
#include <set>

#include "fleet/discovery.h"
#include "fleet/discovery_removal.h"
#include "protocol/reply_decoder.h"

namespace solwire::fleet {
namespace {

using Names = std::set<std::string>;
const FleetTopics kTopics("solwire", "north");

Json document(bool alarms, int site, std::optional<int> voltageClass = 48, Language language = Language::English) {
  const DiscoveryOptions options{"homeassistant", alarms, "1.0", std::chrono::seconds(180), language};
  const MqttMessage message = deviceDiscovery(kTopics, options, site, voltageClass);
  EXPECT_TRUE(message.retained);
  EXPECT_EQ(message.topic, "homeassistant/device/solwire_north_" + std::to_string(site) + "/config");
  return Json::parse(message.payload);
}

TEST(Discovery, EveryValueOfTheStatePayloadIsASensorOfTheSitesDevice) {
  const Json doc = document(false, 3);
  for (const std::string& key : sensorKeys()) {
    const std::string id = "solwire_north_3_" + key;
    const Json& config = doc["cmps"][key];
    EXPECT_EQ(config["unique_id"], id);
    EXPECT_FALSE(config["name"].get<std::string>().empty());
  }
  EXPECT_EQ(doc["state_topic"], "solwire/north/3/state");
  EXPECT_EQ(doc["dev"], Json::parse(R"({"ids":["solwire_north_3"],"name":"Solwire site 3 on north","mdl":"48 V"})"));
  EXPECT_FALSE(document(false, 3, std::nullopt)["dev"].contains("mdl"));  // its class not known yet
}

TEST(Discovery, AnEntityIsAvailableOnlyWhileTheLineAndTheSiteAreOnline) {
  const Json doc = document(true, 7, 12);
  EXPECT_EQ(doc["availability_mode"], "all");
  ASSERT_EQ(doc["availability"].size(), 2U);
  EXPECT_EQ(doc["availability"][0]["topic"], "solwire/north/status");
  EXPECT_EQ(doc["availability"][1]["topic"], "solwire/north/7/availability");
  for (const Json& entry : doc["availability"]) {
    EXPECT_EQ(entry["payload_available"], "online");
    EXPECT_EQ(entry["payload_not_available"], "offline");
  }
  for (const char* why : {"last_seen", "failure_reason"})  // while the line is: they tell why the site is down
    EXPECT_EQ(doc["cmps"][why]["availability"], Json::array({doc["availability"][0]})) << why;
}

TEST(Discovery, UnitsAndClassesFollowWhatEachValueMeasures) {
  const Json cmps = document(true, 0, 24)["cmps"];
  const auto sensor = [&](const std::string& key) { return cmps.at(key); };
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
  EXPECT_EQ(sensor("last_seen")["device_class"], "timestamp");
  for (const char* key : {"state_code", "voltage_class", "type_code", "last_seen", "failure_reason"})
    EXPECT_EQ(sensor(key)["entity_category"], "diagnostic") << key;
  for (const auto& [key, config] : cmps.items())  // a value expires; when and why the site was down do not
    EXPECT_EQ(config.value("expire_after", 0), key == "last_seen" || key == "failure_reason" ? 0 : 180) << key;
}

TEST(Discovery, AlarmInputsAreProblemBinarySensorsOnlyWhenRead) {
  const Json without = document(false, 3)["cmps"];
  const Json with = document(true, 3)["cmps"];
  EXPECT_EQ(with.size(), without.size() + 13);
  for (int number = 1; number <= 13; ++number) {
    const std::string id = "solwire_north_3_alarm_" + std::to_string(number);
    const Json& config = with.at("alarm_" + std::to_string(number));
    EXPECT_EQ(config["unique_id"], id);
    EXPECT_EQ(config["name"], "Alarm " + std::to_string(number));
    EXPECT_EQ(config["device_class"], "problem");
    EXPECT_EQ(config["payload_on"], "ON");
    EXPECT_EQ(config["payload_off"], "OFF");
    EXPECT_FALSE(config.contains("unit_of_measurement"));
  }
}

// Per place in a device document: the keys the discovery documentation names
// there (in full or abbreviated), and those it requires.
const std::map<std::string, std::pair<Names, Names>> kDocumented{
    {"document", {{"dev", "o", "cmps", "state_topic", "availability", "availability_mode"}, {"dev", "o", "cmps"}}},
    {"dev", {{"ids", "name", "mdl", "mf", "sw", "hw", "sn"}, {"ids", "name"}}},
    {"o", {{"name", "sw", "url"}, {"name"}}},
    {"availability", {{"topic", "payload_available", "payload_not_available"}, {"topic"}}},
    {"sensor", {{"p", "unique_id", "name", "value_template", "unit_of_measurement", "device_class", "state_class",
                 "entity_category", "expire_after", "options", "availability"}, {"p", "unique_id"}}},
    {"binary_sensor", {{"p", "unique_id", "name", "value_template", "payload_on", "payload_off", "device_class",
                        "entity_category", "expire_after", "availability"}, {"p", "unique_id"}}},
};

void expectDocumented(const Json& object, const std::string& place) {
  const auto& [named, required] = kDocumented.at(place);
  for (const auto& [key, value] : object.items()) EXPECT_TRUE(named.count(key)) << place << " has " << key;
  for (const std::string& key : required) EXPECT_TRUE(object.contains(key)) << place << " lacks " << key;
}

TEST(Discovery, TheDocumentHoldsDocumentedKeysUniqueIdsAndAStateTextForEveryCodeAReplyCanCarry) {
  const Json doc = document(true, 31, 12, Language::Chinese);
  for (const auto& [place, object] : {std::pair{"document", doc}, {"dev", doc["dev"]}, {"o", doc["o"]}})
    expectDocumented(object, place);
  EXPECT_EQ(doc["o"], Json::parse(R"({"name":"Solwire","sw":"1.0"})"));
  Names uniqueIds, decodable;
  for (const auto& [id, config] : doc["cmps"].items()) {
    expectDocumented(config, config["p"]);
    for (const Json& entry : config.value("availability", doc["availability"])) expectDocumented(entry, "availability");
    uniqueIds.insert(config["unique_id"].get<std::string>());
  }
  EXPECT_EQ(uniqueIds.size(), doc["cmps"].size());
  for (int byte = 0; byte <= 255; ++byte) {  // P13, from the nibbles of reply bytes 25 and 26
    const std::vector<std::uint8_t> reply{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                          static_cast<std::uint8_t>(byte >> 4), static_cast<std::uint8_t>(byte & 15)};
    decodable.insert("状态 " + std::to_string(decodeCurrentState(DataBytes(reply, 27)).stateCode));
  }
  EXPECT_EQ(doc["cmps"]["state_text"]["options"].get<Names>(), decodable);
  EXPECT_EQ(doc["cmps"]["state_text"]["options"].size(), decodable.size());
}

TEST(Discovery, RemovalEmptiesEveryTopicASiteEverHadTheDeviceDocumentFirst) {
  const std::vector<MqttMessage> all = siteRemovals(kTopics, "ha", 4), legacy = legacyEntityRemovals(kTopics, "ha", 4);
  Names emptied;
  for (const MqttMessage& m : all) emptied.insert(m.payload.empty() && m.retained ? m.topic : "");
  EXPECT_EQ(all.front().topic, "ha/device/solwire_north_4/config");
  EXPECT_EQ(emptied.size(), 1 + 10 + 13 + 2U);
  EXPECT_TRUE(emptied.count("solwire/north/4/state") && emptied.count("solwire/north/4/availability"));
  Names legacyTopics{"ha/binary_sensor/solwire_north_4_alarm_13/config"};  // with the ten sensors, alarms 1 to 13
  for (const std::string& key : sensorKeys()) legacyTopics.insert("ha/sensor/solwire_north_4_" + key + "/config");
  for (const MqttMessage& m : legacy)
    EXPECT_TRUE(emptied.count(m.topic) && (legacyTopics.erase(m.topic) ||
                                           m.topic.starts_with("ha/binary_sensor/solwire_north_4_alarm_")));
  EXPECT_TRUE(legacyTopics.empty());
  EXPECT_EQ(legacy.size(), 23U);
}

// Rendered by jinja2 with every undefined name an error, as Home Assistant's
// strict rendering: a good reading, a failed one after it, a failed one of a
// site never seen, and a payload that is not JSON.
TEST(Discovery, TemplatesGiveAGoodReadingsValuesAndNoneWhereAKeyIsAbsentWithoutAnError) {
  const SiteReading good{2, "2024-05-17T14:03:09+02:00", true, "", {1, 1, 1, false},
                         {10, 7872, 1000, 7999, 141, 120, 12345, 87, 6}, AlarmInputs{true}};
  const SiteReading failed{2, "2024-05-17T14:04:09+02:00", false, "Data Timeout", {}, {}, {}};
  Json request{
      {"payloads", {statePayload(good, good.time), statePayload(failed, good.time), statePayload(failed), nullptr}}};
  const Json cmps = document(true, 2, 12, Language::French)["cmps"];
  for (const auto& [id, config] : cmps.items()) request["templates"][id] = config["value_template"];
  const std::string file = ::testing::TempDir() + "solwire_templates.json";
  std::ofstream(file) << request.dump();
  FILE* pipe = ::popen(("python3 " SOLWIRE_RENDER_TEMPLATES " " + file + " 2>&1").c_str(), "r");
  std::string output(1 << 20, '\0');
  output.resize(pipe ? std::fread(output.data(), 1, output.size(), pipe) : 0);
  const int status = pipe ? WEXITSTATUS(::pclose(pipe)) : -1;
  if (status == 77 || status == 127) GTEST_SKIP() << "python3 with jinja2 (python3-jinja2) is not installed";
  ASSERT_EQ(status, 0) << output;
  const Json rendered = Json::parse(output);
  EXPECT_EQ(rendered.size(), cmps.size());
  const std::vector<std::string> values{"12.3", "1.5", "12.4", "12345", "87", "14.1", "12.0", "6", "12", "10"};
  for (std::size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(rendered[sensorKeys()[i]], Json({values[i], "None", "None", "None"})) << sensorKeys()[i];
  EXPECT_EQ(rendered["state_text"], Json({"Etat 6", "None", "None", "None"}));
  EXPECT_EQ(rendered["last_seen"], Json({good.time, good.time, "None", "None"}));
  EXPECT_EQ(rendered["failure_reason"], Json({"", "Data Timeout", "Data Timeout", ""}));
  EXPECT_EQ(rendered["alarm_1"], Json({"ON", "None", "None", "None"}));
  EXPECT_EQ(rendered["alarm_13"], Json({"OFF", "None", "None", "None"}));
}

}  // namespace
}  // namespace solwire::fleet
