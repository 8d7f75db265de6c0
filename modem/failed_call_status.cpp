#include "modem/failed_call_status.h"

namespace solwire {

std::optional<LinkStatus> failedDialStatus(HayesResult result) {
  switch (result) {
    case HayesResult::Busy: return LinkStatus::ModemBusy;
    case HayesResult::NoCarrier: return LinkStatus::ModemNoCarrier;
    case HayesResult::NoAnswer: return LinkStatus::ModemNoAnswer;
    case HayesResult::NoDialtone: return LinkStatus::ModemNoDialtone;
    case HayesResult::Error: return LinkStatus::ModemError;
    case HayesResult::Ok:
    case HayesResult::Ring:
    case HayesResult::Connect: return std::nullopt;
  }
  return std::nullopt;
}

LinkStatus failedCallStatus(LineCallState state, std::string_view modemText) {
  if (const auto event = hayesResultOfLine(modemText))
    if (const auto status = failedDialStatus(event->result)) return *status;
  switch (state) {
    case LineCallState::Busy: return LinkStatus::ModemBusy;
    case LineCallState::Failed: return LinkStatus::ModemError;
    default: return LinkStatus::ModemNoAnswer;  // the modem stayed silent after the dial
  }
}

}  // namespace solwire
