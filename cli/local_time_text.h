// How the tool writes local times: the header of a report or log entry in a
// fixed readable form (2024-05-17 and 14:03:09, whatever the locale), and the
// time of a spreadsheet row in ISO 8601 with the offset from UTC.
#pragma once

#include <string>

#include "cli/zoned_time.h"
#include "protocol/link_environment.h"
#include "store/report_composer.h"

namespace solwire::cli {

ReportStamp reportStampOf(const LocalTime& time);

// 2024-05-17T14:03:09+02:00, with the offset the time carries.
std::string isoLocalTime(const ZonedTime& time);

}  // namespace solwire::cli
