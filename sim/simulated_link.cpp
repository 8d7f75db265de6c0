#include "sim/simulated_link.h"

#include <stdexcept>

#include "sim/line_timing.h"

namespace solwire::sim {

namespace {

std::chrono::milliseconds ticksToDuration(std::uint32_t ticks) {
  return std::chrono::milliseconds{static_cast<std::int64_t>(ticks) * kTickMilliseconds};
}

std::chrono::milliseconds roundUp(std::chrono::microseconds t) {
  return std::chrono::ceil<std::chrono::milliseconds>(t);
}

}  // namespace

SimulatedLinkPort::SimulatedLinkPort(RegulatorBus& bus, Clock& clock)
    : bus_(bus), clock_(clock), self_(std::make_shared<SimulatedLinkPort*>(this)) {}

void SimulatedLinkPort::setOpen(bool open) {
  if (open && refuseOpen_) throw std::runtime_error("the simulated line refuses to open");
  open_ = open;
  if (!open) ++openGeneration_;
}

void SimulatedLinkPort::SendString(std::string_view text) {
  if (!open_) throw std::runtime_error("the simulated line is not open");
  sent_.emplace_back(text);
  const std::vector<std::uint8_t> bytes(text.begin(), text.end());
  for (Reply& reply : bus_.receive(bytes, clock_.localNow())) {
    const auto requestDone = lineTime(reply.requestEnd, baud_);
    const auto replyDone = requestDone + reply.delay + lineTime(reply.bytes.size(), baud_);
    deliverLater(std::move(reply.bytes), replyDone);
  }
}

void SimulatedLinkPort::deliverLater(std::vector<std::uint8_t> bytes, std::chrono::microseconds after) {
  std::weak_ptr<SimulatedLinkPort*> alive = self_;
  const std::uint64_t generation = openGeneration_;
  clock_.callAfter(roundUp(after), [alive, generation, bytes = std::move(bytes)] {
    const auto self = alive.lock();
    if (!self) return;
    SimulatedLinkPort& port = **self;
    // Bytes that arrive on a port closed since they were sent are lost.
    if (!port.open_ || port.openGeneration_ != generation || !port.onReceived) return;
    port.onReceived(bytes);
  });
}

std::uint16_t SimulatedLinkPort::NewTimerTrigger() {
  const std::uint16_t handle = nextHandle_;
  nextHandle_ = static_cast<std::uint16_t>(nextHandle_ + 8);
  timers_[handle] = {};
  return handle;
}

void SimulatedLinkPort::ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) {
  const auto it = timers_.find(handle);
  if (it == timers_.end()) throw std::invalid_argument("bad trigger handle");
  TimerTrigger& timer = it->second;
  ++timer.generation;
  timer.armed = activate;
  if (!activate) return;
  if (ticks != 0) timer.ticks = ticks;
  std::weak_ptr<SimulatedLinkPort*> alive = self_;
  const std::uint64_t generation = timer.generation;
  clock_.callAfter(ticksToDuration(timer.ticks), [alive, handle, generation] {
    const auto self = alive.lock();
    if (!self) return;
    SimulatedLinkPort& port = **self;
    const auto found = port.timers_.find(handle);
    if (found == port.timers_.end() || !found->second.armed || found->second.generation != generation) return;
    found->second.armed = false;
    if (port.OnTriggerTimer) port.OnTriggerTimer(port, handle);
  });
}

void SimulatedLinkPort::DropTrigger(std::uint16_t handle) {
  if (timers_.erase(handle) == 0) throw std::invalid_argument("bad trigger handle");
}

SimulatedReplyMatcher::SimulatedReplyMatcher(SimulatedLinkPort& port, Clock& clock)
    : port_(port), clock_(clock), self_(std::make_shared<SimulatedReplyMatcher*>(this)) {
  port_.onReceived = [this](std::span<const std::uint8_t> bytes) { receive(bytes); };
}

SimulatedReplyMatcher::~SimulatedReplyMatcher() { port_.onReceived = nullptr; }

void SimulatedReplyMatcher::setEnabled(bool enabled) {
  ++generation_;
  enabled_ = enabled;
  collected_.clear();
  if (!enabled || timeOut_ <= 0) return;
  std::weak_ptr<SimulatedReplyMatcher*> alive = self_;
  const std::uint64_t generation = generation_;
  clock_.callAfter(ticksToDuration(static_cast<std::uint32_t>(timeOut_)), [alive, generation] {
    if (const auto self = alive.lock()) (*self)->expire(generation);
  });
}

void SimulatedReplyMatcher::receive(std::span<const std::uint8_t> bytes) {
  if (!enabled_) return;
  collected_.insert(collected_.end(), bytes.begin(), bytes.end());
  if (static_cast<std::int32_t>(collected_.size()) < packetSize_) return;
  // The packet is the first PacketSize bytes; whatever came with them is dropped.
  std::vector<std::uint8_t> packet(collected_.begin(), collected_.begin() + packetSize_);
  enabled_ = false;
  ++generation_;
  collected_.clear();
  if (OnPacket) OnPacket(*this, packet.data(), packetSize_);
}

void SimulatedReplyMatcher::expire(std::uint64_t generation) {
  if (!enabled_ || generation != generation_) return;
  enabled_ = false;
  collected_.clear();
  if (OnTimeout) OnTimeout(*this);
}

}  // namespace solwire::sim
