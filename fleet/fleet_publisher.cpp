#include "fleet/fleet_publisher.h"

#include "fleet/discovery_removal.h"
#include "fleet/state_payload.h"

namespace solwire::fleet {

FleetPublisher::FleetPublisher(FleetTopics topics, std::optional<DiscoveryOptions> discovery, Put put)
    : topics_(std::move(topics)), discovery_(std::move(discovery)), put_(std::move(put)) {}

void FleetPublisher::lineOnline() { put_({topics_.status(), "online"}); }

void FleetPublisher::lineOffline() { put_(lastWill()); }

MqttMessage FleetPublisher::lastWill() const { return {topics_.status(), "offline"}; }

void FleetPublisher::announce(const std::vector<int>& sites) {
  for (const int site : sites) {
    if (discovery_)
      for (const MqttMessage& removal : legacyEntityRemovals(topics_, discovery_->haPrefix, site)) put_(removal);
    discover(site, std::nullopt);
    put_({topics_.availability(site), "offline"});
  }
}

void FleetPublisher::publish(const SiteReading& reading) {
  const int site = reading.site;
  if (reading.ok) lastSeen_[site] = reading.time;
  const MqttMessage state{topics_.state(site), statePayload(reading, lastSeen(site)).dump()};
  if (reading.ok) {
    discover(site, voltageClass(reading.scaling));
    put_(state);
    put_({topics_.availability(site), "online"});
  } else {
    discover(site, std::nullopt);
    put_({topics_.availability(site), "offline"});
    put_(state);
  }
}

// An unknown class never replaces a known one: a failed reading says nothing of it.
void FleetPublisher::discover(int site, std::optional<int> voltageClass) {
  if (!discovery_) return;
  const auto known = discoveredClass_.find(site);
  if (known != discoveredClass_.end() && (!voltageClass || known->second == voltageClass)) return;
  discoveredClass_[site] = voltageClass;
  put_(deviceDiscovery(topics_, *discovery_, site, voltageClass));
}

std::optional<std::string> FleetPublisher::lastSeen(int site) const {
  const auto seen = lastSeen_.find(site);
  if (seen == lastSeen_.end()) return std::nullopt;
  return seen->second;
}

}  // namespace solwire::fleet
