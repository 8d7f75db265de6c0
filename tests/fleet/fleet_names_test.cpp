// What a watcher reads from its command line and the names it publishes
// under: site lists, line ids, broker addresses and topics.
#include <gtest/gtest.h>

#include "fleet/broker_url.h"
#include "fleet/fleet_topics.h"
#include "fleet/line_id.h"
#include "fleet/site_list.h"
#include "fleet/topic_prefix.h"

namespace solwire::fleet {
namespace {

using Sites = std::vector<int>;

TEST(SiteList, TakesNumbersAndRangesInAscendingOrderOnce) {
  EXPECT_EQ(parseSiteList("0-3,7,31").sites, (Sites{0, 1, 2, 3, 7, 31}));
  EXPECT_EQ(parseSiteList("5").sites, (Sites{5}));
  EXPECT_EQ(parseSiteList("9,2-4,3").sites, (Sites{2, 3, 4, 9}));
  EXPECT_EQ(parseSiteList("0-31").sites.size(), 32U);
  EXPECT_EQ(parseSiteList("6-6").sites, (Sites{6}));
  EXPECT_TRUE(parseSiteList("0-3,7,31").error.empty());
}

TEST(SiteList, RefusesWhatIsNotASiteWithAReason) {
  for (const char* text : {"", "32", "-1", "1,,2", "1,", ",1", "a", "1-", "-3", "3-1", "0-32", "1 ,2", "2.5", "1-2-3"}) {
    const SiteList list = parseSiteList(text);
    EXPECT_TRUE(list.sites.empty()) << text;
    EXPECT_FALSE(list.error.empty()) << text;
  }
  EXPECT_NE(parseSiteList("3-1").error.find("backwards"), std::string::npos);
  EXPECT_NE(parseSiteList("40").error.find("\"40\""), std::string::npos);
}

TEST(LineId, IsMadeFromThePortWithTopicSafeCharactersOnly) {
  EXPECT_EQ(lineIdFromPort("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(lineIdFromPort("COM2"), "COM2");
  EXPECT_EQ(lineIdFromPort("sim"), "sim");
  EXPECT_EQ(lineIdFromPort("tcp://10.0.0.5:4001"), "tcp_10_0_0_5_4001");
  EXPECT_EQ(lineIdFromPort("rfc2217://gate-1.example:2217"), "rfc2217_gate-1_example_2217");
  EXPECT_EQ(lineIdFromPort("/dev/serial/by-id/usb-A_B"), "serial_by-id_usb-A_B");
  EXPECT_EQ(lineIdFromPort("/tmp/pty+#/"), "tmp_pty");
  EXPECT_EQ(lineIdFromPort("///"), "line");
  for (const char* port : {"/dev/ttyUSB0", "tcp://[::1]:4001", "a b/c+d#e"}) EXPECT_TRUE(isValidLineId(lineIdFromPort(port)));
}

TEST(LineId, TheDefaultNamesTheHostSoThatTwoMachinesWithOnePortNameDiffer) {
  EXPECT_EQ(defaultLineId("solar1", "/dev/ttyUSB0"), "solar1_ttyUSB0");
  EXPECT_EQ(defaultLineId("box-2.farm.example", "COM2"), "box-2_COM2");
  EXPECT_EQ(defaultLineId("", "sim"), "sim");
  EXPECT_NE(defaultLineId("north", "/dev/ttyUSB0"), defaultLineId("south", "/dev/ttyUSB0"));
}

TEST(TopicPrefix, OnlyWholeTopicLevelsWithoutWildcardsAreAccepted) {
  for (const char* good : {"solwire", "sol/x", "homeassistant", "站点/a", "a-b_c.d"})
    EXPECT_EQ(topicPrefixProblem(good), std::nullopt) << good;
  for (const char* bad : {"", "ha/#", "sol/+/x", "+", "/lead", "trail/", "sol//x", "$SYS/x", "a\tb", "a\x7f",
                          "\xc3\x28", "\xed\xa0\x80", "\xe2\x82"})
    EXPECT_NE(topicPrefixProblem(bad), std::nullopt) << bad;
}

TEST(LineId, AGivenIdMayHoldLettersDigitsDashAndUnderscore) {
  EXPECT_TRUE(isValidLineId("north-field_2"));
  for (const char* id : {"", "a/b", "a+b", "a#", "a b", "ä"}) EXPECT_FALSE(isValidLineId(id)) << id;
}

TEST(BrokerUrl, NamesHostPortAndTls) {
  EXPECT_EQ(parseBrokerUrl("mqtt://localhost"), (BrokerAddress{"localhost", 1883, false}));
  EXPECT_EQ(parseBrokerUrl("mqtts://broker.lan"), (BrokerAddress{"broker.lan", 8883, true}));
  EXPECT_EQ(parseBrokerUrl("mqtt://127.0.0.1:18830/"), (BrokerAddress{"127.0.0.1", 18830, false}));
  EXPECT_EQ(parseBrokerUrl("mqtts://[::1]:8884"), (BrokerAddress{"::1", 8884, true}));
  for (const char* url : {"", "localhost:1883", "http://h:1", "mqtt://", "mqtt://:1883", "mqtt://h:", "mqtt://h:0",
                          "mqtt://h:65536", "mqtt://h:12x", "mqtt://[::1", "mqtt://[::1]x", "mqtt://u@h", "mqtt://h/x"})
    EXPECT_FALSE(parseBrokerUrl(url)) << url;
}

TEST(FleetTopics, NameTheLineTheSitesAndTheirIds) {
  const FleetTopics topics("solwire", "north");
  EXPECT_EQ(topics.status(), "solwire/north/status");
  EXPECT_EQ(topics.ownerPong(), "solwire/north/owner/pong");
  EXPECT_EQ(topics.sites(), "solwire/north/sites");
  EXPECT_EQ(topics.state(3), "solwire/north/3/state");
  EXPECT_EQ(topics.availability(31), "solwire/north/31/availability");
  EXPECT_EQ(topics.deviceId(3), "solwire_north_3");
  EXPECT_EQ(topics.uniqueId(3, "battery_voltage"), "solwire_north_3_battery_voltage");
  EXPECT_EQ(FleetTopics("farm/a", "x").state(0), "farm/a/x/0/state");
  EXPECT_EQ(discoveryTopic("homeassistant", "sensor", "solwire_north_3_load_ah"),
            "homeassistant/sensor/solwire_north_3_load_ah/config");
}

}  // namespace
}  // namespace solwire::fleet
