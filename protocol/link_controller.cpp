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

LinkRequest LinkController::requestFor(Requester requester) {
  LinkRequest request{kNoRequest, RequestKind::CurrentState, controls_.site, requester};
  switch (requester) {
    case Requester::CurrentStateView: request.kind = RequestKind::CurrentState; break;
    case Requester::AlarmView: request.kind = RequestKind::AlarmInputs; break;
    case Requester::CalibrationButton: request.kind = RequestKind::Calibration; break;
    case Requester::MainWindow:
      request.kind = RequestKind::LogCurrentState;
      request.site = controls_.logSite;
      break;
    case Requester::SettingsView: request.kind = RequestKind::Settings; break;
    case Requester::HistoryView: request.kind = RequestKind::HistoryBlock; break;
  }
  return request;
}

namespace {

bool sameReading(const LinkRequest& a, const LinkRequest& b) { return a.kind == b.kind && a.site == b.site; }

bool isListRequest(RequestKind kind) { return kind == RequestKind::Settings || kind == RequestKind::HistoryBlock; }

}  // namespace

RequestId LinkController::Getdata(Requester requester) {
  LinkRequest request = requestFor(requester);
  if (active_ && !active_->cancelled && sameReading(active_->request, request)) return active_->request.id;
  for (const LinkRequest& waiting : queue_)
    if (sameReading(waiting, request)) return waiting.id;
  request.id = ++lastId_;
  if (const auto heldBy = lineHeldBy()) {
    endWaitingViewsOf(request.kind);
    announce(RequestOutcome{request, OutcomeKind::Refused, *heldBy, services_.clock.localNow(), {}});
    return request.id;
  }
  queue_.push_back(request);
  pump();
  return request.id;
}

// What keeps a request from going out at all (rather than waiting its turn).
std::optional<std::string> LinkController::lineHeldBy() const {
  if (shutDown_) return "the program is closing";
  if (state_.Dialling) return "a call is being dialled";
  if (state_.HangingUp) return "the modem is hanging up";
  return std::nullopt;
}

bool LinkController::lineFree() const {
  return !state_.RequestBusy && !state_.StartupHold && !lineHeldBy();
}

void LinkController::updateBusy() {
  state_.RequestBusy = active_.has_value() || state_.LineReserved || state_.WritePending || state_.Settling;
}

// Sends waiting requests while the line is free. A settings or history
// request waits behind a current-state reading of its site when that site's
// class may not be known.
void LinkController::pump() {
  if (pumping_) return;
  pumping_ = true;
  while (!queue_.empty() && lineFree()) {
    const LinkRequest next = queue_.front();
    if (needsCurrentStateFirst(next)) {
      state_.Deferred = next.kind == RequestKind::Settings ? DeferredRequest::Settings : DeferredRequest::History;
      startRequest(LinkRequest{++lastId_, RequestKind::CurrentState, next.site, Requester::CurrentStateView});
    } else {
      queue_.pop_front();
      startRequest(next);
    }
  }
  pumping_ = false;
}

// The deferral is set at start, by every site change and by the end of a
// call, and cleared only by a current-state reply of the selected site: a
// list of the selected site is never read before its class is known.
bool LinkController::needsCurrentStateFirst(const LinkRequest& request) const {
  return isListRequest(request.kind) && state_.Deferred != DeferredRequest::None;
}

std::optional<Scaling> LinkController::knownScaling(int site) const {
  if (site < 0 || site >= kSiteCount) return std::nullopt;
  return knownScaling_[static_cast<std::size_t>(site)];
}

void LinkController::startRequest(const LinkRequest& request) {
  if (state_.DirectMode && !links_.directPort.Open()) OpenDirectPort();
  active_ = ActiveRequest{request};
  state_.Kind = request.kind;
  // The site this request is for, whether it goes out or fails here.
  state_.RequestSite = request.site;
  if (request.kind == RequestKind::HistoryBlock) state_.HistoryBlock = 1;
  updateBusy();
  if (!connected()) {
    services_.views.showLinkStatus(LinkStatus::CantOpenPort);
    failRequest(OutcomeKind::PortFailed,
                state_.DirectMode ? (lastPortError_.empty() ? "the port is not open" : lastPortError_)
                                  : "no modem connection");
    return;
  }
  sendRequest(request.site);
}

