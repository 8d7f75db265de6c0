// The link controller: one request at a time to the regulators on the line,
// the reply handler that decodes into the site data model and chains further
// requests, the failure path, and the one-second timer's tasks.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/link_environment.h"
#include "protocol/reply_decoder.h"
#include "protocol/request_outcome.h"
#include "protocol/request_frames.h"
#include "protocol/site_data.h"
#include "serial/link_operations.h"

namespace solwire {

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

// What waits for a current-state reading before it goes out (the integer
// values are those the status of the link has always used).
enum class DeferredRequest : int {
  None = 0,
  Settings = 2,
  CurrentStateFirst = 3,  // at start, after a site change or a call: the next list waits for one
  History = 4,
};

// Link state flags and counters, touched only on the user-interface thread
// and changed only by the link controller; everyone else reads them.
class LinkState {
 public:
  bool directMode() const { return DirectMode; }
  // The one busy test for every caller: true while a request is outstanding
  // and while the line is held (a chained request's wait, a write, the quiet
  // time after a failed reply).
  bool requestBusy() const { return RequestBusy; }
  bool startupHold() const { return StartupHold; }
  bool dialling() const { return Dialling; }
  bool modemConnected() const { return ModemConnected; }
  bool lineIdle() const { return LineIdle; }
  bool hangupRequested() const { return HangupRequested; }
  bool logDialActive() const { return LogDialActive; }
  bool alarmDialActive() const { return AlarmDialActive; }
  bool logDialPending() const { return LogDialPending; }
  bool alarmDialPending() const { return AlarmDialPending; }
  bool lineReserved() const { return LineReserved; }
  bool writePending() const { return WritePending; }
  bool hangingUp() const { return HangingUp; }
  // True while the line has not yet been quiet for the guard time after a
  // request failed: a late reply may still be on its way.
  bool settling() const { return Settling; }
  int busyCountdown() const { return BusyCountdown; }
  RequestKind requestKind() const { return Kind; }
  int requestSite() const { return RequestSite; }
  DeferredRequest deferredRequest() const { return Deferred; }
  int historyBlock() const { return HistoryBlock; }
  int hoursToLog() const { return HoursToLog; }

 private:
  friend class LinkController;
  friend struct LinkStateAccess;  // the tests' way to set up a state directly

  bool DirectMode = true;
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
  // before a deferred request): the line is held and nothing else goes out.
  bool LineReserved = false;
  // Set from a memory write until its read-back goes out (24 ticks of the
  // port's timer): neither a second write nor a request meets the regulator
  // while it stores the byte.
  bool WritePending = false;
  // Set while the modem's hang-up sequence runs: its guard times need a
  // silent line, so no request goes out until the link is back in direct mode.
  bool HangingUp = false;
  bool Settling = false;

  int BusyCountdown = 0;
  RequestKind Kind = RequestKind::CurrentState;
  // The site the outstanding (or last) request was sent to.
  int RequestSite = 0;
  DeferredRequest Deferred = DeferredRequest::CurrentStateFirst;
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
  // A line that never falls quiet is trusted again after this many restarts
  // of the guard time: whatever it sends, the next request's reply is checked.
  static constexpr int kMaxGuardRestarts = 8;

  // Connects itself to both matchers' OnPacket and OnTimeout events.
  LinkController(LinkEndpoints endpoints, LinkServices services, LinkControls controls,
                 SiteData data);
  ~LinkController();
  LinkController(const LinkController&) = delete;
  LinkController& operator=(const LinkController&) = delete;

  // ---- Requests and their outcomes
  // Asks for `requester`'s kind of reading of the selected site (the log
  // site for a log reading). The request goes out at once when the line is
  // free, else waits its turn; it ends in exactly one outcome, announced to
  // every listener, possibly before this returns. A request of the same kind
  // and site already waiting or on the line is not asked twice: its number
  // is returned.
  RequestId Getdata(Requester requester);
  using OutcomeListener = std::function<void(const RequestOutcome&)>;
  // Returns a handle for unsubscribe().
  int subscribe(OutcomeListener listener);
  void unsubscribe(int handle);
  // True while a request of `kind` waits or is on the line.
  bool awaiting(RequestKind kind) const;
  // Requests taken and not yet ended, the one on the line included.
  std::size_t requestsOpen() const { return queue_.size() + (active_ ? 1 : 0); }
  // The guard time after a failed request at the selected baud rate: the
  // line must be this long without a byte before the next request goes out.
  std::chrono::milliseconds guardTime() const;
  // Bytes that arrived while no reply was awaited (dropped), and replies
  // dropped because their type code was not (or not yet confirmed as) their
  // site's.
  std::uint64_t lateBytesDropped() const { return lateBytesDropped_; }
  std::uint64_t foreignRepliesDropped() const { return foreignRepliesDropped_; }
  // The class of `site` as its last current-state reply of this run gave it.
  std::optional<Scaling> knownScaling(int site) const;

