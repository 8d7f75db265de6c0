// Composes the data report and the periodic log entry as rich text, from the
// site data model, in one of the three languages. The result is meant to be
// appended at the end of a document (RichTextDocument::append): it begins with
// a line break, so that each report starts on a line of its own, and ends
// without one. Runs set only their point size and colour; the face is the
// document's.
#pragma once

#include <string>

#include "protocol/site_data.h"
#include "protocol/status_messages.h"
#include "store/rich_text_document.h"

namespace solwire {

// The sections a report holds besides its header: each is written only when
// its option box is both enabled and ticked.
struct ReportSections {
  bool currentState = false;
  bool history = false;
  bool settings = false;
  bool calibration = false;
};

// The date and time shown in a header, already written in the system's short
// date and long time formats by the caller, which owns the clock.
struct ReportStamp {
  std::string date;
  std::string time;
};

RichTextDocument composeReport(const SiteData& data, Language language, int site,
                               const ReportSections& sections, const ReportStamp& stamp);

// A log entry: the report's header and current-state lines, made from the log
// reading. The header names the log site, where the values come from.
RichTextDocument composeLogEntry(const LogReading& reading, Language language, const ReportStamp& stamp);

}  // namespace solwire
