#include "fleet/fleet_topics.h"

namespace solwire::fleet {

std::string FleetTopics::lineLevel() const { return prefix_ + "/" + line_; }

std::string FleetTopics::siteLevel(int site) const { return lineLevel() + "/" + std::to_string(site); }

std::string FleetTopics::status() const { return lineLevel() + "/status"; }

std::string FleetTopics::owner() const { return lineLevel() + "/owner"; }

std::string FleetTopics::ownerPing() const { return owner() + "/ping"; }

std::string FleetTopics::ownerPong() const { return owner() + "/pong"; }

std::string FleetTopics::sites() const { return lineLevel() + "/sites"; }

std::string FleetTopics::state(int site) const { return siteLevel(site) + "/state"; }

std::string FleetTopics::availability(int site) const { return siteLevel(site) + "/availability"; }

std::string FleetTopics::deviceId(int site) const { return "solwire_" + line_ + "_" + std::to_string(site); }

std::string FleetTopics::uniqueId(int site, const std::string& key) const { return deviceId(site) + "_" + key; }

std::string discoveryTopic(const std::string& haPrefix, const std::string& component, const std::string& uniqueId) {
  return haPrefix + "/" + component + "/" + uniqueId + "/config";
}

}  // namespace solwire::fleet
