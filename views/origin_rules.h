// The line a data window shows under its values: whose values they are and
// how old, for the site selected now. "Site 3 · 14:02:11" for the selected
// site's own reading; anything else (another site's values, the built-in
// sample, values never read, a last reading that failed) is marked, and the
// window greys it.
#pragma once

#include <functional>
#include <string>

#include "protocol/status_messages.h"
#include "protocol/record_origin.h"

namespace solwire {

// The time of a reading in the system's time format (the window supplies it).
using TimeText = std::function<std::string(const LocalTime&)>;

struct OriginLine {
  std::string text;
  bool marked = false;  // not the selected site's values as last read: greyed

  bool operator==(const OriginLine&) const = default;
};

OriginLine originLine(const RecordOrigin& origin, int selectedSite, Language language, const TimeText& timeText);

// `text` with every "{name}" replaced by `value`.
std::string fillIn(std::string_view text, std::string_view name, const std::string& value);

}  // namespace solwire
