#include "serial/in_memory_serial_device.h"

#include <algorithm>
#include <utility>
#include <cerrno>

#include "serial/comm_exception.h"
#include "serial/modem_status.h"

namespace solwire {

// The port end of an InMemoryLine.
class InMemorySerialDevice final : public SerialDevice {
 public:
  explicit InMemorySerialDevice(std::shared_ptr<InMemoryLine> line) : line_(std::move(line)) {}
  ~InMemorySerialDevice() override { close(); }

  int open() override {
    std::lock_guard lock(line_->mutex_);
    if (!line_->present_) return comm_error::kBadId;
    if (line_->sessionOpen_) return comm_error::kAlreadyOpen;
    line_->sessionOpen_ = true;
    line_->sessionLost_ = false;
    session_ = ++line_->session_;
    open_ = true;
    line_->changed_.notify_all();
    return 0;
  }

  void close() override {
    std::lock_guard lock(line_->mutex_);
    if (!open_) return;
    if (current()) line_->sessionOpen_ = false;
    open_ = false;
    line_->changed_.notify_all();
  }

  int setLine(const LineSettings& settings) override {
    std::lock_guard lock(line_->mutex_);
    if (!alive()) return -EIO;
    if (settings.baud < 0 || settings.dataBits < 5 || settings.dataBits > 8) return comm_error::kBadArgument;
    const std::int32_t current = line_->settings_ ? line_->settings_->baud : InMemoryLine::kInitialBaud;
    line_->settings_ = settings;
    if (settings.baud == 0) line_->settings_->baud = current;
    ++line_->lineChanges_;
    return 0;
  }

  IoResult read(std::uint8_t* buffer, std::size_t capacity) override {
    std::lock_guard lock(line_->mutex_);
    if (!alive()) return {IoResult::Status::Gone, 0, -EIO};
    if (line_->failRead_) {
      line_->failRead_ = false;
      return {IoResult::Status::Failed, 0, -EIO};
    }
    const std::size_t n = std::min(capacity, line_->toPort_.size());
    std::copy_n(line_->toPort_.begin(), n, buffer);
    line_->toPort_.erase(line_->toPort_.begin(), line_->toPort_.begin() + static_cast<std::ptrdiff_t>(n));
    return {IoResult::Status::Ok, n, 0};
  }

  IoResult write(const std::uint8_t* data, std::size_t size) override {
    std::function<void()> callback;
    {
      std::unique_lock lock(line_->mutex_);
      line_->changed_.wait(lock, [&] { return !line_->stalled_ || line_->interruptWrite_ || !alive(); });
      if (line_->interruptWrite_) {
        line_->interruptWrite_ = false;
        return {IoResult::Status::Interrupted, 0, 0};
      }
      if (!alive()) return {IoResult::Status::Gone, 0, -EIO};
      line_->fromPort_.insert(line_->fromPort_.end(), data, data + size);
      line_->changed_.notify_all();  // waitForSent
      callback = line_->onPortWrite_;
    }
    if (callback) callback();
    return {IoResult::Status::Ok, size, 0};
  }

  void interruptWrite() override {
    std::lock_guard lock(line_->mutex_);
    line_->interruptWrite_ = true;
    line_->changed_.notify_all();
  }

  void purgeInput() override {
    std::lock_guard lock(line_->mutex_);
    if (alive()) line_->toPort_.clear();
  }

  void purgeOutput() override {}

  std::size_t outputQueued() override { return 0; }  // a write completes only once the far end has the bytes

  int setDtr(bool on) override {
    std::lock_guard lock(line_->mutex_);
    line_->dtr_ = on;
    return 0;
  }

  int setRts(bool on) override {
    std::lock_guard lock(line_->mutex_);
    line_->rts_ = on;
    return 0;
  }

  std::optional<std::uint8_t> modemLines() override {
    std::lock_guard lock(line_->mutex_);
    if (!line_->hasModemLines_) return std::nullopt;
    return alive() ? line_->lines_ : std::uint8_t{0};
  }

  bool canReportModemChanges() override { return line_->hasModemLines_; }

  std::uint16_t takeLineErrors() override {
    std::lock_guard lock(line_->mutex_);
    return std::exchange(line_->lineErrors_, 0);
  }

