// The site data model as JSON members, under the keys the tool's users rely on.
#pragma once

#include <nlohmann/json.hpp>

#include "protocol/site_data.h"

namespace solwire::cli {

// Members keep the order they were added in.
using Json = nlohmann::ordered_json;

void addCurrentState(Json& json, const SiteData& data);
void addSettings(Json& json, const SiteData& data);
void addCalibration(Json& json, const SiteData& data);
// Days first..last (inclusive) of the history arrays under "days".
void addHistoryDays(Json& json, const SiteData& data, int firstDay, int lastDay);
void addAlarmInputs(Json& json, const SiteData& data);

}  // namespace solwire::cli
