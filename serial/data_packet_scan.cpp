// Packet matching: receiving bytes, the per-packet scan, delivery and time-out.
#include <algorithm>
#include <atomic>

#include "serial/com_port.h"
#include "serial/comm_exception.h"
#include "serial/data_packet.h"
#include "serial/data_packet_manager.h"

namespace solwire {

using MatchState = TDataPacket::MatchState;

void TDataPacketManager::onNotification(const Notification& n) {
  if (n.code == notify::kDataAvailable) {
    receive(n.param);
  } else if (n.code == notify::kTimer) {
    timeOut(n);
  }
}

void TDataPacketManager::receive(std::uint16_t count) {
  Lock lock(mutex_);
  if (!active_ || count == 0) return;
  if (!busy_ && head_ > 0) compact();
  const std::size_t old = buffer_.size();
  if (old + count > buffer_.capacity()) {
    buffer_.reserve((old + count + kBufferStep - 1) / kBufferStep * kBufferStep);
  }
  buffer_.resize(old + count);
  // Read-ahead: the port's other targets see the same bytes.
  if (dispatcher_->getBlock({buffer_.data() + old, count}) < 0) {
    buffer_.resize(old);
    return;
  }
  scanAll(lock);
}

void TDataPacketManager::validate(const TDataPacket& p) {
  if (p.startCond_ == StartCondition::scAnyData) {
    if (p.endCond_ == 0) throw EInvalidProperty(comm_error::kNoEndCondition);
  } else {
    if (p.startString_.empty()) throw EInvalidProperty(comm_error::kStartStringEmpty);
    if ((p.endCond_ & ecPacketSize) &&
        p.packetSize_ < static_cast<std::int32_t>(PacketPattern::preparedLength(p.startString_))) {
      throw EInvalidProperty(comm_error::kPacketSmallerThanStart);
    }
  }
  if ((p.endCond_ & ecString) && p.endString_.empty()) throw EInvalidProperty(comm_error::kEndStringEmpty);
  if ((p.endCond_ & ecPacketSize) && p.packetSize_ == 0) throw EInvalidProperty(comm_error::kPacketSizeZero);
}

// `fresh`: bytes already in the buffer are not part of the packet (an
// enable from outside); otherwise (re-enabled during a delivery) it goes on
// with the bytes that followed the delivered packet.
void TDataPacketManager::startPacket(TDataPacket& p, bool fresh) {
  validate(p);
  if (lockHolder_ == &p) releaseLock(p);
  p.enabled_ = true;
  p.enableDeferred_ = false;
  p.startPending_ = false;
  p.targetSize_ = p.packetSize_;
  p.startIndex_ = 0;
  p.packetStart_ = -1;
  if (p.patternsStale_) {
    p.startPattern_ = PacketPattern(p.startString_, p.ignoreCase_);
    p.endPattern_ = PacketPattern(p.endString_, p.ignoreCase_);
    p.patternsStale_ = false;
  }
  p.pos_ = fresh ? buffer_.size() : head_;
  if (p.startCond_ == StartCondition::scString) {
    p.state_ = MatchState::WaitingStart;
  } else if (lockHolder_ != nullptr) {
    p.state_ = MatchState::Idle;
    p.startPending_ = true;
  } else {
    enterCollecting(p);  // the time-out runs from enabling
  }
}

void TDataPacketManager::restart(TDataPacket& p) {
  p.startIndex_ = 0;
  p.packetStart_ = -1;
  if (p.startCond_ == StartCondition::scAnyData) {
    p.state_ = MatchState::Idle;
    p.startPending_ = true;
  } else {
    p.state_ = MatchState::WaitingStart;
  }
}

void TDataPacketManager::enterCollecting(TDataPacket& p) {
  lockHolder_ = &p;
  p.state_ = MatchState::Collecting;
  p.startPending_ = false;
  if (p.timeOut_ != 0) armTimer(p.timeOut_);
  // Only one packet collects: the others start over.
  for (TDataPacket* other : packets_) {
    if (other != nullptr && other != &p && other->enabled_ && !other->enableDeferred_) restart(*other);
  }
}

void TDataPacketManager::releaseLock(TDataPacket& p) {
  if (lockHolder_ != &p) return;
  lockHolder_ = nullptr;
  disarmTimer();
  // The others look at the whole buffer again.
  for (TDataPacket* other : packets_) {
    if (other != nullptr && other != &p) other->pos_ = head_;
  }
  rescanWanted_ = true;
}

void TDataPacketManager::scanAll(Lock& lock) {
  for (;;) {
    // Not while a packet event is in progress: it scans when it ends.
    if (busy_) {
      scanDeferred_ = true;
      return;
    }
    rescanWanted_ = false;
    scanDeferred_ = false;
    bool changed = false;
    if (lockHolder_ != nullptr) {
      changed = scanPacket(lock, *lockHolder_);
    } else {
      for (std::size_t i = 0; i < packets_.size(); ++i) {
        TDataPacket* p = packets_[i];
        if (p == nullptr || !p->enabled_) continue;
        changed = scanPacket(lock, *p);
        if (changed || lockHolder_ != nullptr) break;
      }
    }
    if (!active_) return;
    if (!changed && !rescanWanted_ && !scanDeferred_) break;
  }
  discardIfUnwanted();
}

bool TDataPacketManager::endMatches(const TDataPacket& p) const {
  const std::size_t length = p.endPattern_.size();
  const std::size_t end = p.pos_ + 1;  // one past the byte just looked at
  std::size_t bodyStart = static_cast<std::size_t>(p.packetStart_);
  if (p.startCond_ == StartCondition::scString) bodyStart += p.startPattern_.size();
  if (end < length || end - length < bodyStart) return false;
  return p.endPattern_.matchesAt(buffer_.data() + (end - length));
}

// Returns true when a packet was delivered (the buffer has changed).
bool TDataPacketManager::scanPacket(Lock& lock, TDataPacket& p) {
  if (p.state_ == MatchState::Idle && p.enabled_ && p.startPending_ && lockHolder_ == nullptr) enterCollecting(p);
  while (p.pos_ < buffer_.size()) {
    switch (p.state_) {
      case MatchState::Idle:
        return false;
      case MatchState::WaitingStart: {
        if (!p.startPattern_.matches(p.startIndex_, buffer_[p.pos_])) {
          if (p.startIndex_ > 0) {
            p.pos_ = static_cast<std::size_t>(p.packetStart_) + 1;  // resume after the failed start
            p.startIndex_ = 0;
            p.packetStart_ = -1;
          } else {
            ++p.pos_;
          }
          break;
        }
        if (p.packetStart_ < 0) p.packetStart_ = static_cast<std::ptrdiff_t>(p.pos_);
        ++p.pos_;
        if (++p.startIndex_ < p.startPattern_.size()) break;
        const auto start = static_cast<std::size_t>(p.packetStart_);
        if (p.endCond_ == 0) {
          deliver(lock, p, start, p.startIndex_, false);  // the start string alone
          return true;
        }
        enterCollecting(p);
        if ((p.endCond_ & ecPacketSize) && static_cast<std::int32_t>(p.startIndex_) >= p.targetSize_) {
          deliver(lock, p, start, p.startIndex_, false);
          return true;
        }
        break;
      }
      case MatchState::Collecting: {
        if (p.packetStart_ < 0) p.packetStart_ = static_cast<std::ptrdiff_t>(p.pos_);
        const auto start = static_cast<std::size_t>(p.packetStart_);
        if (p.endCond_ == ecPacketSize && p.targetSize_ > 0) {
          // Only a size ends it: go straight to the last byte that is there.
          const std::size_t last = start + static_cast<std::size_t>(p.targetSize_) - 1;
          p.pos_ = std::max(p.pos_, std::min(last, buffer_.size() - 1));
        }
        const std::size_t size = p.pos_ - start + 1;
        if ((p.endCond_ & ecPacketSize) && static_cast<std::int64_t>(size) >= p.targetSize_) {
          deliver(lock, p, start, size, false);
          return true;
        }
        if ((p.endCond_ & ecString) && endMatches(p)) {
          deliver(lock, p, start, size, true);
          return true;
        }
        ++p.pos_;
        break;
      }
    }
  }
  return false;
}

void TDataPacketManager::deliver(Lock& lock, TDataPacket& p, std::size_t start, std::size_t size,
                                 bool endedOnString) {
  busy_ = true;
  p.enabled_ = false;
  p.state_ = MatchState::Idle;
  p.startPending_ = false;
  releaseLock(p);
  const std::size_t skip =
      (p.startCond_ == StartCondition::scString && !p.includeStrings_) ? std::min(p.startPattern_.size(), size) : 0;
  const std::size_t cut = (endedOnString && !p.includeStrings_) ? std::min(p.endPattern_.size(), size - skip) : 0;
  // A copy: bytes arriving while the handlers run may move the buffer.
  delivered_.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(start + skip),
                    buffer_.begin() + static_cast<std::ptrdiff_t>(start + size - cut));
  event_ = {&p, false, start + size};
  handOver(lock);
}

