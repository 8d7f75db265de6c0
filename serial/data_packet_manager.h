// TDataPacketManager: the one manager of all data packets of a port. It is an
// event target of the port's dispatcher while the port is open: on each
// data-available notification it reads the new bytes (read-ahead, so other
// targets see them too) into its buffer and lets the packets match; it owns
// the timer trigger that times out the collecting packet, and the lock that
// lets only one packet collect at a time. The port makes it on first use
// (TComPort::packetManager) and it lives as long as the port.
//
// Its state is guarded by one mutex. Matching runs on the dispatch thread; the
// mutex is released while packet events run on the main thread, and the busy
// flag defers re-enabling and scanning until the delivery is over.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "serial/base_dispatcher.h"
#include "serial/port_user.h"

namespace solwire {

class TComPort;
class TDataPacket;

class TDataPacketManager final : public PortUser {
 public:
  static constexpr std::size_t kBufferStep = 8192;

  explicit TDataPacketManager(TComPort& port);
  ~TDataPacketManager() override;
  TDataPacketManager(const TDataPacketManager&) = delete;
  TDataPacketManager& operator=(const TDataPacketManager&) = delete;

  TComPort& port() const { return port_; }
  std::size_t packetCount() const;
  // Registered with an open port's dispatcher.
  bool active() const;
  // Bytes held for packets that are matching.
  std::size_t bufferedBytes() const;

  void portOpened(TComPort& port) override;
  void portClosing(TComPort& port) override;
  void portClosed(TComPort&) override {}

 private:
  friend class TDataPacket;
  using Lock = std::unique_lock<std::mutex>;

  // Called by TDataPacket with the mutex held.
  void attach(TDataPacket* packet);
  void detach(TDataPacket* packet);
  void enablePacket(Lock& lock, TDataPacket& packet);
  void disablePacket(TDataPacket& packet);

  // matching (data_packet_scan.cpp)
  void onNotification(const Notification& n);
  void receive(std::uint16_t count);
  void timeOut(const Notification& n);
  static void validate(const TDataPacket& packet);
  void startPacket(TDataPacket& packet, bool fresh);
  void restart(TDataPacket& packet);
  void enterCollecting(TDataPacket& packet);
  void releaseLock(TDataPacket& packet);
  void scanAll(Lock& lock);
  bool scanPacket(Lock& lock, TDataPacket& packet);
  bool endMatches(const TDataPacket& packet) const;
  void deliver(Lock& lock, TDataPacket& packet, std::size_t start, std::size_t size, bool endedOnString);
  void handOver(Lock& lock);
  void completeEvent(Lock& lock, bool raiseEvents);
  void enableAgain(TDataPacket& packet);
  void trimFront(std::size_t end);
  void compact();
  void clearBuffer();
  void cutFrom(std::size_t position);
  void discardIfUnwanted();
  void runDeferredEnables();
  void raiseOnMainThread(Lock& lock, std::function<void()> call);
  void requestRescan();
  void reportLater(std::exception_ptr error);
  void armTimer(std::int32_t ticks);
  void disarmTimer();
  template <typename Handler, typename... Args>
  void raiseUnlocked(Lock& lock, const Handler& handler, Args&&... args);
  bool contains(const TDataPacket* packet) const;

  TComPort& port_;
  mutable std::mutex mutex_;
  std::vector<TDataPacket*> packets_;  // attachment order; null entries while busy
  std::vector<std::uint8_t> buffer_;
  std::size_t head_ = 0;  // bytes before it are delivered and wait to be dropped
  TDataPacket* lockHolder_ = nullptr;
  bool active_ = false;
  bool busy_ = false;
  bool scanDeferred_ = false;
  bool closing_ = false;
  bool rescanPosted_ = false;
  bool rescanWanted_ = false;
  TBaseDispatcher* dispatcher_ = nullptr;  // while active
  std::uint16_t timer_ = 0;
  bool timerArmed_ = false;  // armed since it was last disarmed

  // The packet event in progress (while busy_): a delivery or a time-out.
  // One at a time, so its bytes live in a buffer that is reused.
  struct Event {
    TDataPacket* packet = nullptr;
    bool timeout = false;
    std::size_t end = 0;  // delivery: one past the packet in buffer_
  };
  Event event_;
  std::vector<std::uint8_t> delivered_;
  // Which hand-over to the main thread is current, and whether someone has
  // taken it on: the main thread raising its events, or the dispatch thread
  // finishing it without them when it was dropped.
  std::uint64_t eventSeq_ = 0;
  bool eventClaimed_ = true;
  TBaseDispatcher::TargetId target_ = 0;
  std::shared_ptr<TDataPacketManager*> self_;
};

}  // namespace solwire
