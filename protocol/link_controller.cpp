#include "protocol/link_controller.h"

#include <algorithm>
#include <exception>
#include <span>

#include "protocol/record_stamps.h"
#include "protocol/reply_decoder.h"

namespace solwire {

int alarmIntervalMinutes(int alarmRateIndex) {
  if (alarmRateIndex < 0 || alarmRateIndex >= static_cast<int>(kAlarmIntervalMinutes.size())) return 0;
  return kAlarmIntervalMinutes[static_cast<std::size_t>(alarmRateIndex)];
}

LinkController::LinkController(LinkEndpoints endpoints, LinkServices services, LinkControls controls,
                               SiteData data)
    : links_(endpoints),
      services_(services),
      controls_(std::move(controls)),
      data_(std::move(data)),
      self_(std::make_shared<LinkController*>(this)) {
  state_.HoursToLog = controls_.rateHours;
  for (ReplyMatcher* matcher : {&links_.directMatcher, &links_.modemMatcher}) {
    matcher->OnPacket = [this](ReplyMatcher& sender, const std::uint8_t* bytes, std::int32_t size) {
      datapack1Packet(sender, bytes, size);
    };
    matcher->OnTimeout = [this](ReplyMatcher& sender) { datapack1Timeout(sender); };
  }
  for (LinkPort* port : {&links_.directPort, &links_.modemPort})
    port->OnTriggerTimer = [this](LinkPort& sender, std::uint16_t handle) { portTriggerTimer(sender, handle); };
}

LinkController::~LinkController() {
  for (ReplyMatcher* matcher : {&links_.directMatcher, &links_.modemMatcher}) {
    matcher->OnPacket = nullptr;
    matcher->OnTimeout = nullptr;
  }
  for (LinkPort* port : {&links_.directPort, &links_.modemPort}) port->OnTriggerTimer = nullptr;
}

// ---- Requests -------------------------------------------------------------

bool LinkController::connected() const {
  return state_.DirectMode ? links_.directPort.Open() : state_.ModemConnected;
}

LinkPort& LinkController::activePort() { return state_.DirectMode ? links_.directPort : links_.modemPort; }

ReplyMatcher& LinkController::activeMatcher() {
  return state_.DirectMode ? links_.directMatcher : links_.modemMatcher;
}

void LinkController::selectKind(Requester requester, int& site) {
  switch (requester) {
    case Requester::CurrentStateView: state_.requestKind = RequestKind::CurrentState; break;
    case Requester::AlarmView: state_.requestKind = RequestKind::AlarmInputs; break;
    case Requester::CalibrationButton: state_.requestKind = RequestKind::Calibration; break;
    case Requester::MainWindow:
      state_.requestKind = RequestKind::LogCurrentState;
      site = controls_.logSite;
      break;
    case Requester::SettingsView: state_.requestKind = RequestKind::Settings; break;
    case Requester::HistoryView: state_.requestKind = RequestKind::HistoryBlock; break;
    case Requester::Other: break;
  }
}

void LinkController::Getdata(Requester requester) {
  if (shutDown_ || state_.StartupHold || state_.RequestBusy || state_.Dialling || state_.HangingUp) return;
  if (state_.DirectMode && !links_.directPort.Open()) OpenDirectPort();
  const bool isConnected = connected();

  int site = controls_.site;
  selectKind(requester, site);
  const bool deferrable =
      state_.requestKind == RequestKind::Settings || state_.requestKind == RequestKind::HistoryBlock;
  if (state_.DeferredRequest > 0 && deferrable) {
    state_.DeferredRequest = static_cast<int>(state_.requestKind);
    state_.requestKind = RequestKind::CurrentState;
  }

  // The site this request is for, whether it goes out or fails here.
  state_.RequestSite = site;
  if (!isConnected) {
    services_.views.showLinkStatus(LinkStatus::CantOpenPort);
    AbortRequest();
    return;
  }
  sendRequest(site);
}

void LinkController::sendRequest(int site) {
  const RequestKind kind = state_.requestKind;
  LinkPort& port = activePort();
  ReplyMatcher& matcher = activeMatcher();
  try {
    discardWaitingInput(port, matcher);
    matcher.setPacketSize(replyLength(kind));
    matcher.setTimeOut(replyTimeoutForBaudIndex(controls_.baudIndex));
    matcher.setEnabled(true);
    port.SendString(requestFrame(kind, site, state_.HistoryBlock));
  } catch (const std::exception&) {
    // The request never reached the line: end it as a failed one rather than
    // leave the matcher waiting for a reply that cannot come.
    matcher.setEnabled(false);
    AbortRequest();
    return;
  }
  services_.views.showLinkStatus(LinkStatus::RequestSent);
  state_.RequestBusy = true;
  state_.BusyCountdown = kBusyWatchdogSeconds;
}

// A regulator answers only after it has been asked, so bytes that are already
// waiting (late bytes of an earlier reply, line noise) cannot belong to the
// reply of the request about to go out; kept, they would be taken as its start.
// Disabling the matcher drops a partly collected packet as well.
void LinkController::discardWaitingInput(LinkPort& port, ReplyMatcher& matcher) {
  matcher.setEnabled(false);
  port.FlushInput();
}

void LinkController::OpenDirectPort() {
  LinkPort& port = links_.directPort;
  try {
    port.setComNumber(static_cast<std::uint16_t>(controls_.directPortIndex + 1));
    port.setBaud(baudRateForIndex(controls_.baudIndex));
    port.setParity(Parity::pNone);
    port.setDataBits(8);
    port.setStopBits(1);
    port.setOpen(true);
    port.FlushInput();
    port.FlushOutput();
    lastPortError_.clear();
    services_.views.showLinkStatus(port.Open() ? LinkStatus::PortOpen : LinkStatus::PortSetOK);
  } catch (const std::exception& error) {
    lastPortError_ = error.what();
    services_.views.showLinkStatus(LinkStatus::PortSetException);
    services_.feedback.beep();
    services_.feedback.beep();
  }
}

// ---- Replies --------------------------------------------------------------

void LinkController::datapack1Packet(ReplyMatcher& sender, const std::uint8_t* bytes, std::int32_t size) {
  endModemCollection(sender);
  const RequestKind kind = state_.requestKind;
  const std::span<const std::uint8_t> reply(bytes, bytes ? static_cast<std::size_t>(std::max(size, 0)) : 0);
  if (siteChangedSinceRequest()) {
    dropReplyForAnotherSite();
    return;
  }
  if (!replyFramingOk(kind, reply)) {
    handleReadError();
    return;
  }
  services_.views.showLinkStatus(LinkStatus::DataReceived);
  state_.RequestBusy = false;
  services_.feedback.beep();

  switch (kind) {
    case RequestKind::CurrentState: storeCurrentState(bytes); break;
    case RequestKind::LogCurrentState: storeLogReading(bytes); break;
    case RequestKind::Settings: storeSettings(bytes); break;
    case RequestKind::Calibration: storeCalibration(bytes); break;
    case RequestKind::HistoryBlock: storeHistoryBlock(bytes); break;
    case RequestKind::AlarmInputs: storeAlarmInputs(bytes); break;
  }
}

// A log reading is made for the log site, whatever site is selected; every
// other request is for the site selected when it was sent. Changing the site
// and back again before the reply arrives leaves it the selected site's.
bool LinkController::siteChangedSinceRequest() const {
  return state_.requestKind != RequestKind::LogCurrentState && state_.RequestSite != controls_.site;
}

// The operator chose another site while this reply was on its way: storing it
// would show, save or scale the new site with the old site's values. The
// request ends without a text or a beep (nothing failed); the site change has
// already disabled the save options, deferred the next settings or history
// read and marked both lists unread, and all of that stands.
void LinkController::dropReplyForAnotherSite() {
  state_.RequestBusy = false;
  if (state_.requestKind == RequestKind::AlarmInputs && state_.AlarmDialActive) state_.HangupRequested = true;
  abandonReadBack();
  endWaitingViews();
}

// A reply that fails its framing check is not stored: the request ends as a
// failed one, and "Read Error" stays on view.
void LinkController::handleReadError() {
  state_.RequestBusy = false;
  services_.views.showLinkStatus(LinkStatus::ReadError);
  services_.feedback.beep();
  hangUpActiveCall();
  cleanUpFailedRequest();
}

ReadStamp LinkController::readStamp() const { return {state_.RequestSite, services_.clock.localNow()}; }

void LinkController::storeCurrentState(const std::uint8_t* reply) {
  const std::span<const std::uint8_t> bytes(reply, 27);
  storeReply(data_, RequestKind::CurrentState, bytes, state_.HistoryBlock, readStamp());
  services_.feedback.beep();
  services_.views.hideCurrentStateWait();
  services_.views.showLinkStatus(LinkStatus::DataReceived);
  services_.views.enableSaveOption(SaveOption::CurrentState);
  services_.views.labelupdate();

  const int deferred = state_.DeferredRequest;
  state_.DeferredRequest = 0;
  if (deferred == static_cast<int>(RequestKind::Settings))
    reserveLineThen(kDeferredRequestWait, &LinkController::issueDeferredSettings);
  else if (deferred == static_cast<int>(RequestKind::HistoryBlock))
    reserveLineThen(kDeferredRequestWait, &LinkController::issueDeferredHistory);
}

// The reading goes to the log's own record only: the selected site's values,
// multipliers and report options stay as they were.
void LinkController::storeLogReading(const std::uint8_t* reply) {
  storeLogReply(logReading_, std::span<const std::uint8_t>(reply, 27));
  logReading_.site = state_.RequestSite;
  if (state_.LogDialActive) state_.HangupRequested = true;
  state_.LogDialActive = false;
  data_.LogReadingReady = true;
}

void LinkController::storeSettings(const std::uint8_t* reply) {
  storeReply(data_, RequestKind::Settings, std::span<const std::uint8_t>(reply, 33), 0, readStamp());
  data_.SettingsRead = true;
  checkReadBack(RequestKind::Settings);
  services_.views.setdisplay();
  services_.views.enableSaveOption(SaveOption::Settings);
  services_.feedback.beep();
}

void LinkController::storeCalibration(const std::uint8_t* reply) {
  storeReply(data_, RequestKind::Calibration, std::span<const std::uint8_t>(reply, 33), 0, readStamp());
  data_.CalibrationRead = true;
  checkReadBack(RequestKind::Calibration);
  services_.views.caldisplay();
  services_.views.enableSaveOption(SaveOption::Calibration);
  services_.feedback.beep();
}

void LinkController::storeHistoryBlock(const std::uint8_t* reply) {
  storeReply(data_, RequestKind::HistoryBlock, std::span<const std::uint8_t>(reply, 49), state_.HistoryBlock,
             readStamp());
  ++state_.HistoryBlock;
  reserveLineThen(kHistoryBlockWait, &LinkController::finishHistoryBlock);
}

void LinkController::finishHistoryBlock() {
  if (siteChangedSinceRequest()) {
    endHistoryTransfer();
    return;
  }
  if (state_.HistoryBlock >= 1 && state_.HistoryBlock <= kHistoryBlocks) {
    Getdata(Requester::HistoryView);
  } else {
    services_.views.hideHistoryWait();
    state_.HistoryBlock = 0;
  }
  services_.feedback.beep();
  services_.views.setHistoryProgress(state_.HistoryBlock - 1);
  services_.views.drawgraph();
  services_.views.enableSaveOption(SaveOption::History);
}

void LinkController::storeAlarmInputs(const std::uint8_t* reply) {
  storeReply(data_, RequestKind::AlarmInputs, std::span<const std::uint8_t>(reply, 5), 0, readStamp());
  services_.views.repaintAlarmStatus();
  services_.feedback.beep();
  if (state_.AlarmDialActive) state_.HangupRequested = true;
  state_.AlarmDialActive = false;
  services_.views.setAlarmPollPending(false);
}

// The wait between chained requests does not block: the line stays reserved,
// so no other request goes out, and the next one is issued when the wait ends.
void LinkController::reserveLineThen(std::chrono::milliseconds wait, void (LinkController::*next)()) {
  state_.LineReserved = true;
  state_.RequestBusy = true;
  std::weak_ptr<LinkController*> alive = self_;
  services_.clock.callAfter(wait, [alive, next] {
    const auto self = alive.lock();
    if (!self) return;
    LinkController& controller = **self;
    controller.releaseLine();
    (controller.*next)();
  });
}

void LinkController::releaseLine() {
  state_.LineReserved = false;
  state_.RequestBusy = false;
}

void LinkController::issueDeferredSettings() { Getdata(Requester::SettingsView); }
// A transfer that already holds blocks of one site does not go on with
// another's; a transfer yet to start goes to the site now selected.
void LinkController::issueDeferredHistory() {
  if (state_.HistoryBlock > 1 && siteChangedSinceRequest()) {
    endHistoryTransfer();
    return;
  }
  Getdata(Requester::HistoryView);
}

// ---- Failures -------------------------------------------------------------

void LinkController::datapack1Timeout(ReplyMatcher& sender) {
  endModemCollection(sender);
  state_.RequestBusy = false;
  state_.StartupHold = false;
  services_.views.showLinkStatus(LinkStatus::DataTimeout);
  hangUpActiveCall();
  AbortRequest();
}

void LinkController::hangUpActiveCall() {
  if (state_.LineIdle) return;
  if (state_.LogDialActive) {
    state_.LogDialActive = false;
    state_.HangupRequested = true;
  }
  if (state_.AlarmDialActive) {
    state_.AlarmDialActive = false;
    state_.HangupRequested = true;
  }
}

void LinkController::AbortRequest() {
  state_.RequestBusy = false;
  services_.views.showLinkStatus(LinkStatus::CommFail);
  cleanUpFailedRequest();
  services_.feedback.beep();
}

// A failed list is marked read, so that showing it again does not retry.
// The record keeps its values and is marked failed; a history transfer marks
// the days it did not read where it ends.
void LinkController::cleanUpFailedRequest() {
  if (state_.requestKind != RequestKind::HistoryBlock)
    markReadFailed(data_.origins, state_.requestKind, 0, state_.RequestSite);
  if (state_.requestKind == RequestKind::Settings) data_.SettingsRead = true;
  if (state_.requestKind == RequestKind::Calibration) data_.CalibrationRead = true;
  abandonReadBack();
  endWaitingViews();
}

// Takes down what the requesting view shows while it waits.
void LinkController::endWaitingViews() {
  switch (state_.requestKind) {
    case RequestKind::CurrentState:
      services_.views.hideCurrentStateWait();
      services_.views.labelupdate();
      break;
    // The editor shows the list again: it says now that the reading failed,
    // and a write waiting for this read-back is over.
    case RequestKind::Settings: services_.views.setdisplay(); break;
    case RequestKind::Calibration: services_.views.caldisplay(); break;
    case RequestKind::HistoryBlock:
      endHistoryTransfer();
      break;
    case RequestKind::AlarmInputs:
      services_.views.setAlarmPollPending(false);
      state_.AlarmDialActive = false;
      break;
    case RequestKind::LogCurrentState: state_.LogDialActive = false; break;
  }
}

// However it ends before its last block (a failed block, a site change),
// the days from the block it waited for on were not read.
void LinkController::endHistoryTransfer() {
  markReadFailed(data_.origins, RequestKind::HistoryBlock, state_.HistoryBlock, state_.RequestSite);
  services_.views.hideHistoryWait();
  state_.HistoryBlock = 0;
  services_.views.drawgraph();
}

void LinkController::shutDown() {
  shutDown_ = true;
  dropWaitingContinuations();
  if (state_.LineReserved) releaseLine();
  releaseWriteHold();
}

void LinkController::dropWaitingContinuations() { self_ = std::make_shared<LinkController*>(this); }

// The modem line carries more than replies: the modem's echo and result codes
// while dialling, its "OK" after the escape, whatever the far end sends
// between requests. The collector stays enabled after a packet or a time-out,
// so it would take those bytes as the start of a reply and time out on them;
// it is enabled again only when the next request goes out on the modem line.
void LinkController::endModemCollection(ReplyMatcher& sender) {
  if (&sender == &links_.modemMatcher) sender.setEnabled(false);
}

void LinkController::endModemRequests() {
  const bool outstanding = links_.modemMatcher.Enabled();
  links_.modemMatcher.setEnabled(false);
  if (state_.DirectMode || (!outstanding && !state_.LineReserved)) return;
  // A chained request (the next history block, a deferred list) would go out
  // on whatever link is selected when its wait ends: on the direct line, to
  // another site than the one this call reached.
  if (state_.LineReserved) {
    dropWaitingContinuations();
    releaseLine();
  }
  state_.RequestBusy = false;
  cleanUpFailedRequest();
}

// ---- Site change ----------------------------------------------------------

void LinkController::siteselChanging() {
  services_.views.disableSaveOptions();
  state_.DeferredRequest = 3;
  data_.CalibrationRead = false;
  data_.SettingsRead = false;
}

// ---- The one-second timer -------------------------------------------------

void LinkController::ShowLinkInStatus() {
  if (state_.DirectMode) {
    services_.views.showLinkInStatus(controls_.directPortIndex + 1, baudRateForIndex(controls_.baudIndex));
  } else {
    services_.views.showLinkInStatus(controls_.modemPortIndex + 1, 2400);
  }
}

void LinkController::Timer1Timer() {
  const LocalTime now = services_.clock.localNow();
  services_.views.showClock(now);
  state_.StartupHold = false;
  ShowLinkInStatus();
  updateLogCountdownDisplay();
  runBusyWatchdog();
  services_.dialSupervisor.superviseCalls();
  if (data_.LogReadingReady) {
    data_.LogReadingReady = false;
    services_.logWriter.writeLogEntry(logReading_);
  }
  if (now.hour != state_.LastHour && !state_.RequestBusy) onHourChange(now.hour);
  if (now.minute != state_.LastMinute && !state_.RequestBusy && controls_.alarmRateIndex != 0) onMinuteChange(now.minute);
}

void LinkController::updateLogCountdownDisplay() {
  if (controls_.rateHours < state_.HoursToLog) state_.HoursToLog = controls_.rateHours;
  services_.views.showHoursToLog(state_.HoursToLog, controls_.periodicLogging);
}

void LinkController::runBusyWatchdog() {
  if (state_.BusyCountdown > kBusyWatchdogSeconds) state_.BusyCountdown = kBusyWatchdogSeconds;
  if (state_.BusyCountdown > 0)
    --state_.BusyCountdown;
  else if (!state_.LineReserved) {  // a held line is released by its own chained request
    timeOutSilentModemRequest();
    state_.RequestBusy = false;
    endStalledWrite();
  }
}

// The modem line's collector times out only once a reply has begun: a remote
// site that never answers would leave the request outstanding, the call up
// until its limit, and nothing said. The watchdog ends it as a time-out.
void LinkController::timeOutSilentModemRequest() {
  if (!links_.modemMatcher.Enabled()) return;
  if (state_.RequestBusy)
    datapack1Timeout(links_.modemMatcher);
  else
    links_.modemMatcher.setEnabled(false);
}

void LinkController::onHourChange(int hour) {
  state_.LastHour = hour;
  state_.HoursToLog = std::max(state_.HoursToLog - 1, 0);
  if (state_.HoursToLog >= 1 || !controls_.periodicLogging) return;

  state_.HoursToLog = controls_.rateHours;
  if (controls_.logByDialup && !state_.LogDialPending && !state_.LogDialActive)
    services_.dialSupervisor.dialup(DialReason::Log, controls_.logNumber);
  else if (state_.DirectMode || state_.ModemConnected)
    Getdata(Requester::MainWindow);
}

void LinkController::onMinuteChange(int minute) {
  state_.LastMinute = minute;
  const int interval = alarmIntervalMinutes(controls_.alarmRateIndex);
  state_.AlarmCountdown -= 1;
  if (interval < state_.AlarmCountdown) state_.AlarmCountdown = interval;
  if (state_.AlarmCountdown >= 1) return;

  state_.AlarmCountdown = interval;
  startAlarmPoll();
}

void LinkController::startAlarmPoll() {
  services_.views.setAlarmPollPending(true);
  if (controls_.alarmDial) {
    if (state_.ModemConnected && !state_.LogDialPending)
      Getdata(Requester::AlarmView);
    else if (!state_.AlarmDialPending && !state_.AlarmDialActive)
      services_.dialSupervisor.dialup(DialReason::Alarm, controls_.alarmDialNumber);
  } else if (state_.DirectMode || state_.ModemConnected) {
    Getdata(Requester::AlarmView);
  }
}

}  // namespace solwire
