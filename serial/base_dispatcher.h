// The engine under an open port: the receive ring, the output buffer, line
// settings, modem status and line errors, the triggers and the notification
// targets, and the three worker threads over a SerialDevice.
//
// Threads: the event thread waits on the device (data readable, input line
// changed, hang-up, woken) and hands each event to the dispatch thread, then
// waits until it has been dealt with. The dispatch thread reads the device
// straight into the ring, evaluates the triggers and notifies the targets; it
// sleeps until an event arrives, output progresses, a trigger changes or the
// earliest armed timer falls due, and never wakes on a fixed period. The output
// thread writes the output buffer to the device.
//
// All operations are called on the main thread, or from a target's callback.
// Operations return 0 (or a count) on success and a negative error code on
// failure (comm_exception.h).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "serial/line_settings.h"
#include "serial/monotonic_clock.h"
#include "serial/notification.h"
#include "serial/output_ring.h"
#include "serial/receive_ring.h"
#include "serial/serial_device.h"
#include "serial/trigger_list.h"

namespace solwire {

// Loop counters, for tests and the benchmark.
struct DispatcherStats {
  std::uint64_t dispatchPasses = 0;  // wake-ups of the dispatch thread
  std::uint64_t eventWaits = 0;      // returns of the event thread's device wait
  std::uint64_t deviceReads = 0;
  std::uint64_t notifications = 0;
};

class TBaseDispatcher {
 public:
  using Target = std::function<void(const Notification&)>;
  using TargetId = std::uint64_t;

  static constexpr std::chrono::milliseconds kThreadStartWait{3000};
  static constexpr std::chrono::milliseconds kFlushWait{5000};
  // A line change first lets pending output go out, but waits at most this
  // long (its caller is the user-interface thread); then it changes the line
  // anyway, and output stuck behind a far end that takes nothing stays queued.
  static constexpr std::int64_t kDrainLimitMs = 100;
  // How often the device is asked meanwhile whether its own queue has emptied.
  static constexpr std::int64_t kDrainPollMs = 2;

  TBaseDispatcher(std::unique_ptr<SerialDevice> device, MonotonicClock& clock);
  ~TBaseDispatcher();
  TBaseDispatcher(const TBaseDispatcher&) = delete;
  TBaseDispatcher& operator=(const TBaseDispatcher&) = delete;

  // Opens the device, allocates the buffers, programs the line and starts the
  // threads (event, dispatch, output). On failure the device is closed again.
  // Throws std::logic_error("Dispatcher already started") when called twice.
  int initialise(const LineSettings& line, std::uint16_t outSize);
  // The system's words for why the device would not open; empty when it did.
  std::string openFailureReason() const { return device_->openFailureReason(); }

  // Stops the threads and closes the device (pending output and input are
  // discarded). Returns true when done. During a notification, with
  // `waitForNotification` it first waits for the notification to end (the
  // caller must not be what the notification waits for); without it, or on
  // the dispatch thread itself, it returns false: the stop then happens when
  // the notification ends, and the last thread to end calls the on-stopped
  // callback.
  bool finish(bool waitForNotification = false);
  void setOnStopped(std::function<void()> callback);
  bool threadsRunning() const { return running_.load() > 0; }
  // Joins the ended threads after a deferred finish.
  void joinThreads();

  // ---- line
  // Baud 0 and stop bits 3 keep the current value; stop bits 0 mean 1 and
  // above 3 mean 2; five data bits force 1.5 stop bits. A setting equal to the
  // current one does not touch the device; otherwise output drains first
  // (at most kDrainLimitMs).
  int setLine(std::int32_t baud, Parity parity, std::uint16_t dataBits, std::uint16_t stopBits);
  // Flow control, XON/XOFF characters and limits; same draining rule.
  int setLineSettings(const LineSettings& settings);
  LineSettings lineSettings() const;
  int setDtr(bool on);
  int setRts(bool on);

  // ---- output
  // Copies all of `data` into the output buffer, or returns kOutputBufferTooSmall.
  int putBlock(std::span<const std::uint8_t> data);
  std::size_t outputUsed() const;
  std::size_t outputFree() const;
  // Abandons the output in progress, empties the buffer and purges the driver.
  void flushOutput();

  // ---- input (read-ahead rules apply inside a data-available notification)
  int getChar(std::uint8_t& byte);
  // Takes exactly `out.size()` bytes, or returns kBufferIsEmpty and takes none.
  int getBlock(std::span<std::uint8_t> out);
  std::size_t unreadCount() const;
  void flushInput();

  // ---- modem lines and errors
  // Reads the lines now; returns the status byte and clears the change bits.
  std::uint8_t modemStatus();
  // Reads the lines now; returns whether DCD is on and clears only its change bit.
  bool carrier();
  bool deviceLost() const;

