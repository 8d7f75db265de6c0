// Dial-up and call supervision of the modem line: dialling by AT commands or
// through a telephony line device, noticing the connection, starting the
// reading the call was made for, ending automatic calls, and hanging up with
// the escape sequence. Runs on the main thread, driven by the one-second timer
// and by the modem port's events.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "modem/hayes_result_parser.h"
#include "protocol/link_controller.h"
#include "serial/line_service.h"
#include "serial/link_operations.h"

namespace solwire {

// The modem port's carrier-detect line: a status trigger raised once when DCD
// changes from its state at arming.
class CarrierLine {
 public:
  virtual ~CarrierLine() = default;
  virtual std::uint16_t newCarrierTrigger() = 0;
  virtual void armCarrierTrigger(std::uint16_t handle) = 0;
  virtual void dropCarrierTrigger(std::uint16_t handle) = 0;
  virtual bool carrierPresent() = 0;
};

// A telephony line device bound to the modem port: it places the call and,
// once connected, hands the open device to the port. Its events come back as
// the supervisor's tapi... calls.
class TelephonyLine {
 public:
  virtual ~TelephonyLine() = default;
  // Throws when the call cannot be placed (no device, line busy).
  virtual void DialNumber(const std::string& number) = 0;
  virtual bool AbortCall() = 0;
};

struct ModemControls {
  bool tapiControl = false;    // Tapicheck: dial through the telephony line device
  bool pulseDialling = false;  // Pulsecheck
  std::string setupString = "&K0&Q0&D2";  // ModemSetupString, without "AT"
};

// What the operator sees of the call besides the status bar.
struct DialupViews {
  std::function<void(bool connected)> showCallPicture;  // ToolButton9: picture 14 or 7
  std::function<void(const std::string& message)> reportError;
  // An attempt of a telephony call failed and the line device dials again:
  // what the modem said, and the attempt that comes next of how many.
  std::function<void(LinkStatus result, int nextAttempt, int maxAttempts)> showRetry;
  // A telephony call failed after the line device had dialled again: what
  // the modem said to the last attempt it reported, and how many attempts
  // were made. Without it the status bar shows the modem's result alone.
  std::function<void(LinkStatus result, int attempts)> showFailedCall;
};

enum class HangupPhase { Idle, EscapeDue, CommandDue, CloseDue };

class DialupSupervisor : public DialSupervisor {
 public:
  static constexpr int kRetryWindowSeconds = 60;
  static constexpr int kCallLimitSeconds = 60;
  // A number that answered BUSY or NO CARRIER is not dialled again at once.
  static constexpr int kFailedDialPauseSeconds = 10;
  static constexpr std::uint32_t kEscapeGuardTicks = 30;
  static constexpr std::uint32_t kHangupGuardTicks = 50;
  // Hang-up sequences run before the port is closed under a call that
  // still has its carrier.
  static constexpr int kHangupAttempts = 2;
  static constexpr int kModemBaud = 2400;

  DialupSupervisor(LinkPort& directPort, LinkPort& modemPort, CarrierLine& carrier, TelephonyLine& telephony,
                   LinkViews& views, Feedback& feedback, DialupViews dialupViews);

  // The controller exists after the supervisor it is given; until attached,
  // nothing is dialled.
  void attach(LinkController& controller) { controller_ = &controller; }

  ModemControls& controls() { return controls_; }

  // DialSupervisor
  void superviseCalls() override;
  void dialup(DialReason reason, const std::string& number) override;

  void HangupClick();
  void OpenModemPort();
  void SetupModem();
  void ReturnToDirect();

  // Comport2TriggerModemStatus.
  void carrierChanged();
  // Comport2TriggerTimer for handles that are not the settings write's.
  void modemTimerTrigger(LinkPort& port, std::uint16_t handle);
  // The phone book's Dial: the number as typed is kept for alarm calls.
  void dialFromPhoneBook(const std::string& numberText, const std::string& digits);
  // Bytes the modem port received. While an AT-command dial waits for its
  // connection they are the modem's echo and result codes: a final result
  // that is not CONNECT ends the attempt at once.
  void modemReceived(std::string_view bytes);

