// What the operator is told when a dial ends without a connection: the
// modem's final result code as a status text.
#pragma once

#include <optional>
#include <string_view>

#include "modem/hayes_result_parser.h"
#include "protocol/status_messages.h"
#include "serial/line_service.h"

namespace solwire {

// The status of a result that ends a dial (BUSY, NO CARRIER, NO ANSWER,
// NO DIALTONE, ERROR); nothing for one that does not (OK, RING, CONNECT).
std::optional<LinkStatus> failedDialStatus(HayesResult result);

// The status of a telephony call attempt that ended in `state`, from the
// modem's words for it where they name a result.
LinkStatus failedCallStatus(LineCallState state, std::string_view modemText);

}  // namespace solwire