  void OpenDirectPort();
  void datapack1Packet(ReplyMatcher& sender, const std::uint8_t* data, std::int32_t size);
  void datapack1Timeout(ReplyMatcher& sender);
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

  // The program is closing: no request goes out from now on, and requests
  // still waiting end as refused.
  void shutDown();

  // ---- The dial-up supervisor's transitions
  // A call (log, alarm) waits for the line in use.
  void setDialPending(DialReason reason, bool pending);
  // The line is taken for a call: modem mode, no longer idle; a request
  // outstanding on the direct line is cancelled. A log or alarm call becomes
  // the active one.
  void takeLineForCall(DialReason reason);
  void startDialling();
  void callConnected();
  void requestHangup();
  void clearHangupRequest();
  // The hang-up sequence begins: requests on the modem line end.
  void beginHangup();
  // The call's time is up: its readings are no longer awaited.
  void endCallReadings();
  // The call is over: back to the direct line, and the next list read starts
  // with a current-state reading.
  void returnToDirect();

  // The modem call is ending: a request outstanding on it, or a chained one
  // waiting for its turn, ends now; nothing more is collected from the modem
  // line until the next request is sent on it.
  void endModemRequests();

  // Why the direct port last failed to open (empty after a good open); the
  // status bar shows the program's own text, this says what the system said.
  const std::string& lastPortError() const { return lastPortError_; }

  // True while a request is outstanding or the line is held; the same as
  // RequestBusy.
  bool lineBusy() const { return state_.RequestBusy; }

  LinkControls& controls() { return controls_; }
  const LinkControls& controls() const { return controls_; }
  const LinkState& state() const { return state_; }
  SiteData& data() { return data_; }
  const SiteData& data() const { return data_; }
  // The last log reading; the selected site's data() never holds it.
  const LogReading& logReading() const { return logReading_; }

 private:
  friend struct LinkStateAccess;

  // The request on the line (or holding it between history blocks).
  struct ActiveRequest {
    LinkRequest request;
    bool cancelled = false;   // its outcome is out; its reply is dropped
    bool foreignSeen = false; // one foreign reply was dropped and the site asked again
  };

  bool connected() const;
  LinkPort& activePort();
  ReplyMatcher& activeMatcher();
  LinkRequest requestFor(Requester requester);
  std::optional<std::string> lineHeldBy() const;
  bool lineFree() const;
  void updateBusy();
  void pump();
  bool needsCurrentStateFirst(const LinkRequest& request) const;
  void startRequest(const LinkRequest& request);
  void sendRequest(int site);
  void discardWaitingInput(LinkPort& port, ReplyMatcher& matcher);
  ActiveRequest takeActive();
  void conclude(const LinkRequest& request, OutcomeKind kind, std::string reason = {});
  void announce(const RequestOutcome& outcome);
  void failRequest(OutcomeKind kind, std::string reason);
  LinkRequest takeWaitingList();
  void cancelActive(const std::string& reason);
  void cancelWaiting(const std::string& reason, bool keepLogReadings);
  void endWaitingViewsOf(RequestKind kind);
  bool isForeign(const std::uint8_t* reply) const;
  void dropForeignReply();
  void learnClass(std::uint8_t typeCode);
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
  void sendNextHistoryBlock();
  void storeAlarmInputs(const std::uint8_t* reply);
  void reserveLineThen(std::chrono::milliseconds wait, void (LinkController::*next)());
  void releaseLine();
  void dropWaitingContinuations();
  void endModemCollection(ReplyMatcher& sender);
  void timeOutStalledRequest();
  void settleLine();
  void restartGuard();
  void lateBytes(std::int32_t size);
  void endSettling();
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
  void abandonReadBackOf(const LinkRequest& request);
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

  RequestId lastId_ = kNoRequest;
  std::deque<LinkRequest> queue_;
  std::optional<ActiveRequest> active_;
  std::vector<std::pair<int, OutcomeListener>> listeners_;
  int lastListener_ = 0;
  std::array<std::optional<Scaling>, kSiteCount> knownScaling_{};
  std::array<std::optional<std::int32_t>, kSiteCount> knownType_{};
  std::uint64_t lateBytesDropped_ = 0;
  std::uint64_t foreignRepliesDropped_ = 0;
  std::uint64_t guardGeneration_ = 0;
  int guardRestarts_ = 0;
  ReplyMatcher* settlingMatcher_ = nullptr;
  bool resendAfterSettling_ = false;
  // A site has timed out in this run: its reply may still come at any time.
  bool lateReplyPossible_ = false;
  bool pumping_ = false;
  // Scheduled continuations hold a weak reference to this, so that a task that
  // falls due after the controller is gone does nothing.
  std::shared_ptr<LinkController*> self_;
};

}  // namespace solwire
