#include "cli/link_session.h"

#include <algorithm>

namespace solwire::cli {

namespace {

constexpr std::chrono::milliseconds kTimer1Interval{1000};

constexpr int kBitsPerCharacter = 10;

std::chrono::milliseconds characterTimes(int count, int baud) {
  return std::chrono::milliseconds{(count * kBitsPerCharacter * 1000 + baud - 1) / baud};
}

// Long enough for a few late bytes of a reply that failed (or of another
// program's last request) to arrive at `baud`.
std::chrono::milliseconds quietAfterFailure(int baud) {
  return std::max(std::chrono::milliseconds{100}, characterTimes(8, baud));
}

}  // namespace

std::optional<int> comNumberOf(const std::string& port) {
  if (port.size() != 4 || port.compare(0, 3, "COM") != 0) return std::nullopt;
  const char digit = port[3];
  if (digit < '1' || digit > '8') return std::nullopt;
  return digit - '0';
}

std::optional<int> baudIndexOf(const std::string& text) {
  for (int i = 0; i < kOfferedBaudCount; ++i)
    if (text == std::to_string(baudRateForIndex(i))) return i;
  return std::nullopt;
}

LinkSession::LinkSession(const SessionOptions& options, const VirtualDeviceRegistry& registry, MonotonicClock& clock,
                         SessionSchedule schedule)
    : ui_(clock),
      devices_(PortNames(), &registry),
      link_(ui_, ui_, devices_, clock),
      clock_(ui_, std::move(schedule.localTime)),
      views_(std::move(schedule.onStatus)),
      baud_(baudRateForIndex(options.baudIndex)) {
  LinkControls controls;
  controls.site = options.site;
  controls.baudIndex = options.baudIndex;
  controls.periodicLogging = schedule.periodicLogging;
  controls.rateHours = schedule.rateHours;
  controls.logSite = schedule.logSite;
  if (schedule.onDeviceLost) {
    link_.Comport1.OnDeviceLost = [this, lost = std::move(schedule.onDeviceLost)](TComPort&) {
      deviceLost_ = true;
      lost();
    };
  }
  if (const auto com = comNumberOf(options.port))
    controls.directPortIndex = *com - 1;
  else
    link_.Comport1.setDevicePath(options.port);
  LogWriter& logWriter = schedule.logWriter ? *schedule.logWriter : log_;
  controller_ = std::make_unique<LinkController>(
      LinkEndpoints{link_.Comport1, link_.datapack1, link_.Comport2, link_.Datapack2},
      LinkServices{clock_, views_, feedback_, logWriter, modem_}, controls, startValues(4, 1));
  waiter_ = std::make_unique<RequestWaiter>(*controller_);
  if (schedule.onOutcome) controller_->subscribe(std::move(schedule.onOutcome));
  tick();
}

LinkSession::~LinkSession() {
  ui_.stopTimer(timer1_);
  waiter_.reset();
  controller_.reset();
}

void LinkSession::tick() {
  controller_->Timer1Timer();
  // The quiet time after a failed request may still hold the line: it keeps
  // nothing worth waiting for on a device that is gone.
  if (deviceLost_ && controller_->requestsOpen() == 0) closeLostPort();
  timer1_ = ui_.startTimer(kTimer1Interval, [this] { tick(); });
}

// A port whose device has gone stays open on nothing; closed, it is opened
// afresh by the next request, which finds the device if it is back.
void LinkSession::closeLostPort() {
  deviceLost_ = false;
  try {
    if (link_.Comport1.Open()) link_.Comport1.setOpen(false);
  } catch (const std::exception&) {
    // Closing a vanished device can fail; the next open starts over either way.
  }
}

bool LinkSession::read(Requester requester) {
  letLineSettle();
  // A port whose device went away since the last read is opened afresh by
  // this one, not used as it is.
  // The quiet time after a failed request may still hold the line: it keeps
  // nothing worth waiting for on a device that is gone.
  if (deviceLost_ && controller_->requestsOpen() == 0) closeLostPort();
  views_.statuses.clear();
  lastOutcome_ = awaitOutcome(*waiter_, requester, [this](const std::function<bool()>& ended) {
    ui_.runUntil(ended, kReadLimit);
  });
  settleFirst_ = !lastOutcome_.ok();
  return lastOutcome_.ok();
}

RequestOutcome awaitOutcome(RequestWaiter& waiter, Requester requester,
                            const std::function<void(const std::function<bool()>& ended)>& run) {
  const RequestId id = waiter.ask(requester);
  run([&] { return waiter.ended(id); });
  if (auto outcome = waiter.take(id)) return *outcome;
  RequestOutcome stalled;
  stalled.request.id = id;
  stalled.kind = OutcomeKind::TimedOut;
  stalled.reason = "no outcome within " + std::to_string(LinkSession::kReadLimit.count()) + " s";
  return stalled;
}

// Bytes still on their way must be in before the next request goes out, so
// that the controller discards them instead of taking them for the start of
// its reply. Before the first read and after a failed one that may take a
// while. After a whole reply the line is quiet at once unless the site goes
// on sending: two character times tell, so that a round of 32 sites does not
// pay a fixed wait before each request.
void LinkSession::letLineSettle() {
  if (settleFirst_) {
    ui_.runFor(quietAfterFailure(baud_));
    return;
  }
  ui_.runFor(characterTimes(2, baud_));
  if (link_.Comport1.Open() && link_.Comport1.InBuffUsed() > 0) ui_.runFor(quietAfterFailure(baud_));
}

LinkSession::WriteOutcome LinkSession::write(int address, int data) {
  ui_.runFor(quietAfterFailure(baud_));
  views_.statuses.clear();
  WriteOutcome outcome;
  outcome.result = controller_->writeMemory(address, data);
  if (outcome.result == WriteResult::Sent)
    ui_.runUntil([this] { return controller_->lastWrite().settled() && !controller_->lineBusy(); }, kReadLimit);
  outcome.check = controller_->lastWrite();
  return outcome;
}

}  // namespace solwire::cli
