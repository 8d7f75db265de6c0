// What was read from a site, as text for the operator: values with their
// units, as the windows show them.
#pragma once

#include <ostream>

#include "protocol/site_data.h"

namespace solwire::cli {

void printCurrentState(std::ostream& out, const SiteData& data);
void printSettings(std::ostream& out, const SiteData& data);
void printCalibration(std::ostream& out, const SiteData& data);
void printHistory(std::ostream& out, const SiteData& data);
void printAlarmInputs(std::ostream& out, const SiteData& data);

}  // namespace solwire::cli
