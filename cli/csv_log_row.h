// One row of the logger's spreadsheet file per sample: the time, the site and
// the log reading's values, scaled and truncated as the log entry shows them.
// A sample that failed keeps its time and site and leaves the values empty,
// so the gap shows in the sheet.
#pragma once

#include <optional>
#include <string>

#include "protocol/site_data.h"

namespace solwire::cli {

inline constexpr int kCsvLogFields = 10;

// The column names, one line.
std::string csvLogHeader();

// One line; `reading` is empty for a failed sample.
std::string csvLogRow(const std::string& isoTime, int site, const std::optional<LogReading>& reading);

}  // namespace solwire::cli
