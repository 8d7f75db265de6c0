// A reading as the JSON object a watcher publishes on a site's state topic
// (and prints with --json-lines). The values are those the current-state
// window shows, computed by the same functions.
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "fleet/site_reading.h"

namespace solwire::fleet {

using Json = nlohmann::ordered_json;

// site, time, ok; last_seen when given (the time of the site's last good
// reading, so that a failed one still says it); then either error, or the
// values (and alarms, when read).
Json statePayload(const SiteReading& reading, const std::optional<std::string>& lastSeen = std::nullopt);

// The class of the site's battery: 12, 24 or 48 (volts).
int voltageClass(const Scaling& scaling);

}  // namespace solwire::fleet