  DeviceEvents wait(const DeviceWaitRequest& request) override {
    std::unique_lock lock(line_->mutex_);
    DeviceEvents events;
    auto ready = [&] {
      events.woken = std::exchange(line_->wakePending_, false);
      events.hangUp = request.hangUp && open_ && !alive();
      events.readable = request.readable && alive() && !line_->toPort_.empty();
      events.modemChange = request.modemChange && alive() && std::exchange(line_->modemChanged_, false);
      events.lineError = alive() && std::exchange(line_->lineErrorPending_, false);
      return events.woken || events.hangUp || events.readable || events.modemChange || events.lineError;
    };
    while (!ready()) {
      line_->portWaiting_ = true;
      line_->portWaitingChanged_.notify_all();
      line_->changed_.wait(lock);
      line_->portWaiting_ = false;
    }
    ++line_->waitReturns_;
    return events;
  }

  void wake() override {
    std::lock_guard lock(line_->mutex_);
    line_->wakePending_ = true;
    line_->changed_.notify_all();
  }

 private:
  bool current() const { return open_ && line_->session_ == session_; }
  bool alive() const { return current() && !line_->sessionLost_; }

  std::shared_ptr<InMemoryLine> line_;
  std::uint64_t session_ = 0;
  bool open_ = false;
};

std::shared_ptr<InMemoryLine> InMemoryLine::create(bool hasModemLines) {
  return std::shared_ptr<InMemoryLine>(new InMemoryLine(hasModemLines));
}

std::unique_ptr<SerialDevice> InMemoryLine::makeDevice() {
  return std::make_unique<InMemorySerialDevice>(shared_from_this());
}

void InMemoryLine::write(std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  toPort_.insert(toPort_.end(), bytes.begin(), bytes.end());
  changed_.notify_all();
}

void InMemoryLine::write(std::string_view text) {
  write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> InMemoryLine::takeSent() {
  std::lock_guard lock(mutex_);
  return std::exchange(fromPort_, {});
}

bool InMemoryLine::waitForSent(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return fromPort_.size() >= count; });
}

void InMemoryLine::setOnPortWrite(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  onPortWrite_ = std::move(callback);
}

std::size_t InMemoryLine::pendingToPort() const {
  std::lock_guard lock(mutex_);
  return toPort_.size();
}

bool InMemoryLine::waitUntilPortIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return portWaitingChanged_.wait_for(lock, timeout, [&] { return portWaiting_ && toPort_.empty(); });
}

void InMemoryLine::setModemLines(std::uint8_t lines) {
  std::lock_guard lock(mutex_);
  lines &= modem::kLines;
  if (lines == lines_) return;
  lines_ = lines;
  modemChanged_ = true;
  changed_.notify_all();
}

void InMemoryLine::injectLineError(std::uint16_t bits) {
  std::lock_guard lock(mutex_);
  lineErrors_ |= bits;
  lineErrorPending_ = true;
  changed_.notify_all();
}

void InMemoryLine::hangUp() {
  std::lock_guard lock(mutex_);
  present_ = false;
  sessionLost_ = true;
  toPort_.clear();
  changed_.notify_all();
}

void InMemoryLine::restore() {
  std::lock_guard lock(mutex_);
  present_ = true;
  // The end that saw the hang-up stays dead; a fresh open is needed.
  sessionOpen_ = false;
  changed_.notify_all();
}

void InMemoryLine::failNextRead() {
  std::lock_guard lock(mutex_);
  failRead_ = true;
}

void InMemoryLine::stallWrites(bool stalled) {
  std::lock_guard lock(mutex_);
  stalled_ = stalled;
  changed_.notify_all();
}

std::uint64_t InMemoryLine::opens() const {
  std::lock_guard lock(mutex_);
  return session_;
}

bool InMemoryLine::portOpen() const {
  std::lock_guard lock(mutex_);
  return sessionOpen_ && !sessionLost_;
}

std::optional<LineSettings> InMemoryLine::lineSettings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

bool InMemoryLine::dtr() const {
  std::lock_guard lock(mutex_);
  return dtr_;
}

bool InMemoryLine::rts() const {
  std::lock_guard lock(mutex_);
  return rts_;
}

int InMemoryLine::lineChanges() const {
  std::lock_guard lock(mutex_);
  return lineChanges_;
}

std::uint64_t InMemoryLine::waitReturns() const {
  std::lock_guard lock(mutex_);
  return waitReturns_;
}

}  // namespace solwire
