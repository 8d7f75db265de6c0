// What a line's watcher hands the broker for its readings, and how the
// outbox keeps only the latest message of each topic while disconnected.
#include <gtest/gtest.h>

#include <algorithm>

#include "fleet/fleet_publisher.h"
#include "fleet/retained_outbox.h"

namespace solwire::fleet {
namespace {

SiteReading reading(int site, bool ok, int voltageMultiplier = 4) {
  SiteReading r;
  r.site = site;
  r.time = "2024-05-17T14:03:09+02:00";
  r.ok = ok;
  if (!ok) r.error = "Data Timeout: site " + std::to_string(site) + " did not answer";
  r.scaling.voltageMultiplier = voltageMultiplier;
  return r;
}

class Publisher : public ::testing::Test {
 protected:
  std::vector<MqttMessage> sent;
  FleetPublisher publisher{FleetTopics("solwire", "sim"), DiscoveryOptions{},
                           [this](const MqttMessage& m) { sent.push_back(m); }};

  std::size_t countUnder(const std::string& prefix) const {
    return static_cast<std::size_t>(
        std::count_if(sent.begin(), sent.end(), [&](const MqttMessage& m) { return m.topic.starts_with(prefix); }));
  }
};

TEST_F(Publisher, AGoodReadingGivesStateThenOnlineAfterTheSitesDiscoveryOnce) {
  publisher.publish(reading(2, true));
  ASSERT_EQ(sent.size(), 3U);
  EXPECT_EQ(countUnder("homeassistant/device/solwire_sim_2/"), 1U);
  EXPECT_EQ(sent[sent.size() - 2].topic, "solwire/sim/2/state");
  EXPECT_EQ(Json::parse(sent[sent.size() - 2].payload)["voltage_class"], 48);
  EXPECT_EQ(sent.back(), (MqttMessage{"solwire/sim/2/availability", "online"}));
  for (const MqttMessage& m : sent) EXPECT_TRUE(m.retained && m.qos == 1) << m.topic;

  sent.clear();
  publisher.publish(reading(2, true));
  EXPECT_EQ(sent.size(), 2U);  // nothing new to discover
}

TEST_F(Publisher, DiscoveryIsSentAgainWhenTheVoltageClassChanges) {
  publisher.publish(reading(1, true, 4));
  sent.clear();
  publisher.publish(reading(1, true, 2));
  EXPECT_EQ(countUnder("homeassistant/"), 1U);
  EXPECT_EQ(Json::parse(sent.front().payload)["dev"]["mdl"], "24 V");
}

// Announced at the start, site 1 answers then fails, site 5 never answers.
TEST_F(Publisher, AFailedReadingSaysOfflineBeforeItsStateAndWhenTheSiteWasLastSeen) {
  publisher.announce({1, 5});
  ASSERT_EQ(sent.size(), 2 * 25U);  // per site 23 emptied documents of the earlier layout, its own, offline
  for (const std::size_t at : {0U, 25U}) {
    EXPECT_TRUE(sent[at].payload.empty() && sent[at + 22].payload.empty()) << sent[at].topic;
    EXPECT_FALSE(Json::parse(sent[at + 23].payload)["dev"].contains("mdl")) << sent[at + 23].topic;
    EXPECT_EQ(sent[at + 24].payload, "offline");
  }
  sent.clear();
  publisher.publish(reading(1, true));
  SiteReading failed = reading(1, false);
  failed.time = "2024-05-17T14:04:09+02:00";
  publisher.publish(failed);
  publisher.publish(reading(5, false));
  ASSERT_EQ(sent.size(), 7U);
  EXPECT_EQ(sent[0].topic, "homeassistant/device/solwire_sim_1/config");  // now with its model
  EXPECT_EQ(sent[3], (MqttMessage{"solwire/sim/1/availability", "offline"}));
  EXPECT_EQ(Json::parse(sent[4].payload)["last_seen"], "2024-05-17T14:03:09+02:00");
  EXPECT_EQ(sent[5], (MqttMessage{"solwire/sim/5/availability", "offline"}));
  EXPECT_EQ(Json::parse(sent[6].payload)["ok"], false);
  EXPECT_FALSE(Json::parse(sent[6].payload).contains("last_seen"));
}

TEST_F(Publisher, TheLineStatusIsTheLastWillsTopic) {
  publisher.lineOnline();
  publisher.lineOffline();
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0], (MqttMessage{"solwire/sim/status", "online"}));
  EXPECT_EQ(sent[1], publisher.lastWill());
  EXPECT_EQ(publisher.lastWill(), (MqttMessage{"solwire/sim/status", "offline"}));
}

TEST(PublisherWithoutDiscovery, SendsOnlyStatesAndAvailability) {
  std::vector<MqttMessage> sent;
  FleetPublisher publisher(FleetTopics("p", "l"), std::nullopt, [&](const MqttMessage& m) { sent.push_back(m); });
  publisher.publish(reading(0, true));
  ASSERT_EQ(sent.size(), 2U);
  EXPECT_EQ(sent[0].topic, "p/l/0/state");
}

TEST(RetainedOutbox, SendsAtOnceOnlyWhileConnected) {
  std::vector<MqttMessage> sent;
  RetainedOutbox outbox([&](const MqttMessage& m) { sent.push_back(m); });
  outbox.put({"a", "1"});
  EXPECT_TRUE(sent.empty());
  outbox.connected();
  outbox.put({"b", "1"});
  EXPECT_EQ(sent, (std::vector<MqttMessage>{{"a", "1"}, {"b", "1"}}));
}

TEST(RetainedOutbox, AnOutageKeepsTheLatestMessageOfEachTopicAndSendsThemInFirstSeenOrder) {
  std::vector<MqttMessage> sent;
  RetainedOutbox outbox([&](const MqttMessage& m) { sent.push_back(m); });
  outbox.put({"status", "online"});
  outbox.connected();
  outbox.disconnected();
  sent.clear();
  for (int round = 0; round < 1000; ++round)
    for (int site = 0; site < 4; ++site) outbox.put({"state/" + std::to_string(site), std::to_string(round)});
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(outbox.size(), 5U);  // does not grow with the outage
  outbox.connected();
  ASSERT_EQ(sent.size(), 5U);
  EXPECT_EQ(sent[0], (MqttMessage{"status", "online"}));
  for (int site = 0; site < 4; ++site)
    EXPECT_EQ(sent[static_cast<std::size_t>(site) + 1], (MqttMessage{"state/" + std::to_string(site), "999"}));
}

}  // namespace
}  // namespace solwire::fleet
