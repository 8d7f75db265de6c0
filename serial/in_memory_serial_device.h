// A serial line held in memory. The port end is a SerialDevice; the far end is
// driven by a test or by a simulator, which writes bytes to the port, reads
// what the port sent, sets the input lines and injects faults.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "serial/serial_device.h"

namespace solwire {

class InMemoryLine : public std::enable_shared_from_this<InMemoryLine> {
 public:
  // The speed of a line that has never been programmed.
  static constexpr std::int32_t kInitialBaud = 9600;

  // `hasModemLines` false makes the port end behave like a pseudo-terminal.
  static std::shared_ptr<InMemoryLine> create(bool hasModemLines = true);

  // A port end of this line; only one can be open at a time.
  std::unique_ptr<SerialDevice> makeDevice();

  // ---- far end
  void write(std::span<const std::uint8_t> bytes);
  void write(std::string_view text);
  // Everything the port has written since the last take.
  std::vector<std::uint8_t> takeSent();
  // Waits (at most `timeout`, real time) until at least `count` sent bytes are waiting.
  bool waitForSent(std::size_t count, std::chrono::milliseconds timeout);
  // Called on the port's output thread after it wrote bytes (outside the line's
  // lock), so that a simulator can answer.
  void setOnPortWrite(std::function<void()> callback);
  // Bytes written to the port that it has not read yet.
  std::size_t pendingToPort() const;
  // Waits (at most `timeout`, real time) until the port has read everything
  // written to it and its event thread waits for the device again, which it
  // does only once the dispatch thread has dealt with what it read.
  bool waitUntilPortIdle(std::chrono::milliseconds timeout);

  // Sets the input lines (modem::kCTS|kDSR|kRI|kDCD).
  void setModemLines(std::uint8_t lines);
  void injectLineError(std::uint16_t bits);
  // The device vanishes: an open port end sees a hang-up, its reads and writes
  // fail, and opening fails as for a missing device until restore().
  void hangUp();
  void restore();
  // The next read of the port end fails.
  void failNextRead();
  // While stalled, the port's writes block (until released or interrupted).
  void stallWrites(bool stalled);

  // ---- observations
  bool portOpen() const;
  // How often a port end has been opened on this line.
  std::uint64_t opens() const;
  std::optional<LineSettings> lineSettings() const;
  bool dtr() const;
  bool rts() const;
  int lineChanges() const;        // setLine calls that reached the device
  std::uint64_t waitReturns() const;  // how often the port end's wait() returned

 private:
  friend class InMemorySerialDevice;
  explicit InMemoryLine(bool hasModemLines) : hasModemLines_(hasModemLines) {}

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::condition_variable portWaitingChanged_;
  const bool hasModemLines_;

  std::deque<std::uint8_t> toPort_;
  std::vector<std::uint8_t> fromPort_;
  std::function<void()> onPortWrite_;
  std::uint8_t lines_ = 0;
  std::uint16_t lineErrors_ = 0;
  bool modemChanged_ = false;
  bool lineErrorPending_ = false;

  bool present_ = true;
  std::uint64_t session_ = 0;  // counts opens; a hang-up ends the current one
  bool sessionOpen_ = false;
  bool sessionLost_ = false;
  bool failRead_ = false;
  bool stalled_ = false;
  bool interruptWrite_ = false;
  bool wakePending_ = false;
  bool portWaiting_ = false;  // the port end's wait() is blocked

  std::optional<LineSettings> settings_;
  bool dtr_ = false;
  bool rts_ = false;
  int lineChanges_ = 0;
  std::uint64_t waitReturns_ = 0;
};

}  // namespace solwire
