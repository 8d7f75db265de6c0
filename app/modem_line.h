// The modem side of the program, bound to the modem port Comport2: the
// carrier-detect line, the telephony line device on Hayes modems and the
// dial-up supervisor that uses them. Made before the main window (whose link
// controller takes the supervisor) and attached to the controller afterwards;
// what the supervisor tells the operator goes wherever the main window points
// it. The supervisor stays behind this class: the main window reaches it
// only through the operations below.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "modem/hayes_line_service.h"
#include "protocol/link_controller.h"
#include "serial/com_port.h"
#include "serial/p_packet.h"
#include "serial/tapi_device.h"

namespace solwire {

class ModemLine {
 public:
  struct Ports {
    LinkPort& directPort;
    TComPort& modemPort;
    TP_Packet& modemCollector;  // Datapack2: the replies of a connected call
  };

  // `lines`: the named modems of the telephony line device (the built-in
  // simulated modem is added after them).
  ModemLine(Ports ports, MainThread& mainThread, MainThreadTimers& timers, Feedback& feedback,
            std::vector<TelephonyLineEntry> lines);
  ~ModemLine();
  ModemLine(const ModemLine&) = delete;
  ModemLine& operator=(const ModemLine&) = delete;

  // What the link controller is made with.
  DialSupervisor& dialSupervisor();
  // Binds the supervisor to the controller, and the modem port's carrier and
  // timer events and the telephony line device's four events to the
  // supervisor; detach() undoes it before the controller goes.
  void attach(LinkController& controller);
  void detach();

  TTapiDevice& tapi() { return tapi_; }
  HayesLineService& lines() { return lines_; }
  TComPort& port() { return modemPort_; }

  void setControls(bool tapiControl, bool pulseDialling, const std::string& setupString);
  void dialFromPhoneBook(const std::string& numberText, const std::string& digits);
  void HangupClick();
  void SetupModem();
  // The modem port was closed under a call: its state ends here and the link
  // returns to the direct line.
  void abandonCall();
  // Why the modem port last failed to open; empty after a good open.
  const std::string& lastPortError() const;
  // The AT hang-up sequence is running.
  bool hangingUp() const;
  // The modem's words for the last dial that did not connect.
  const std::string& lastCallResult() const;
  int logRetryCountdown() const;

  // Where the supervisor's status texts, call picture and errors go; empty
  // functions drop them.
  std::function<void(LinkStatus status)> onStatus;
  std::function<void(bool connected)> onCallPicture;
  std::function<void(const std::string& message)> onError;
  // A telephony call attempt failed and the next follows: the modem's result,
  // the next attempt and how many there are.
  std::function<void(LinkStatus result, int nextAttempt, int maxAttempts)> onRetry;
  // A telephony call failed after retries: the modem's result and the attempts made.
  std::function<void(LinkStatus result, int attempts)> onFailedCall;

 private:
  struct Calls;  // the supervisor and the lines it dials on

  void received(TComPort& port, std::uint16_t count);

  TComPort& modemPort_;
  TP_Packet& collector_;
  std::function<void(TComPort&, std::uint16_t)> portAvail_;  // the port's own handler, while attached
  HayesLineService lines_;
  TTapiDevice tapi_;
  std::unique_ptr<Calls> calls_;
  LinkController* controller_ = nullptr;
};

}  // namespace solwire
