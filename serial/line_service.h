// The telephony line operations the line device relies on: the named line
// devices, placing a call on one, and dropping it. Call states come back on
// the main thread. An implementation dials a modem; tests use a fake.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace solwire {

enum class LineCallState { DialTone, Proceeding, Busy, Connected, Disconnected, Idle, Failed };

class LineService {
 public:
  virtual ~LineService() = default;

  virtual std::vector<std::string> lineDevices() const = 0;
  // Opens the line and places the call; throws when it cannot be placed.
  // Once Connected, the call's modem is the port's open device.
  virtual void makeCall(const std::string& device, const std::string& number) = 0;
  // Ends the call and closes the line; no state is reported for it.
  virtual void drop() = 0;

  std::function<void(LineCallState state, const std::string& detail)> onCallState;
};

}  // namespace solwire
