#include "sim/simulated_modem_service.h"

#include "protocol/main_thread_clock.h"

namespace solwire::sim {

namespace {

// The speed of the telephone line between the two modems.
constexpr int kTelephoneLineBaud = 2400;

}  // namespace

HayesModemOptions builtInModemOptions() {
  HayesModemOptions options;
  options.answers = {{"555", DialAnswer::Busy}, {"556", DialAnswer::NoCarrier}, {"557", DialAnswer::NeverAnswer}};
  return options;
}

SimulatedModemService::SimulatedModemService(HayesModemOptions options, MonotonicClock& clock, std::uint32_t seed)
    : clock_(clock),
      line_(InMemoryLine::create(true)),
      bus_(seed),
      modem_(bus_, std::move(options), kTelephoneLineBaud) {
  bus_.addSite(0, 2);
  bus_.addSite(1, 21);
  bus_.addSite(2, 6);
  bus_.addSite(3, 14);
  line_->setModemLines(*modem_.modemLines());
  const auto wakeUp = [this] {
    std::lock_guard lock(mutex_);
    woken_ = true;
    idle_ = false;
    wake_.notify_one();
  };
  line_->setOnPortWrite(wakeUp);
  clockListener_ = clock_.addListener(wakeUp);
  thread_ = std::thread([this] { serve(); });
}

SimulatedModemService::~SimulatedModemService() {
  line_->setOnPortWrite(nullptr);
  clock_.removeListener(clockListener_);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wake_.notify_one();
  }
  thread_.join();
}

void SimulatedModemService::registerAs(VirtualDeviceRegistry& registry, const std::string& name) {
  std::weak_ptr<InMemoryLine> line = line_;
  registry.add(name, [line]() -> std::unique_ptr<SerialDevice> {
    const auto alive = line.lock();
    return alive ? alive->makeDevice() : nullptr;
  });
}

std::vector<HayesModem::Received> SimulatedModemService::record() const {
  std::lock_guard lock(mutex_);
  return modem_.modem().record();
}

bool SimulatedModemService::waitUntilIdle(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return idleChanged_.wait_for(lock, timeout, [this] { return idle_ && !woken_; });
}

bool SimulatedModemService::carrier() const {
  std::lock_guard lock(mutex_);
  return modem_.modem().dcd();
}

void SimulatedModemService::dropCarrier() {
  std::lock_guard lock(mutex_);
  modem_.dropCarrier();
  pumpLocked();
}

void SimulatedModemService::withBus(const std::function<void(RegulatorBus&)>& change) {
  std::lock_guard lock(mutex_);
  change(bus_);
}

HayesModem::TimePoint SimulatedModemService::now() const {
  return HayesModem::TimePoint(std::chrono::milliseconds(clock_.nowMs()));
}

// Waits for the computer's bytes, a move of the clock, or the next moment the
// modem or the bus has something to send.
void SimulatedModemService::serve() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    pumpLocked();
    const std::optional<HayesModem::TimePoint> next = modem_.nextDue();
    const auto woken = [this] { return stopping_ || woken_; };
    idle_ = !woken_;
    idleChanged_.notify_all();
    if (next) {
      const auto deadline = std::chrono::duration_cast<std::chrono::milliseconds>(next->time_since_epoch()).count();
      wake_.wait_until(lock, clock_.wakeTimeFor(deadline + 1), woken);
    } else {
      wake_.wait(lock, woken);
    }
    woken_ = false;
  }
}

void SimulatedModemService::pumpLocked() {
  const HayesModem::TimePoint at = now();
  // A port closed and opened again between two looks has dropped DTR too.
  const std::uint64_t opens = line_->opens();
  if (!line_->portOpen() || !line_->dtr() || opens != opensSeen_) modem_.dtrDropped();
  opensSeen_ = opens;
  modem_.received(line_->takeSent(), at, systemLocalTime());
  const auto toComputer = modem_.takeDue(at);
  if (!toComputer.empty()) line_->write(toComputer);
  line_->setModemLines(*modem_.modemLines());
}

}  // namespace solwire::sim
