// What a line's watcher publishes, as messages handed to `put`: the line's
// status, and for each reading the site's state and availability, preceded
// by the site's discovery documents the first time its voltage class is
// known and whenever it changes.
#pragma once

#include <functional>
#include <map>
#include <optional>

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
  void publish(const SiteReading& reading);

  // The connection's last will: the line offline.
  MqttMessage lastWill() const;

 private:
  void publishDiscovery(int site, int voltageClass);

  FleetTopics topics_;
  std::optional<DiscoveryOptions> discovery_;
  Put put_;
  std::map<int, int> discoveredClass_;  // site -> voltage class its documents name
};

}  // namespace solwire::fleet
