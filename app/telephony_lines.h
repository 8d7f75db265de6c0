// The settings' "Telephony Lines" as the telephony line device takes them.
#pragma once

#include <vector>

#include "modem/hayes_line_service.h"
#include "store/config/config_store.h"

namespace solwire {

// The named modems that have both a name and a path, in order.
std::vector<TelephonyLineEntry> telephonyLineEntries(const Configuration& configuration);

}  // namespace solwire
