// The current-state record in volts and amperes. Every output of a reading
// (the current-state window, the report and log entry, the spreadsheet row)
// takes its values from here, so that a site reads the same everywhere.
#pragma once

#include <cstdint>

#include "protocol/site_data.h"

namespace solwire {

// reading / 640 for every voltage class; models with the alternate scale
// count down from 97.4 V instead: (974 - reading / 64) / 10.
double batteryVolts(const Scaling& scaling, const CurrentStateRecord& current);
double chargeAmperes(const Scaling& scaling, const CurrentStateRecord& current);
double loadAmperes(const Scaling& scaling, const CurrentStateRecord& current);
// A daily maximum or minimum voltage (tenths of a volt per 12 V) in tenths of
// a volt of the site's class.
std::int32_t dailyVoltageTenths(std::int32_t voltageMultiplier, std::int32_t value);

}  // namespace solwire
