#include "app/telephony_lines.h"

namespace solwire {

std::vector<TelephonyLineEntry> telephonyLineEntries(const Configuration& configuration) {
  std::vector<TelephonyLineEntry> entries;
  for (const TelephonyLineSetting& line : configuration.telephonyLines)
    if (!line.name.empty() && !line.path.empty()) entries.push_back({line.name, line.path});
  return entries;
}

}  // namespace solwire