  // Events of the telephony line device.
  void tapiPortOpen();
  void tapiConnect();
  void tapiFail();
  void tapiPortClose();
  void tapiRetry(LineCallState ended, const std::string& modemText, int nextAttempt, int maxAttempts);

  HangupPhase hangupPhase() const { return hangupPhase_; }
  int logRetryCountdown() const { return logRetryCountdown_; }
  int alarmRetryCountdown() const { return alarmRetryCountdown_; }
  int callCountdown() const { return callCountdown_; }
  // Why the modem port last failed to open; empty after a good open.
  const std::string& lastPortError() const { return lastPortError_; }
  // The modem's words for the last dial that did not connect ("BUSY").
  const std::string& lastCallResult() const { return lastCallResult_; }

 private:
  const LinkState& state() const { return controller_->state(); }
  void status(LinkStatus text) { views_.showLinkStatus(text); }
  // Seconds in which an automatic reading whose call failed is dialled
  // again, counted from its first failure; a later failure of the same
  // reading does not renew it.
  struct FailureWindow {
    bool open = false;
    int secondsLeft = 0;
    int pauseLeft = 0;  // seconds until the next attempt may be dialled
  };

  void placeCall(DialReason reason, const std::string& number);
  void startAutomaticCall(DialReason reason);
  void endFailedDial(LinkStatus result);
  // Ends a call that did not connect; the readings it was made for are
  // dialled again within their failure window.
  void endCallThatFailed(LinkStatus shown);
  void closeModemPortQuietly();
  void retryFailedReading(FailureWindow& window, int& countdown, DialReason reason);
  bool dialPending(DialReason reason) const;
  void countDownFailureWindows();
  void dialByTelephony(const std::string& number);
  void dialByAtCommands(const std::string& number);
  void hangUpBeforeDialling(const std::string& number);
  void sendDial(const std::string& number);
  void dialOnceHungUp(bool carrierStillUp);
  void watchCarrier();
  void watchForCarrierLoss();
  bool hangupRunning() const { return hangupPhase_ != HangupPhase::Idle; }
  void startReadingForCall();
  void countDownRetry(int& countdown, const FailureWindow& failure, DialReason reason,
                      const std::string& number);
  void countDownCall();
  void lookAtCarrier();
  void lookAtCarrierAfterConnect();
  void sendHangupStep(std::string_view text, LinkStatus shown, HangupPhase next, std::uint32_t ticks);
  void abandonHangup(const std::exception& error);
  void startHangupSequence();
  void finishHangup();
  void dropCarrierTrigger();

  LinkPort& directPort_;
  LinkPort& modemPort_;
  CarrierLine& carrier_;
  TelephonyLine& telephony_;
  LinkViews& views_;
  Feedback& feedback_;
  DialupViews dialupViews_;
  LinkController* controller_ = nullptr;
  ModemControls controls_;

  int logRetryCountdown_ = 0;
  int alarmRetryCountdown_ = 0;
  int callCountdown_ = 0;
  std::uint16_t carrierTrigger_ = 0;
  bool carrierTriggerArmed_ = false;
  std::uint16_t hangupTrigger_ = 0;
  HangupPhase hangupPhase_ = HangupPhase::Idle;
  int hangupAttempt_ = 0;
  // The number dialled once the hang-up of a call found up has dropped its carrier.
  std::optional<std::string> dialAfterHangup_;
  // The last failed attempt the telephony line device dialled again after.
  struct RetriedAttempt {
    LinkStatus result;
    int nextAttempt;
  };
  std::optional<RetriedAttempt> lastRetry_;
  std::string lastPortError_;
  std::string lastCallResult_;
  HayesResultParser dialResults_;
  bool connectSeen_ = false;
  // Once-a-second steps since CONNECT without a carrier on the port.
  int stepsWithoutCarrier_ = 0;
  static constexpr int kStepsToWaitForCarrier = 2;
  FailureWindow logFailure_;
  FailureWindow alarmFailure_;
};

}  // namespace solwire
