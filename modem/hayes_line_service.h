// Telephony lines on Hayes modems: each line device is a named modem (a
// device path), and the built-in simulated modem. Placing a call opens the
// modem port on that modem, resets echo and result format, dials, and reads
// the result codes until CONNECT, after which the port carries the call's data.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "modem/hayes_result_parser.h"
#include "serial/com_port.h"
#include "serial/line_service.h"
#include "serial/main_thread.h"

namespace solwire {

struct TelephonyLineEntry {
  std::string name;
  std::string path;  // a device path, or a COM path such as "sim-modem" or "rfc2217://host:port"
};

inline constexpr const char* kSimulatedModemLineName = "Simulated Modem";

class HayesLineService : public LineService {
 public:
  // How long the modem may stay silent after a command, and after a dial.
  static constexpr std::chrono::milliseconds kCommandLimit{5000};
  static constexpr std::chrono::milliseconds kAnswerLimit{60000};
  // How often a connected call looks at the carrier itself.
  static constexpr std::chrono::milliseconds kCarrierLook{1000};
  static constexpr std::int32_t kModemBaud = 2400;

  // `lines` come from the settings; the simulated modem is added after them.
  HayesLineService(TComPort& port, MainThreadTimers& timers, std::vector<TelephonyLineEntry> lines);
  ~HayesLineService() override;

  std::vector<std::string> lineDevices() const override;
  void makeCall(const std::string& device, const std::string& number) override;
  void drop() override;

  // The port's modem status trigger fired (DCD changed during a call).
  void modemStatusChanged();

  // What the modem said last, for messages.
  const std::string& lastResult() const { return lastResult_; }

 private:
  enum class Phase { Idle, Resetting, Dialling, Connected };

  void received(const std::string& bytes);
  void onResult(const HayesEvent& event);
  void watchCarrierFromNow();
  void report(LineCallState state, const std::string& detail);
  void startSilenceTimer(std::chrono::milliseconds limit);
  void stopSilenceTimer();
  void onSilence();
  void releasePort();
  void giveBackAvail();

  TComPort& port_;
  MainThreadTimers& timers_;
  std::vector<TelephonyLineEntry> lines_;
  Phase phase_ = Phase::Idle;
  std::string number_;
  HayesResultParser parser_;
  std::function<void(TComPort&, std::uint16_t)> savedAvail_;
  bool holdsAvail_ = false;
  std::string savedPath_;
  MainThreadTimers::TimerId silenceTimer_ = 0;
  std::uint16_t carrierTrigger_ = 0;
  std::string lastResult_;
  std::shared_ptr<HayesLineService*> self_;
};

}  // namespace solwire
