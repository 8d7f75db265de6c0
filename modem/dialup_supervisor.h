// Dial-up and call supervision of the modem line: dialling by AT commands or
// through a telephony line device, noticing the connection, starting the
// reading the call was made for, ending automatic calls, and hanging up with
// the escape sequence. Runs on the main thread, driven by the one-second timer
// and by the modem port's events.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "protocol/link_controller.h"
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
  std::string setupString = "&K0&Q0&D0";  // ModemSetupString, without "AT"
};

// What the operator sees of the call besides the status bar.
struct DialupViews {
  std::function<void(bool connected)> showCallPicture;  // ToolButton9: picture 14 or 7
  std::function<void(const std::string& message)> reportError;
};

enum class HangupPhase { Idle, EscapeDue, CommandDue, CloseDue };

class DialupSupervisor : public DialSupervisor {
 public:
  static constexpr int kRetryWindowSeconds = 60;
  static constexpr int kCallLimitSeconds = 60;
  static constexpr std::uint32_t kEscapeGuardTicks = 30;
  static constexpr std::uint32_t kHangupGuardTicks = 50;
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

  // Events of the telephony line device.
  void tapiPortOpen();
  void tapiConnect();
  void tapiFail();
  void tapiPortClose();

  HangupPhase hangupPhase() const { return hangupPhase_; }
  int logRetryCountdown() const { return logRetryCountdown_; }
  int alarmRetryCountdown() const { return alarmRetryCountdown_; }
  int callCountdown() const { return callCountdown_; }
  // Why the modem port last failed to open; empty after a good open.
  const std::string& lastPortError() const { return lastPortError_; }

 private:
  LinkState& state() { return controller_->state(); }
  void status(LinkStatus text) { views_.showLinkStatus(text); }
  void startAutomaticCall(DialReason reason);
  void dialByTelephony(const std::string& number);
  void dialByAtCommands(const std::string& number);
  void startReadingForCall();
  void countDownRetry(int& countdown, bool& pending, DialReason reason, const std::string& number);
  void countDownCall();
  void sendHangupStep(std::string_view text, LinkStatus shown, HangupPhase next, std::uint32_t ticks);
  void abandonHangup(const std::exception& error);
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
  std::string lastPortError_;
};

}  // namespace solwire
