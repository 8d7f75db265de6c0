// The topic names of one line: its status, its owner and site list, and each
// site's state and availability, under the watcher's prefix; and the
// discovery topic of one value of a site under Home Assistant's prefix.
#pragma once

#include <string>

namespace solwire::fleet {

class FleetTopics {
 public:
  FleetTopics(std::string prefix, std::string line) : prefix_(std::move(prefix)), line_(std::move(line)) {}

  const std::string& line() const { return line_; }
  std::string status() const;                   // solwire/<line>/status
  std::string owner() const;                    // solwire/<line>/owner
  std::string ownerPing() const;                // solwire/<line>/owner/ping
  std::string ownerPong() const;                // solwire/<line>/owner/pong
  std::string sites() const;                    // solwire/<line>/sites
  std::string state(int site) const;            // solwire/<line>/<site>/state
  std::string availability(int site) const;     // solwire/<line>/<site>/availability
  // solwire_<line>_<site>, the id of a site's device, and with "_<key>" of one of its values.
  std::string deviceId(int site) const;
  std::string uniqueId(int site, const std::string& key) const;

 private:
  std::string lineLevel() const;
  std::string siteLevel(int site) const;

  std::string prefix_;
  std::string line_;
};

// <haPrefix>/<component>/<uniqueId>/config
std::string discoveryTopic(const std::string& haPrefix, const std::string& component, const std::string& uniqueId);

}  // namespace solwire::fleet