  // ---- triggers
  int addTimerTrigger();
  int setTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate);
  int addStatusTrigger(int type);
  int setStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate);
  int removeTrigger(std::uint16_t handle);
  void setTriggerLength(std::uint16_t length);
  std::uint16_t triggerLength() const;
  SavedTriggers saveTriggers() const;
  void restoreTriggers(const SavedTriggers& saved);
  // Whether a timer notification is for the trigger's latest arming (it has
  // not been re-armed, disarmed or removed since the hit).
  bool isCurrentTimerHit(std::uint16_t handle, std::uint16_t arming) const;
  // A timer or status hit that its target could not deliver because the port
  // is closing: its trigger is armed again, so that the triggers saved at the
  // close hold it armed and it fires after the reopen.
  void giveBackHit(const Notification& n);

  // ---- notification targets, called on the dispatch thread: event targets
  // (components such as the packet manager) in registration order, then
  // window targets (the port's own events)
  enum class TargetKind { Event, Window };
  TargetId addTarget(Target target, TargetKind kind = TargetKind::Event);
  // During a notification the target is only marked, and removed when it ends.
  void removeTarget(TargetId id);
  bool notifying() const;

  DispatcherStats stats() const;

 private:
  struct TargetRecord {
    TargetId id;
    Target call;
    TargetKind kind;
    bool removed = false;
    std::size_t readCount = 0;  // read-ahead position of this target
  };

  // threads (dispatcher_threads.cpp)
  void startThread(std::thread& thread, void (TBaseDispatcher::*loop)());
  void threadStarted();
  void threadEnded();
  void eventLoop();
  void dispatchLoop();
  void outputLoop();
  void waitForDispatchWork(std::unique_lock<std::mutex>& lock);
  bool modemPollingNeeded() const;
  void runPass(const DeviceEvents& events);
  void stopOtherThreads();
  void wakeAllThreads();
  void closeDevice();

  // receive path and triggers (dispatcher_triggers.cpp)
  std::size_t readDevice();  // bytes moved into the ring
  bool stopRequested() const {
    std::lock_guard lock(mutex_);
    return stopRequested_;
  }
  void refreshModemStatus();
  void runStatusTriggers();
  void runTimerTriggers();
  void runDataAvailable();
  void reportDeviceLost();
  void markDeviceLost();
  void spaceFreed();
  std::size_t takeRead(std::uint8_t* out, std::size_t count, bool exact);

  // notification (dispatcher_notify.cpp); whether any target was called
  bool notifyTargets(const Notification& n);
  void endReadAhead();
  void purgeRemovedTargets();

  int programLine(const LineSettings& next);
  void drainOutput();
  // Waits on `wake` (whose mutex `lock` holds) until notified or until the
  // clock reaches `deadlineMs`, whichever comes first.
  void waitForClock(std::condition_variable& wake, std::unique_lock<std::mutex>& lock, std::int64_t deadlineMs) const;

  std::unique_ptr<SerialDevice> device_;
  MonotonicClock& clock_;
  std::uint64_t clockListener_ = 0;

  // Trigger lists, line settings, modem status, errors and the dispatch loop's flags.
  mutable std::mutex mutex_;
  std::condition_variable dispatchWake_;
  std::condition_variable eventDone_;
  std::condition_variable threadsChanged_;
  std::condition_variable notificationEnded_;
  TriggerList triggers_;
  LineSettings line_;
  std::uint8_t modemStatus_ = 0;
  std::uint16_t lineErrors_ = 0;
  bool hasModemLines_ = false;
  std::int64_t nextModemPoll_ = 0;
  DeviceEvents pendingEvents_;
  bool eventPending_ = false;
  bool eventHandled_ = true;
  bool wakeRequested_ = false;
  bool outputSent_ = false;
  bool stopRequested_ = false;
  bool deferredFinish_ = false;
  bool notifying_ = false;
  bool lostReported_ = false;
  std::atomic<bool> stopThreads_{false};
  std::atomic<bool> deviceLost_{false};
  std::atomic<bool> ringBlocked_{false};
  bool initialised_ = false;
  bool deviceOpen_ = false;

  // Output buffer.
  mutable std::mutex outMutex_;
  std::condition_variable outWake_;
  std::condition_variable outProgress_;
  std::unique_ptr<OutputRing> output_;
  bool flushRequested_ = false;
  std::uint64_t flushAcks_ = 0;

  // Receive ring and read-ahead.
  mutable std::mutex ringMutex_;
  std::unique_ptr<ReceiveRing> ring_;
  bool newData_ = false;
  bool readAhead_ = false;
  TargetRecord* reader_ = nullptr;
  std::size_t readAheadMax_ = 0;

  // Notification targets.
  mutable std::mutex targetsMutex_;
  std::vector<std::shared_ptr<TargetRecord>> targets_;
  TargetId nextTargetId_ = 1;
  bool iterating_ = false;

  std::thread eventThread_;
  std::thread dispatchThread_;
  std::thread outputThread_;
  std::atomic<int> running_{0};
  std::mutex startMutex_;
  std::condition_variable startedSignal_;
  bool started_ = false;
  std::function<void()> onStopped_;

  std::atomic<std::uint64_t> passes_{0};
  std::atomic<std::uint64_t> eventWaits_{0};
  std::atomic<std::uint64_t> reads_{0};
  std::atomic<std::uint64_t> notifications_{0};
};

}  // namespace solwire
