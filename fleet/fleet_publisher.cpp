#include "fleet/fleet_publisher.h"

#include "fleet/state_payload.h"

namespace solwire::fleet {

FleetPublisher::FleetPublisher(FleetTopics topics, std::optional<DiscoveryOptions> discovery, Put put)
    : topics_(std::move(topics)), discovery_(std::move(discovery)), put_(std::move(put)) {}

void FleetPublisher::lineOnline() { put_({topics_.status(), "online"}); }

void FleetPublisher::lineOffline() { put_(lastWill()); }

MqttMessage FleetPublisher::lastWill() const { return {topics_.status(), "offline"}; }

void FleetPublisher::publish(const SiteReading& reading) {
  if (reading.ok) publishDiscovery(reading.site, voltageClass(reading.scaling));
  put_({topics_.state(reading.site), statePayload(reading).dump()});
  put_({topics_.availability(reading.site), reading.ok ? "online" : "offline"});
}

void FleetPublisher::publishDiscovery(int site, int voltageClass) {
  if (!discovery_) return;
  const auto known = discoveredClass_.find(site);
  if (known != discoveredClass_.end() && known->second == voltageClass) return;
  discoveredClass_[site] = voltageClass;
  for (const MqttMessage& message : discoveryMessages(topics_, *discovery_, site, voltageClass)) put_(message);
}

}  // namespace solwire::fleet