void TDataPacketManager::timeOut(const Notification& n) {
  Lock lock(mutex_);
  if (!active_ || busy_ || lockHolder_ == nullptr || n.param != timer_) return;
  // A hit from before the packet was re-enabled or disabled is stale.
  if (!dispatcher_->isCurrentTimerHit(n.param, n.arming)) return;
  TDataPacket& p = *lockHolder_;
  busy_ = true;
  const std::ptrdiff_t start = p.packetStart_;
  p.enabled_ = false;
  p.state_ = MatchState::Idle;
  releaseLock(p);
  if (start >= 0) cutFrom(static_cast<std::size_t>(start));
  event_ = {&p, true, 0};
  handOver(lock);
  if (active_) scanAll(lock);
}

// Raises the event in progress on the main thread and completes it there;
// the dispatch thread waits meanwhile. If the main thread does not take it
// on in time (the port is closing, or it is busy elsewhere), the dispatch
// thread completes it without events. One that has started runs to its end:
// busy_ stays set until then, so no other delivery overtakes it.
void TDataPacketManager::handOver(Lock& lock) {
  if (port_.mainThread().isMainThread()) {
    completeEvent(lock, true);
    return;
  }
  const std::uint64_t seq = ++eventSeq_;
  eventClaimed_ = false;
  raiseOnMainThread(lock, [this, seq] {
    Lock mainLock(mutex_);
    if (eventClaimed_ || eventSeq_ != seq) return;
    eventClaimed_ = true;
    completeEvent(mainLock, true);
    // The main thread goes on scanning itself, so that a burst of packets
    // costs one hand-over, not one per packet.
    if (active_) scanAll(mainLock);
  });
  if (!eventClaimed_) {
    eventClaimed_ = true;
    completeEvent(lock, false);
  }
}

