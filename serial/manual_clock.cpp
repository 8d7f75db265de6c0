#include "serial/manual_clock.h"

#include <algorithm>

namespace solwire {

std::chrono::steady_clock::time_point ManualClock::wakeTimeFor(std::int64_t) const {
  return std::chrono::steady_clock::time_point::max();
}

std::uint64_t ManualClock::addListener(std::function<void()> listener) {
  std::lock_guard lock(listenersMutex_);
  listeners_.push_back({nextId_, std::move(listener)});
  return nextId_++;
}

void ManualClock::removeListener(std::uint64_t id) {
  std::lock_guard lock(listenersMutex_);
  std::erase_if(listeners_, [id](const Listener& l) { return l.id == id; });
}

void ManualClock::advance(std::int64_t ms) {
  now_.fetch_add(ms);
  notifyListeners();
}

void ManualClock::advanceTo(std::int64_t ms) {
  std::int64_t current = now_.load();
  while (current < ms && !now_.compare_exchange_weak(current, ms)) {
  }
  notifyListeners();
}

void ManualClock::notifyListeners() {
  // Listeners run under the lock so that one being removed is never called
  // after its removal has returned.
  std::lock_guard lock(listenersMutex_);
  for (auto& listener : listeners_) listener.call();
}

}  // namespace solwire
