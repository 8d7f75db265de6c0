// The link controller: one request at a time to the regulators on the line,
// the reply handler that decodes into the site data model and chains further
// requests, the failure path, and the one-second timer's tasks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "protocol/link_environment.h"
#include "protocol/reply_decoder.h"
#include "protocol/request_frames.h"
#include "protocol/site_data.h"
#include "serial/link_operations.h"

namespace solwire {

// Who asks for data; it selects the kind of request.
enum class Requester {
  CurrentStateView,   // kind 1
  SettingsView,       // kind 2
  CalibrationButton,  // kind 3
  HistoryView,        // kind 4
  AlarmView,          // kind 5
  MainWindow,         // kind 6: a log reading of the log site
  Other,              // keeps the previous kind
};

// Alarm poll interval in minutes by alarm rate index 0..10 (0 = no polling).
inline constexpr std::array<int, 11> kAlarmIntervalMinutes{0, 2, 5, 10, 20, 30, 60, 120, 240, 480, 1440};
int alarmIntervalMinutes(int alarmRateIndex);

// The values of the main window's controls that the link reads.
struct LinkControls {
  int site = 0;              // sitesel, 0..31
  int logSite = 0;           // logsite, 0..31
  int baudIndex = 4;         // baudbox item
  int directPortIndex = 1;   // Dportbox item: COM1..COM8
  int modemPortIndex = 3;    // mportbox item: COM1..COM8
  int rateHours = 2;         // rateedit, 1..48
  bool periodicLogging = false;  // Samplecheck
  bool logByDialup = false;      // dialupcheck
  std::string logNumber;         // Lognumedit
  int alarmRateIndex = 0;        // index into kAlarmIntervalMinutes
  bool alarmDial = false;        // "Alarm Dial" option
  std::string alarmDialNumber;
};

// Link state flags and counters, touched only on the user-interface thread.
struct LinkState {
  bool DirectMode = true;
  // The one busy test for every caller: true while a request is outstanding
  // and while the line is held for a chained request (LineReserved).
  bool RequestBusy = false;
  bool StartupHold = true;
  bool Dialling = false;
  bool ModemConnected = false;
  bool LineIdle = true;
  bool HangupRequested = false;
  bool LogDialActive = false;
  bool AlarmDialActive = false;
  bool LogDialPending = false;
  bool AlarmDialPending = false;
  // Set while a chained request waits for its turn (between history blocks, and
  // before a deferred request): the line is held (RequestBusy stays true) and
  // nothing else goes out.
  bool LineReserved = false;
  // Set from a memory write until its read-back goes out (24 ticks of the
  // port's timer): the line is held (RequestBusy stays true), so neither a
  // second write nor a request meets the regulator while it stores the byte,
  // and the read-back finds the line free.
  bool WritePending = false;
  // Set while the modem's hang-up sequence runs: its guard times need a
  // silent line, so no request goes out until the link is back in direct mode.
  bool HangingUp = false;

  int BusyCountdown = 0;
  RequestKind requestKind = RequestKind::CurrentState;
  // The site the outstanding (or last) request was sent to.
  int RequestSite = 0;
  int DeferredRequest = 3;
  int HistoryBlock = 0;

  int HoursToLog = 2;
  int LastHour = 0;
  int AlarmCountdown = 2;
  int LastMinute = 5;
};

// The two links: the direct port with its matcher and the modem port with its collector.
struct LinkEndpoints {
  LinkPort& directPort;
  ReplyMatcher& directMatcher;
  LinkPort& modemPort;
  ReplyMatcher& modemMatcher;
};

// What became of a memory write request.
enum class WriteResult {
  Sent,          // on the line; the read-back follows 24 ticks later
  LineBusy,      // a request is outstanding, the line is held, or nothing may go out yet
  PortNotOpen,   // direct link, port closed: nothing sent
  NoConnection,  // modem link, port closed: nothing sent
  SendFailed,    // the port refused the frame or the timer
};

// The last write and what its read-back showed. A regulator never confirms a
// write; the list read back after it tells whether the byte was taken.
enum class WritePhase {
  None,          // no write yet
  Waiting,       // sent; the read-back goes out when the port's timer fires
  ReadingBack,   // the list is being read back
  Confirmed,     // the list read back holds the byte written
  NotConfirmed,  // it holds another byte
  Abandoned,     // no read-back of that site came (it failed, or the site changed)
};

struct WriteCheck {
  int number = 0;  // counts the writes sent, from 1
  int site = 0;
  int address = 0;
  int data = 0;
  WritePhase phase = WritePhase::None;
  int heldByte = -1;  // the byte read back at the address, once known

  bool settled() const { return phase != WritePhase::Waiting && phase != WritePhase::ReadingBack; }
};

struct LinkServices {
  Clock& clock;
  LinkViews& views;
  Feedback& feedback;
  LogWriter& logWriter;
  DialSupervisor& dialSupervisor;
};

class LinkController {
 public:
  static constexpr std::chrono::milliseconds kDeferredRequestWait{1200};
  static constexpr std::chrono::milliseconds kHistoryBlockWait{1000};
  static constexpr int kBusyWatchdogSeconds = 10;
  static constexpr std::uint32_t kWriteReadBackTicks = 24;

