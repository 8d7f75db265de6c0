// The payload of a line's retained site list: a JSON array of the site
// numbers its watcher reads, so that the next watcher of the line finds the
// sites that were dropped from it.
#pragma once

#include <string>
#include <vector>

namespace solwire::fleet {

std::string siteListPayload(const std::vector<int>& sites);

// Anything on the broker may be there, from anyone: a payload that is not an
// array of site numbers (0 to 31) gives no sites at all.
std::vector<int> sitesFromPayload(const std::string& payload);

}  // namespace solwire::fleet
