// Why a read of a site failed, in the words every command prints, whether the
// site sits on the direct line or behind a modem.
#pragma once

#include <string>
#include <vector>

#include "protocol/status_messages.h"

namespace solwire::cli {

// `statuses`: the link status texts the read showed, in order. A request that
// went out and got no reply (it timed out, or the line was freed with the
// request still out) names the site; anything else is the last status text.
std::string readFailureText(const std::vector<LinkStatus>& statuses, int site);

}  // namespace solwire::cli
