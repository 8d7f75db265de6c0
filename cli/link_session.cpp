#include "cli/link_session.h"

namespace solwire::cli {

namespace {

constexpr std::chrono::milliseconds kTimer1Interval{1000};

}  // namespace

std::optional<int> comNumberOf(const std::string& port) {
  if (port.size() != 4 || port.compare(0, 3, "COM") != 0) return std::nullopt;
  const char digit = port[3];
  if (digit < '1' || digit > '8') return std::nullopt;
  return digit - '0';
}

LinkSession::LinkSession(const SessionOptions& options, const VirtualDeviceRegistry& registry, MonotonicClock& clock)
    : ui_(clock), devices_(PortNames(), &registry), link_(ui_, ui_, devices_, clock), clock_(ui_) {
  LinkControls controls;
  controls.site = options.site;
  controls.baudIndex = options.baudIndex;
  if (const auto com = comNumberOf(options.port))
    controls.directPortIndex = *com - 1;
  else
    link_.Comport1.setDevicePath(options.port);
  controller_ = std::make_unique<LinkController>(
      LinkEndpoints{link_.Comport1, link_.datapack1, link_.Comport2, link_.Datapack2},
      LinkServices{clock_, views_, feedback_, log_, modem_}, controls, startValues(4, 1));
  tick();
}

LinkSession::~LinkSession() {
  ui_.stopTimer(timer1_);
  controller_.reset();
}

void LinkSession::tick() {
  controller_->Timer1Timer();
  timer1_ = ui_.startTimer(kTimer1Interval, [this] { tick(); });
}

bool LinkSession::read(Requester requester) {
  if (requester == Requester::HistoryView) controller_->state().HistoryBlock = 1;
  views_.statuses.clear();
  controller_->Getdata(requester);
  ui_.runUntil([this] { return !controller_->lineBusy(); }, kReadLimit);
  const bool transferDone = requester != Requester::HistoryView || controller_->state().HistoryBlock == 0;
  return !controller_->lineBusy() && transferDone && views_.last() == LinkStatus::DataReceived;
}

}  // namespace solwire::cli
