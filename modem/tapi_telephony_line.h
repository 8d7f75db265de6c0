// The telephony line device as the dial-up supervisor uses it.
#pragma once

#include "modem/dialup_supervisor.h"
#include "serial/tapi_device.h"

namespace solwire {

class TapiTelephonyLine : public TelephonyLine {
 public:
  explicit TapiTelephonyLine(TTapiDevice& device) : device_(device) {}
  void DialNumber(const std::string& number) override { device_.DialNumber(number); }
  bool AbortCall() override { return device_.AbortCall(); }

 private:
  TTapiDevice& device_;
};

}  // namespace solwire
