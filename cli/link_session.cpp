#include "cli/link_session.h"

namespace solwire::cli {

namespace {

constexpr std::chrono::milliseconds kTimer1Interval{1000};

// A few character times at `baud`: the answering site's driver lets go of a
// shared line within them. Longer waits buy nothing: bytes that come later
// than this are the controller's to drop (its quiet time after a failure,
// its type check), and a fixed wait before every request of a 32-site round
// would cost more than the replies themselves.
std::chrono::milliseconds lineSettleTime(int baud) {
  constexpr int kCharacters = 3;
  constexpr int kBitsPerCharacter = 10;
  const int ms = (kCharacters * kBitsPerCharacter * 1000 + baud - 1) / baud;
  return std::chrono::milliseconds{ms};
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
      lineSettle_(lineSettleTime(baudRateForIndex(options.baudIndex))) {
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
  // Bytes still on their way (from before this session, or after a read that
  // failed) must be in before the request goes out, so that the controller
  // discards them instead of taking them for the start of the reply. After a
  // whole reply the line is quiet: the next request goes out at once.
  if (settleFirst_) ui_.runFor(lineSettle_);
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

LinkSession::WriteOutcome LinkSession::write(int address, int data) {
  ui_.runFor(lineSettle_);
  views_.statuses.clear();
  WriteOutcome outcome;
  outcome.result = controller_->writeMemory(address, data);
  if (outcome.result == WriteResult::Sent)
    ui_.runUntil([this] { return controller_->lastWrite().settled() && !controller_->lineBusy(); }, kReadLimit);
  outcome.check = controller_->lastWrite();
  return outcome;
}

}  // namespace solwire::cli
