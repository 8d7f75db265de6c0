// One reading of one site by a watcher: when it ended, whether it succeeded,
// and the decoded records it brought.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "protocol/site_data.h"

namespace solwire::fleet {

using AlarmInputs = std::array<bool, kAlarmInputs>;  // input 0 is alarm number 1

struct SiteReading {
  int site = 0;
  std::string time;   // ISO 8601 with the offset from UTC
  bool ok = false;
  std::string error;  // why it failed, when it did
  Scaling scaling;
  CurrentStateRecord current;
  std::optional<AlarmInputs> alarms;  // read with the current state, when asked for
};

// The alarm record's 13 input states as active or not.
AlarmInputs activeAlarmInputs(const AlarmRecord& alarms);

}  // namespace solwire::fleet