template <typename Handler, typename... Args>
void TDataPacketManager::raiseUnlocked(Lock& lock, const Handler& handler, Args&&... args) {
  if (!handler) return;
  const Handler call = handler;  // the handler may replace itself
  lock.unlock();
  try {
    call(std::forward<Args>(args)...);
  } catch (...) {
    port_.reportError(std::current_exception());
  }
  lock.lock();
}

void TDataPacketManager::completeEvent(Lock& lock, bool raiseEvents) {
  TDataPacket* target = event_.packet;
  // A packet detached or destroyed meanwhile (also by its own handler) hears nothing more.
  if (event_.timeout) {
    if (raiseEvents && contains(target)) raiseUnlocked(lock, target->OnTimeout, *target);
  } else {
    const auto size = static_cast<std::int32_t>(delivered_.size());
    if (raiseEvents && contains(target)) raiseUnlocked(lock, target->OnPacket, *target, delivered_.data(), size);
    if (raiseEvents && contains(target) && target->OnStringPacket) {
      raiseUnlocked(lock, target->OnStringPacket, *target, std::string(delivered_.begin(), delivered_.end()));
    }
  }
  if (!active_ || closing_) {
    clearBuffer();
    closing_ = false;
  } else if (!event_.timeout) {
    trimFront(event_.end);
  }
  // An event the main thread never saw (the port closed before it got there)
  // leaves its packet enabled, as if it had not matched yet; AutoEnable
  // re-enables after a delivery, also one whose handler closed or moved the port.
  const bool dropped = !raiseEvents;
  if (contains(target) && !target->enabled_ && (dropped || (!event_.timeout && target->autoEnable_))) {
    enableAgain(*target);
  }
  event_ = {};
  runDeferredEnables();
  busy_ = false;
  std::erase(packets_, nullptr);
}

