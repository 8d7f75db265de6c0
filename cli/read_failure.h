// Why a read of a site failed, in the words every command prints, whether the
// site sits on the direct line or behind a modem.
#pragma once

#include <string>

#include "protocol/request_outcome.h"

namespace solwire::cli {

// What became of a request that ended without its record, naming its site.
std::string readFailureText(const RequestOutcome& outcome);

}  // namespace solwire::cli
