// The site data model as JSON members, under the keys the tool's users rely on.
#pragma once

#include "cli/json_writer.h"
#include "protocol/site_data.h"

namespace solwire::cli {

void addCurrentState(JsonObject& json, const SiteData& data);
void addSettings(JsonObject& json, const SiteData& data);
void addCalibration(JsonObject& json, const SiteData& data);
// Days first..last (inclusive) of the history arrays under "days".
void addHistoryDays(JsonObject& json, const SiteData& data, int firstDay, int lastDay);
void addAlarmInputs(JsonObject& json, const SiteData& data);

}  // namespace solwire::cli
