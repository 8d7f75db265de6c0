#include "sim/simulated_line_service.h"

#include "protocol/main_thread_clock.h"

namespace solwire::sim {

SimulatedLineService::SimulatedLineService(int baud, std::uint32_t seed)
    : line_(InMemoryLine::create(false)), bus_(seed), server_(bus_, baud) {
  bus_.addSite(0, 2);
  bus_.addSite(1, 21);
  bus_.addSite(2, 6);
  bus_.addSite(3, 14);
  line_->setOnPortWrite([this] {
    std::lock_guard lock(mutex_);
    hostWrote_ = true;
    wake_.notify_one();
  });
  thread_ = std::thread([this] { serve(); });
}

SimulatedLineService::~SimulatedLineService() {
  line_->setOnPortWrite(nullptr);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    wake_.notify_one();
  }
  thread_.join();
}

void SimulatedLineService::registerAs(VirtualDeviceRegistry& registry, const std::string& name) {
  std::weak_ptr<InMemoryLine> line = line_;
  registry.add(name, [line]() -> std::unique_ptr<SerialDevice> {
    const auto alive = line.lock();
    return alive ? alive->makeDevice() : nullptr;
  });
}

void SimulatedLineService::withBus(const std::function<void(RegulatorBus&)>& change) {
  std::lock_guard lock(mutex_);
  change(bus_);
}

// Waits for the host's bytes or the next reply byte's time, whichever comes first.
void SimulatedLineService::serve() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const auto next = server_.nextDue();
    const auto woken = [this] { return stopping_ || hostWrote_; };
    if (next)
      wake_.wait_until(lock, *next, woken);
    else
      wake_.wait(lock, woken);
    if (stopping_) break;
    if (hostWrote_) {
      hostWrote_ = false;
      const auto sent = line_->takeSent();
      if (!sent.empty()) server_.received(sent, std::chrono::steady_clock::now(), systemLocalTime());
    }
    const auto due = server_.takeDue(std::chrono::steady_clock::now());
    if (!due.empty()) line_->write(due);
  }
}

}  // namespace solwire::sim
