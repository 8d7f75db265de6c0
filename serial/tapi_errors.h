// Errors of the telephony line device, in the transport's exception family.
#pragma once

#include "serial/comm_exception.h"

namespace solwire {

namespace tapi_error {
inline constexpr int kPortNotAssigned = -1005;
inline constexpr int kBusy = -13928;
inline constexpr int kNotSet = -13929;
inline constexpr int kNoSelect = -13930;
inline constexpr int kUnexpected = -13934;
}  // namespace tapi_error

class ETapi : public ECommException {
 public:
  ETapi(int code, const std::string& message) : ECommException(code, message) {}
};

inline ETapi tapiPortNotAssigned() { return {tapi_error::kPortNotAssigned, "ComPort component not assigned"}; }
inline ETapi tapiBusy() { return {tapi_error::kBusy, "TAPI already open, dialing or answering"}; }
inline ETapi tapiNotSet() { return {tapi_error::kNotSet, "TapiMode not set in TComPort"}; }
inline ETapi tapiNoSelect() { return {tapi_error::kNoSelect, "No TAPI device selected"}; }

}  // namespace solwire
