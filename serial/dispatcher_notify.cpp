// Calling the notification targets, with read-ahead for data notifications:
// every target reads the same bytes, and the ring's read position then
// advances by the most any target took.
#include "serial/base_dispatcher.h"

namespace solwire {

bool TBaseDispatcher::notifyTargets(const Notification& n) {
  {
    std::lock_guard lock(mutex_);
    if (stopRequested_) return false;
    notifying_ = true;
  }
  bool served = false;
  notifications_.fetch_add(1, std::memory_order_relaxed);
  const bool readAhead = n.code == notify::kDataAvailable || n.code == notify::kDataTrigger;
  {
    std::lock_guard lock(targetsMutex_);
    iterating_ = true;
  }
  if (readAhead) {
    std::lock_guard lock(ringMutex_);
    readAhead_ = true;
    readAheadMax_ = 0;
    reader_ = nullptr;
  }
  for (const TargetKind kind : {TargetKind::Event, TargetKind::Window}) {
    for (std::size_t i = 0;; ++i) {
      std::shared_ptr<TargetRecord> target;
      {
        std::lock_guard lock(targetsMutex_);
        if (i >= targets_.size()) break;
        target = targets_[i];
        if (target->removed || target->kind != kind) continue;
      }
      if (readAhead) {
        std::lock_guard lock(ringMutex_);
        target->readCount = 0;
        reader_ = target.get();
      }
      served = true;
      try {
        target->call(n);
      } catch (...) {
        // Targets report their own handlers' exceptions; nothing may end this thread.
      }
    }
  }
  if (readAhead) endReadAhead();
  {
    std::lock_guard lock(targetsMutex_);
    iterating_ = false;
    purgeRemovedTargets();
  }
  std::lock_guard lock(mutex_);
  notifying_ = false;
  notificationEnded_.notify_all();
  return served;
}

void TBaseDispatcher::endReadAhead() {
  bool consumed;
  {
    std::lock_guard lock(ringMutex_);
    consumed = readAheadMax_ > 0;
    ring_->consume(readAheadMax_);
    readAhead_ = false;
    reader_ = nullptr;
    readAheadMax_ = 0;
  }
  if (consumed) spaceFreed();
}

}  // namespace solwire