void LinkController::sendRequest(int site) {
  const RequestKind kind = state_.Kind;
  LinkPort& port = activePort();
  ReplyMatcher& matcher = activeMatcher();
  try {
    discardWaitingInput(port, matcher);
    matcher.setPacketSize(replyLength(kind));
    matcher.setTimeOut(replyTimeoutForBaudIndex(controls_.baudIndex));
    matcher.setEnabled(true);
    port.SendString(requestFrame(kind, site, state_.HistoryBlock));
  } catch (const std::exception& error) {
    // The request never reached the line: end it as a failed one rather than
    // leave the matcher waiting for a reply that cannot come.
    matcher.setEnabled(false);
    failRequest(OutcomeKind::PortFailed, error.what());
    return;
  }
  services_.views.showLinkStatus(LinkStatus::RequestSent);
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

// ---- Outcomes -------------------------------------------------------------

int LinkController::subscribe(OutcomeListener listener) {
  listeners_.emplace_back(++lastListener_, std::move(listener));
  return lastListener_;
}

void LinkController::unsubscribe(int handle) {
  std::erase_if(listeners_, [handle](const auto& entry) { return entry.first == handle; });
}

LinkController::ActiveRequest LinkController::takeActive() {
  ActiveRequest ended = *active_;
  active_.reset();
  updateBusy();
  return ended;
}

void LinkController::conclude(const LinkRequest& request, OutcomeKind kind, std::string reason) {
  announce(RequestOutcome{request, kind, std::move(reason), services_.clock.localNow(), knownScaling(request.site)});
  pump();
}

// Listeners may ask for more, or stop listening, while they hear an outcome.
void LinkController::announce(const RequestOutcome& outcome) {
  if (!outcome.ok()) abandonReadBackOf(outcome.request);
  const auto listeners = listeners_;
  for (const auto& entry : listeners) {
    const int handle = entry.first;
    const bool stillListening = std::any_of(listeners_.begin(), listeners_.end(),
                                            [handle](const auto& listening) { return listening.first == handle; });
    if (stillListening) entry.second(outcome);
  }
}

// The request on the line ended without its record. The status text, the
// views and the records say so; a list that waited for this current-state
// reading cannot go out without it and ends the same way.
void LinkController::failRequest(OutcomeKind kind, std::string reason) {
  if (!active_) return;
  const ActiveRequest ended = takeActive();
  if (ended.cancelled) {
    pump();
    return;
  }
  services_.views.showLinkStatus(kind == OutcomeKind::ReadError ? LinkStatus::ReadError : LinkStatus::CommFail);
  cleanUpFailedRequest();
  services_.feedback.beep();
  const bool listDeferred = state_.Deferred == DeferredRequest::Settings || state_.Deferred == DeferredRequest::History;
  const bool listWaited = listDeferred && ended.request.kind == RequestKind::CurrentState && !queue_.empty() &&
                          queue_.front().site == ended.request.site && isListRequest(queue_.front().kind);
  if (!listWaited) {
    conclude(ended.request, kind, std::move(reason));
    return;
  }
  const LinkRequest list = takeWaitingList();
  announce(RequestOutcome{ended.request, kind, reason, services_.clock.localNow(), knownScaling(ended.request.site)});
  conclude(list, kind, std::move(reason));
}

LinkRequest LinkController::takeWaitingList() {
  const LinkRequest list = queue_.front();
  queue_.pop_front();
  state_.Deferred = DeferredRequest::CurrentStateFirst;
  state_.Kind = list.kind;
  cleanUpFailedRequest();
  return list;
}

// Ends a request that was not (or is no longer) wanted without a word on the
// status bar: nothing failed. Its frame, if one is out, keeps the line busy
// until its reply or time-out, which are dropped.
void LinkController::cancelActive(const std::string& reason) {
  if (!active_ || active_->cancelled) return;
  if (state_.Kind == RequestKind::AlarmInputs && state_.AlarmDialActive) state_.HangupRequested = true;
  active_->cancelled = true;
  const LinkRequest request = active_->request;
  if (state_.LineReserved) {
    // No frame is out: the request is over now, and its next frame is not sent.
    dropWaitingContinuations();
    state_.LineReserved = false;
    takeActive();
  } else if (state_.Settling) {
    // It waited to be asked again once the line is quiet: it is not.
    resendAfterSettling_ = false;
    takeActive();
  }
  abandonReadBackOf(request);
  endWaitingViews();
  announce(RequestOutcome{request, OutcomeKind::Cancelled, reason, services_.clock.localNow(), knownScaling(request.site)});
}

void LinkController::cancelWaiting(const std::string& reason, bool keepLogReadings) {
  std::deque<LinkRequest> cancelled;
  std::deque<LinkRequest> kept;
  for (const LinkRequest& request : queue_)
    (keepLogReadings && request.kind == RequestKind::LogCurrentState ? kept : cancelled).push_back(request);
  queue_ = std::move(kept);
  for (const LinkRequest& request : cancelled) {
    abandonReadBackOf(request);
    endWaitingViewsOf(request.kind);
    announce(RequestOutcome{request, OutcomeKind::Cancelled, reason, services_.clock.localNow(), knownScaling(request.site)});
  }
}

// A request that ends before it went out: the view that asked stops waiting;
// no record was touched.
void LinkController::endWaitingViewsOf(RequestKind kind) {
  switch (kind) {
    case RequestKind::CurrentState:
      services_.views.hideCurrentStateWait();
      services_.views.labelupdate();
      break;
    case RequestKind::Settings: services_.views.setdisplay(); break;
    case RequestKind::Calibration: services_.views.caldisplay(); break;
    case RequestKind::HistoryBlock:
      services_.views.hideHistoryWait();
      services_.views.drawgraph();
      break;
    case RequestKind::AlarmInputs: services_.views.setAlarmPollPending(false); break;
    case RequestKind::LogCurrentState: break;
  }
}

bool LinkController::awaiting(RequestKind kind) const {
  if (active_ && !active_->cancelled && active_->request.kind == kind) return true;
  return std::any_of(queue_.begin(), queue_.end(), [kind](const LinkRequest& r) { return r.kind == kind; });
}

// ---- Replies --------------------------------------------------------------

void LinkController::datapack1Packet(ReplyMatcher& sender, const std::uint8_t* bytes, std::int32_t size) {
  if (state_.Settling) {
    lateBytes(size);
    return;
  }
  endModemCollection(sender);
  if (!active_ || state_.LineReserved) {
    lateBytesDropped_ += static_cast<std::uint64_t>(std::max(size, 0));
    return;
  }
  if (active_->cancelled) {
    takeActive();
    pump();
    return;
  }
  const RequestKind kind = state_.Kind;
  const std::span<const std::uint8_t> reply(bytes, bytes ? static_cast<std::size_t>(std::max(size, 0)) : 0);
  if (!replyFramingOk(kind, reply)) {
    handleReadError();
    return;
  }
  if (isForeign(bytes)) {
    dropForeignReply();
    return;
  }
  services_.views.showLinkStatus(LinkStatus::DataReceived);
  services_.feedback.beep();
  if (kind == RequestKind::CurrentState || kind == RequestKind::LogCurrentState) learnClass(bytes[0]);
  if (kind == RequestKind::HistoryBlock) {
    storeHistoryBlock(bytes);
    return;
  }
  const ActiveRequest answered = takeActive();
  switch (kind) {
    case RequestKind::CurrentState: storeCurrentState(bytes); break;
    case RequestKind::LogCurrentState: storeLogReading(bytes); break;
    case RequestKind::Settings: storeSettings(bytes); break;
    case RequestKind::Calibration: storeCalibration(bytes); break;
    case RequestKind::AlarmInputs: storeAlarmInputs(bytes); break;
    case RequestKind::HistoryBlock: break;
  }
  conclude(answered.request, OutcomeKind::Record);
}

// A current-state reply opens with the regulator's type code. One that
// differs from what the same site said before in this run is most likely a
// late reply of another site: it is dropped and the site asked once more.
// Asked again, a site that still gives the new type has been replaced.
// Once a site has failed to answer in time, its reply may come later than
// any guard time: the first type a site gives after that is not believed
// until a second reading confirms it.
bool LinkController::isForeign(const std::uint8_t* reply) const {
  const RequestKind kind = state_.Kind;
  if (kind != RequestKind::CurrentState && kind != RequestKind::LogCurrentState) return false;
  if (active_->foreignSeen) return false;
  const auto known = knownType_[static_cast<std::size_t>(state_.RequestSite)];
  return known ? *known != reply[0] : lateReplyPossible_;
}

void LinkController::dropForeignReply() {
  ++foreignRepliesDropped_;
  active_->foreignSeen = true;
  resendAfterSettling_ = true;
  settleLine();
}

void LinkController::learnClass(std::uint8_t typeCode) {
  const auto site = static_cast<std::size_t>(state_.RequestSite);
  knownType_[site] = typeCode;
  knownScaling_[site] = scalingForCurrentState(typeCode);
}

// A reply that fails its framing check is not stored: the request ends as a
// failed one, and "Read Error" stays on view. The rest of a damaged reply
// may still be arriving: the line settles before it is used again.
void LinkController::handleReadError() {
  hangUpActiveCall();
  settleLine();
  failRequest(OutcomeKind::ReadError, "the reply did not check");
}

ReadStamp LinkController::readStamp() const {
  const auto scaling = knownScaling(state_.RequestSite);
  return {state_.RequestSite, services_.clock.localNow(), scaling ? scaling->voltageMultiplier : 0};
}

void LinkController::storeCurrentState(const std::uint8_t* reply) {
  const std::span<const std::uint8_t> bytes(reply, 27);
  storeReply(data_, RequestKind::CurrentState, bytes, state_.HistoryBlock, readStamp());
  services_.feedback.beep();
  services_.views.hideCurrentStateWait();
  services_.views.showLinkStatus(LinkStatus::DataReceived);
  services_.views.enableSaveOption(SaveOption::CurrentState);
  services_.views.labelupdate();

  const DeferredRequest deferred = state_.Deferred;
  state_.Deferred = DeferredRequest::None;
  if (deferred == DeferredRequest::Settings || deferred == DeferredRequest::History)
    reserveLineThen(kDeferredRequestWait, &LinkController::pump);
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
  const bool transferDone = state_.HistoryBlock < 1 || state_.HistoryBlock > kHistoryBlocks;
  if (transferDone) {
    services_.views.hideHistoryWait();
    state_.HistoryBlock = 0;
  }
  services_.feedback.beep();
  services_.views.setHistoryProgress(state_.HistoryBlock - 1);
  services_.views.drawgraph();
  services_.views.enableSaveOption(SaveOption::History);
  if (transferDone) {
    conclude(takeActive().request, OutcomeKind::Record);
    return;
  }
  sendNextHistoryBlock();
}

void LinkController::sendNextHistoryBlock() {
  if (lineHeldBy() || !connected()) {
    failRequest(OutcomeKind::PortFailed, lineHeldBy().value_or("the port closed during the transfer"));
    return;
  }
  sendRequest(state_.RequestSite);
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
  updateBusy();
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
  updateBusy();
}

// ---- The quiet time after a failed request --------------------------------

// A reply that came too late, or only in part, may go on arriving: were the
// next request sent now, those bytes would be taken for its reply, and one
// site's values shown as another's. The line is used again only once no byte
// has arrived for the guard time; what comes meanwhile is dropped.
void LinkController::settleLine() {
  state_.Settling = true;
  guardRestarts_ = 0;
  updateBusy();
  settlingMatcher_ = &activeMatcher();
  try {
    settlingMatcher_->setEnabled(false);
    settlingMatcher_->setPacketSize(1);
    settlingMatcher_->setTimeOut(0);
    settlingMatcher_->setEnabled(true);
  } catch (const std::exception&) {
    // A matcher that cannot watch the line still lets the guard time run.
  }
  restartGuard();
}

std::chrono::milliseconds LinkController::guardTime() const {
  constexpr int kBitsPerByte = 10;
  const int baud = state_.DirectMode ? baudRateForIndex(controls_.baudIndex) : 2400;
  const int longestReply = replyLength(RequestKind::HistoryBlock);
  const std::chrono::milliseconds wireTime{longestReply * kBitsPerByte * 1000 / baud};
  return std::chrono::milliseconds{replyTimeoutForBaudIndex(controls_.baudIndex) * kTickMilliseconds} + wireTime;
}

void LinkController::restartGuard() {
  const std::uint64_t generation = ++guardGeneration_;
  std::weak_ptr<LinkController*> alive = self_;
  services_.clock.callAfter(guardTime(), [alive, generation] {
    const auto self = alive.lock();
    if (!self || (*self)->guardGeneration_ != generation) return;
    (*self)->endSettling();
  });
}

void LinkController::lateBytes(std::int32_t size) {
  lateBytesDropped_ += static_cast<std::uint64_t>(std::max(size, 0));
  if (++guardRestarts_ <= kMaxGuardRestarts) restartGuard();
  try {
    settlingMatcher_->setEnabled(false);
    settlingMatcher_->setEnabled(true);
  } catch (const std::exception&) {
    // Not watched any further; the guard time runs out by itself.
  }
}

void LinkController::endSettling() {
  if (!state_.Settling) return;
  state_.Settling = false;
  ++guardGeneration_;
  if (settlingMatcher_) settlingMatcher_->setEnabled(false);
  settlingMatcher_ = nullptr;
  updateBusy();
  const bool resend = resendAfterSettling_;
  resendAfterSettling_ = false;
  if (resend && active_ && !active_->cancelled) {
    if (lineHeldBy() || !connected()) {
      failRequest(OutcomeKind::PortFailed, lineHeldBy().value_or("the port closed"));
      return;
    }
    sendRequest(state_.RequestSite);
    return;
  }
  if (resend && active_) takeActive();
  pump();
}

// ---- Failures -------------------------------------------------------------

void LinkController::datapack1Timeout(ReplyMatcher& sender) {
  if (state_.Settling) return;
  endModemCollection(sender);
  state_.StartupHold = false;
  if (!active_ || state_.LineReserved) return;
  const bool cancelled = active_->cancelled;
  if (!cancelled) {
    services_.views.showLinkStatus(LinkStatus::DataTimeout);
    hangUpActiveCall();
  }
  lateReplyPossible_ = true;
  settleLine();
  failRequest(OutcomeKind::TimedOut, "no reply came in time");
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

// A failed list is marked read, so that showing it again does not retry.
// The record keeps its values and is marked failed; a history transfer marks
// the days it did not read where it ends.
void LinkController::cleanUpFailedRequest() {
  abandonReadBackOf(LinkRequest{kNoRequest, state_.Kind, state_.RequestSite, Requester::CurrentStateView});
  if (state_.Kind != RequestKind::HistoryBlock) markReadFailed(data_.origins, state_.Kind, 0, state_.RequestSite);
  if (state_.Kind == RequestKind::Settings) data_.SettingsRead = true;
  if (state_.Kind == RequestKind::Calibration) data_.CalibrationRead = true;
  endWaitingViews();
}

// Takes down what the requesting view shows while it waits.
void LinkController::endWaitingViews() {
  switch (state_.Kind) {
    case RequestKind::CurrentState:
      services_.views.hideCurrentStateWait();
      services_.views.labelupdate();
      break;
    // The editor shows the list again: it says now that the reading failed,
    // and a write waiting for this read-back is over.
    case RequestKind::Settings: services_.views.setdisplay(); break;
    case RequestKind::Calibration: services_.views.caldisplay(); break;
    case RequestKind::HistoryBlock: endHistoryTransfer(); break;
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
  markReadFailed(data_.origins, RequestKind::HistoryBlock, std::max(state_.HistoryBlock, 1), state_.RequestSite);
  services_.views.hideHistoryWait();
  state_.HistoryBlock = 0;
  services_.views.drawgraph();
}

void LinkController::shutDown() {
  shutDown_ = true;
  dropWaitingContinuations();
  if (state_.LineReserved) releaseLine();
  releaseWriteHold();
  std::deque<LinkRequest> waiting;
  waiting.swap(queue_);
  for (const LinkRequest& request : waiting) {
    endWaitingViewsOf(request.kind);
    announce(RequestOutcome{request, OutcomeKind::Refused, "the program is closing", services_.clock.localNow(), {}});
  }
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
  links_.modemMatcher.setEnabled(false);
  if (state_.DirectMode) return;
  if (state_.Settling) {
    resendAfterSettling_ = false;
    state_.Settling = false;
    ++guardGeneration_;
    settlingMatcher_ = nullptr;
  }
  if (!active_) {
    updateBusy();
    return;
  }
  // A chained request (the next history block, a deferred list) would go out
  // on whatever link is selected when its wait ends: on the direct line, to
  // another site than the one this call reached.
  dropWaitingContinuations();
  state_.LineReserved = false;
  const ActiveRequest ended = takeActive();
  if (ended.cancelled) return;
  cleanUpFailedRequest();
  announce(RequestOutcome{ended.request, OutcomeKind::Cancelled, "the call ended", services_.clock.localNow(),
                          knownScaling(ended.request.site)});
}

// ---- Site change ----------------------------------------------------------

// The requests of the site left end now, each with its outcome; a log
// reading is for the log site, whatever site is selected, and goes on.
void LinkController::siteselChanging() {
  services_.views.disableSaveOptions();
  state_.Deferred = DeferredRequest::CurrentStateFirst;
  data_.CalibrationRead = false;
  data_.SettingsRead = false;
  cancelWaiting("the site was changed", true);
  if (active_ && state_.Kind != RequestKind::LogCurrentState) cancelActive("the site was changed");
}

// ---- The dial-up supervisor's transitions ---------------------------------

void LinkController::setDialPending(DialReason reason, bool pending) {
  if (reason == DialReason::Log) state_.LogDialPending = pending;
  if (reason == DialReason::Alarm) state_.AlarmDialPending = pending;
}

void LinkController::takeLineForCall(DialReason reason) {
  const std::string why = "the line was taken for a call";
  cancelWaiting(why, false);
  if (active_) {
    cancelActive(why);
    links_.directMatcher.setEnabled(false);
    if (active_) takeActive();
  }
  if (state_.Settling) {
    resendAfterSettling_ = false;
    endSettling();
  }
  state_.LineIdle = false;
  state_.DirectMode = false;
  if (reason == DialReason::Log) {
    state_.LogDialActive = true;
    state_.LogDialPending = false;
  } else if (reason == DialReason::Alarm) {
    state_.AlarmDialActive = true;
    state_.AlarmDialPending = false;
  }
  updateBusy();
}

void LinkController::startDialling() { state_.Dialling = true; }

void LinkController::callConnected() {
  state_.ModemConnected = true;
  state_.Dialling = false;
  updateBusy();
}

void LinkController::requestHangup() { state_.HangupRequested = true; }

void LinkController::clearHangupRequest() { state_.HangupRequested = false; }

void LinkController::beginHangup() {
  endModemRequests();
  state_.HangingUp = true;
}

void LinkController::endCallReadings() {
  if (!state_.LogDialActive && !state_.AlarmDialActive) return;
  state_.LogDialActive = false;
  state_.AlarmDialActive = false;
  if (!state_.LineIdle) state_.HangupRequested = true;
}

void LinkController::returnToDirect() {
  endModemRequests();
  state_.HangingUp = false;
  state_.HangupRequested = false;  // the call is over: nothing is left to hang up
  state_.Dialling = false;
  state_.ModemConnected = false;
  state_.AlarmDialActive = false;
  state_.LogDialActive = false;
  state_.LineIdle = true;
  state_.DirectMode = true;
  updateBusy();
  ShowLinkInStatus();
  state_.Deferred = DeferredRequest::CurrentStateFirst;
  data_.SettingsRead = false;
  data_.CalibrationRead = false;
  pump();
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
  pump();
}

void LinkController::updateLogCountdownDisplay() {
  if (controls_.rateHours < state_.HoursToLog) state_.HoursToLog = controls_.rateHours;
  services_.views.showHoursToLog(state_.HoursToLog, controls_.periodicLogging);
}

void LinkController::runBusyWatchdog() {
  if (state_.BusyCountdown > kBusyWatchdogSeconds) state_.BusyCountdown = kBusyWatchdogSeconds;
  if (state_.BusyCountdown > 0) {
    --state_.BusyCountdown;
    return;
  }
  // A held line is released by its own chained request or guard time.
  if (state_.LineReserved || state_.Settling) return;
  timeOutStalledRequest();
  endStalledWrite();
}

// The modem line's collector times out only once a reply has begun: a remote
// site that never answers would leave the request outstanding, the call up
// until its limit, and nothing said. A port that has gone may never time out
// either. The watchdog ends such a request as a time-out.
void LinkController::timeOutStalledRequest() {
  if (active_) {
    datapack1Timeout(activeMatcher());
    return;
  }
  if (links_.modemMatcher.Enabled()) links_.modemMatcher.setEnabled(false);
}

void LinkController::onHourChange(int hour) {
  state_.LastHour = hour;
  state_.HoursToLog = std::max(state_.HoursToLog - 1, 0);
  if (state_.HoursToLog >= 1 || !controls_.periodicLogging) return;

  state_.HoursToLog = controls_.rateHours;
  if (controls_.logByDialup) {
    // The log site is the remote one: its reading goes only over a call made
    // for it. One already pending or active makes the reading; the direct
    // line has another site at that number.
    if (!state_.LogDialPending && !state_.LogDialActive)
      services_.dialSupervisor.dialup(DialReason::Log, controls_.logNumber);
    return;
  }
  if (state_.DirectMode || state_.ModemConnected) Getdata(Requester::MainWindow);
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