  // Connects itself to both matchers' OnPacket and OnTimeout events.
  LinkController(LinkEndpoints endpoints, LinkServices services, LinkControls controls,
                 SiteData data);
  ~LinkController();
  LinkController(const LinkController&) = delete;
  LinkController& operator=(const LinkController&) = delete;

  void Getdata(Requester requester);
  void OpenDirectPort();
  void datapack1Packet(ReplyMatcher& sender, const std::uint8_t* data, std::int32_t size);
  void datapack1Timeout(ReplyMatcher& sender);
  void AbortRequest();
  void Timer1Timer();
  void siteselChanging();
  void ShowLinkInStatus();

  // The link half of the settings editor's send button: one write frame to
  // the selected site on the active link, and the port's timer armed for the
  // read-back. Refused while the line is busy or held, as a request would be.
  // The read-back reads the list the address belongs to (calibration for
  // 0..15, settings for 16..31); the list's display callback runs when the
  // timer has fired (the write is over) and again with the list read back.
  WriteResult writeMemory(int address, int data);
  // OnTriggerTimer of either port (Comport1TriggerTimer, Comport2TriggerTimer).
  // The write's own timer completes the write; any other hit is passed on.
  void portTriggerTimer(LinkPort& port, std::uint16_t handle);
  const WriteCheck& lastWrite() const { return write_; }
  // Timer hits of the ports that are not the write's (the modem's hang-up
  // phases).
  std::function<void(LinkPort& port, std::uint16_t handle)> OnOtherTimerTrigger;

  // The program is closing: no request goes out from now on, and chained
  // requests still waiting for their turn are dropped.
  void shutDown();

  // The modem call is ending: a request outstanding on it, or a chained one
  // waiting for its turn, ends now; nothing more is collected from the modem
  // line until the next request is sent on it.
  void endModemRequests();

  // Why the direct port last failed to open (empty after a good open); the
  // status bar shows the program's own text, this says what the system said.
  const std::string& lastPortError() const { return lastPortError_; }

  // True while a request is outstanding or the line is held for a chained one;
  // the same as RequestBusy.
  bool lineBusy() const { return state_.RequestBusy; }

  LinkControls& controls() { return controls_; }
  const LinkControls& controls() const { return controls_; }
  LinkState& state() { return state_; }
  const LinkState& state() const { return state_; }
  SiteData& data() { return data_; }
  const SiteData& data() const { return data_; }
  // The last log reading; the selected site's data() never holds it.
  const LogReading& logReading() const { return logReading_; }

 private:
  bool connected() const;
  LinkPort& activePort();
  ReplyMatcher& activeMatcher();
  void selectKind(Requester requester, int& site);
  void sendRequest(int site);
  void discardWaitingInput(LinkPort& port, ReplyMatcher& matcher);
  bool siteChangedSinceRequest() const;
  void dropReplyForAnotherSite();
  void handleReadError();
  void cleanUpFailedRequest();
  void endWaitingViews();
  void endHistoryTransfer();
  void hangUpActiveCall();
  ReadStamp readStamp() const;
  void storeCurrentState(const std::uint8_t* reply);
  void storeLogReading(const std::uint8_t* reply);
  void storeSettings(const std::uint8_t* reply);
  void storeCalibration(const std::uint8_t* reply);
  void storeHistoryBlock(const std::uint8_t* reply);
  void finishHistoryBlock();
  void storeAlarmInputs(const std::uint8_t* reply);
  void reserveLineThen(std::chrono::milliseconds wait, void (LinkController::*next)());
  void releaseLine();
  void dropWaitingContinuations();
  void endModemCollection(ReplyMatcher& sender);
  void timeOutSilentModemRequest();
  void issueDeferredSettings();
  void issueDeferredHistory();
  void updateLogCountdownDisplay();
  void runBusyWatchdog();
  void onHourChange(int hour);
  void onMinuteChange(int minute);
  void startAlarmPoll();
  void sendWriteFrame(LinkPort& port, int address, int data);
  void completeWrite();
  void releaseWriteHold();
  void showWrittenList();
  void checkReadBack(RequestKind kind);
  void abandonReadBack();
  void endStalledWrite();

  LinkEndpoints links_;
  LinkServices services_;
  LinkControls controls_;
  LinkState state_;
  SiteData data_;
  LogReading logReading_;
  std::string lastPortError_;
  bool shutDown_ = false;
  WriteCheck write_;
  // The write's one-shot timer: the port it is armed on and its handle.
  LinkPort* writeTriggerPort_ = nullptr;
  std::uint16_t writeTrigger_ = 0;
  // Scheduled continuations hold a weak reference to this, so that a task that
  // falls due after the controller is gone does nothing.
  std::shared_ptr<LinkController*> self_;
};

}  // namespace solwire
