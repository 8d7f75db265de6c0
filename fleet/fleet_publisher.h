// What a line's watcher publishes, as messages handed to `put`: the line's
// status; at the start every watched site, down until it answers; and for
// each reading the site's state and availability. A site's discovery
// document goes out before its first state, and again once its voltage class
// is known and whenever it changes.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fleet/discovery.h"
#include "fleet/fleet_topics.h"
#include "fleet/mqtt_message.h"
#include "fleet/site_reading.h"

namespace solwire::fleet {

class FleetPublisher {
 public:
  using Put = std::function<void(const MqttMessage&)>;
  // `discovery`: nullopt leaves Home Assistant's documents out.
  FleetPublisher(FleetTopics topics, std::optional<DiscoveryOptions> discovery, Put put);

  void lineOnline();
  void lineOffline();
  // Before the first round: each site's entities, in place of those of the
  // earlier layout, and the site offline until it answers.
  void announce(const std::vector<int>& sites);
  // A good reading: its state, then the site online. A failed one: the site
  // offline first, so its entities are unavailable before the state empties them.
  void publish(const SiteReading& reading);

  // The connection's last will: the line offline.
  MqttMessage lastWill() const;

 private:
  void discover(int site, std::optional<int> voltageClass);
  std::optional<std::string> lastSeen(int site) const;

  FleetTopics topics_;
  std::optional<DiscoveryOptions> discovery_;
  Put put_;
  std::map<int, std::optional<int>> discoveredClass_;  // site -> voltage class its document names
  std::map<int, std::string> lastSeen_;                // site -> time of its last good reading
};

}  // namespace solwire::fleet