// While the port is closed the packet is only marked; it starts when the port opens.
void TDataPacketManager::enableAgain(TDataPacket& p) {
  if (!active_) {
    p.enabled_ = true;
    p.state_ = MatchState::Idle;
    return;
  }
  try {
    startPacket(p, false);
  } catch (...) {
    p.enabled_ = false;
    reportLater(std::current_exception());
  }
}

void TDataPacketManager::runDeferredEnables() {
  if (!active_) return;
  for (TDataPacket* p : packets_) {
    if (p == nullptr || !p->enableDeferred_) continue;
    try {
      startPacket(*p, false);
    } catch (...) {
      p->enabled_ = false;
      p->enableDeferred_ = false;
      reportLater(std::current_exception());
    }
  }
}

// Marks the bytes before `end` as gone (they are dropped for real by the
// next compact()); matches that began there start over.
void TDataPacketManager::trimFront(std::size_t end) {
  head_ = std::max(head_, std::min(end, buffer_.size()));
  for (TDataPacket* p : packets_) {
    if (p == nullptr) continue;
    if (p->packetStart_ >= 0 && static_cast<std::size_t>(p->packetStart_) < head_) {
      restart(*p);
      p->pos_ = head_;
    } else {
      p->pos_ = std::max(p->pos_, head_);
    }
  }
}

// Drops the bytes before the head: one move per read, not one per packet.
void TDataPacketManager::compact() {
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
  for (TDataPacket* p : packets_) {
    if (p == nullptr) continue;
    p->pos_ -= std::min(p->pos_, head_);
    if (p->packetStart_ >= 0) p->packetStart_ -= static_cast<std::ptrdiff_t>(head_);
  }
  head_ = 0;
}

void TDataPacketManager::clearBuffer() {
  buffer_.clear();
  head_ = 0;
  for (TDataPacket* p : packets_) {
    if (p != nullptr) p->pos_ = 0;
  }
}

// Drops the bytes from `position` on (a timed-out packet's bytes).
void TDataPacketManager::cutFrom(std::size_t position) {
  if (position >= buffer_.size()) return;
  buffer_.resize(position);
  for (TDataPacket* p : packets_) {
    if (p == nullptr) continue;
    p->pos_ = std::min(p->pos_, position);
    if (p->packetStart_ >= 0 && static_cast<std::size_t>(p->packetStart_) >= position) restart(*p);
  }
}

// Bytes nobody waits for are not kept.
void TDataPacketManager::discardIfUnwanted() {
  if (busy_ || lockHolder_ != nullptr) return;
  for (const TDataPacket* p : packets_) {
    if (p != nullptr && p->enabled_ && p->state_ == MatchState::WaitingStart && p->startIndex_ > 0) return;
  }
  if (buffer_.capacity() > kBufferStep) std::vector<std::uint8_t>().swap(buffer_);
  clearBuffer();
  for (TDataPacket* p : packets_) {
    if (p != nullptr) p->packetStart_ = -1;
  }
}

}  // namespace solwire
