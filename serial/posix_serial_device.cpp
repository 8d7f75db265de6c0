#include "serial/posix_serial_device.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "serial/comm_exception.h"
#include "serial/modem_line_watcher.h"
#include "serial/modem_status.h"

namespace solwire {
namespace {

struct BaudRate {
  std::int32_t baud;
  speed_t speed;
};

constexpr std::array<BaudRate, 15> kBaudRates{{
    {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
    {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
}};

bool speedFor(std::int32_t baud, speed_t& speed) {
  for (const auto& rate : kBaudRates) {
    if (rate.baud == baud) {
      speed = rate.speed;
      return true;
    }
  }
  return false;
}

int openErrorCode(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return comm_error::kBadId;
    case EBUSY: return comm_error::kAlreadyOpen;
    default: return -error;
  }
}

void signalEventFd(int fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(fd, &one, sizeof one);
}

void drainEventFd(int fd) {
  std::uint64_t value = 0;
  [[maybe_unused]] const ssize_t ignored = ::read(fd, &value, sizeof value);
}

bool isHangUp(short revents) { return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0; }

tcflag_t characterSize(std::uint16_t dataBits) {
  switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
  }
}

void applyParity(termios& t, Parity parity) {
  t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
  switch (parity) {
    case Parity::pNone: break;
    case Parity::pOdd: t.c_cflag |= PARENB | PARODD; break;
    case Parity::pEven: t.c_cflag |= PARENB; break;
    case Parity::pMark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case Parity::pSpace: t.c_cflag |= PARENB | CMSPAR; break;
  }
}

void applyFlow(termios& t, const LineSettings& s) {
  const bool rtsCts = (s.hardwareFlow & (hwfUseRTS | hwfRequireCTS)) != 0;
  if (rtsCts) {
    t.c_cflag |= CRTSCTS;
  } else {
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  }
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (s.softwareFlow == SoftwareFlow::swfTransmit || s.softwareFlow == SoftwareFlow::swfBoth) t.c_iflag |= IXON;
  if (s.softwareFlow == SoftwareFlow::swfReceive || s.softwareFlow == SoftwareFlow::swfBoth) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
}

}  // namespace

PosixSerialDevice::PosixSerialDevice(std::string path) : path_(std::move(path)) {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  writeWakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  modemFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

PosixSerialDevice::~PosixSerialDevice() {
  close();
  for (int fd : {wakeFd_, writeWakeFd_, modemFd_}) {
    if (fd >= 0) ::close(fd);
  }
}

// Keeps the system's words for `error` and returns the code for it.
int PosixSerialDevice::openFailed(int error, int code) {
  openFailure_ = std::strerror(error);
  return code;
}

int PosixSerialDevice::open() {
  if (fd_ >= 0) return comm_error::kAlreadyOpen;
  openFailure_.clear();
  if (wakeFd_ < 0 || writeWakeFd_ < 0 || modemFd_ < 0) return openFailed(EMFILE, -EMFILE);
  const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return openFailed(error, openErrorCode(error));
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    // Another program holds the lock: the device is busy, which says more
    // than "Resource temporarily unavailable".
    return error == EWOULDBLOCK ? openFailed(EBUSY, comm_error::kAlreadyOpen) : openFailed(error, -error);
  }
  termios t{};
  if (tcgetattr(fd, &t) != 0) {
    const int error = errno;
    ::close(fd);
    return openFailed(error, -error);
  }
  ioctl(fd, TIOCEXCL);
  saved_ = t;
  savedValid_ = true;
  cfmakeraw(&t);
  // HUPCL: DTR drops when the port is closed, even by a crash, so that a
  // modem set to hang up on DTR (&D2) never keeps a call up after us.
  t.c_cflag |= CLOCAL | CREAD | HUPCL;
  // VMIN 1 with O_NONBLOCK: no data reads as EAGAIN, so 0 means hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &t) != 0) {
    const int error = errno;
    ::close(fd);
    return openFailed(error, -error);
  }
  int lines = 0;
  hasModemLines_ = ioctl(fd, TIOCMGET, &lines) == 0;
  hungUp_.store(false);
  watcherUnsupported_.store(false);
  drainEventFd(wakeFd_);
  drainEventFd(writeWakeFd_);
  drainEventFd(modemFd_);
  fd_ = fd;
  return 0;
}

void PosixSerialDevice::close() {
  if (fd_ < 0) return;
  {
    std::lock_guard lock(watcherMutex_);
    watcher_.reset();
  }
  if (savedValid_) {
    termios restored = saved_;
    restored.c_cflag |= HUPCL;  // what was there, but the close still drops DTR
    tcsetattr(fd_, TCSANOW, &restored);
  }
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also releases the flock
  fd_ = -1;
  savedValid_ = false;
}

int PosixSerialDevice::setLine(const LineSettings& settings) {
  speed_t speed{};
  const bool keepSpeed = settings.baud == 0;
  if ((!keepSpeed && !speedFor(settings.baud, speed)) || settings.dataBits < 5 || settings.dataBits > 8) {
    return comm_error::kBadArgument;
  }
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return -errno;
  if (!keepSpeed) {
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
  }
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | characterSize(settings.dataBits);
  applyParity(t, settings.parity);
  if (settings.stopBits == StopBitsSetting::One) {
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  } else {
    t.c_cflag |= CSTOPB;  // termios has no 1.5 stop bits; 2 is the nearest
  }
  applyFlow(t, settings);
  // At once: the dispatcher has already let the output go out, for as long
  // as its caller may wait. (TCSADRAIN could wait for ever behind a far end
  // that holds the line.)
  if (tcsetattr(fd_, TCSANOW, &t) != 0) return -errno;
  return 0;
}

IoResult PosixSerialDevice::read(std::uint8_t* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n > 0) return {IoResult::Status::Ok, static_cast<std::size_t>(n), 0};
    if (n == 0) {
      markHungUp();
      return {IoResult::Status::Gone, 0, -EIO};
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return {IoResult::Status::Ok, 0, 0};
    if (errno == EIO) {
      markHungUp();
      return {IoResult::Status::Gone, 0, -EIO};
    }
    return {IoResult::Status::Failed, 0, -errno};
  }
}

IoResult PosixSerialDevice::write(const std::uint8_t* data, std::size_t size) {
  for (;;) {
    const ssize_t n = ::write(fd_, data, size);
    if (n > 0) return {IoResult::Status::Ok, static_cast<std::size_t>(n), 0};
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) {
      if (errno == EIO) {
        markHungUp();
        return {IoResult::Status::Gone, 0, -EIO};
      }
      return {IoResult::Status::Failed, 0, -errno};
    }
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {writeWakeFd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return {IoResult::Status::Failed, 0, -errno};
    if (fds[1].revents & POLLIN) {
      drainEventFd(writeWakeFd_);
      return {IoResult::Status::Interrupted, 0, 0};
    }
    if (isHangUp(fds[0].revents)) {
      markHungUp();
      return {IoResult::Status::Gone, 0, -EIO};
    }
  }
}

void PosixSerialDevice::interruptWrite() { signalEventFd(writeWakeFd_); }

void PosixSerialDevice::purgeInput() { tcflush(fd_, TCIFLUSH); }

void PosixSerialDevice::purgeOutput() { tcflush(fd_, TCOFLUSH); }

std::size_t PosixSerialDevice::outputQueued() {
  int queued = 0;
  if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) queued = 0;
  // A UART also says whether its FIFO and shift register are empty; other
  // devices (a pseudo-terminal) refuse the request and have no transmitter.
  unsigned int lineStatus = 0;
  if (queued == 0 && ioctl(fd_, TIOCSERGETLSR, &lineStatus) == 0 && (lineStatus & TIOCSER_TEMT) == 0) queued = 1;
  return static_cast<std::size_t>(queued);
}

int PosixSerialDevice::setModemLine(int bit, bool on) {
  if (!hasModemLines_) return 0;  // a pseudo-terminal has no lines to drive
  if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0) return comm_error::kBadArgument;
  return 0;
}

int PosixSerialDevice::setDtr(bool on) { return setModemLine(TIOCM_DTR, on); }

int PosixSerialDevice::setRts(bool on) { return setModemLine(TIOCM_RTS, on); }

std::optional<std::uint8_t> PosixSerialDevice::modemLines() {
  if (!hasModemLines_) return std::nullopt;
  int bits = 0;
  if (ioctl(fd_, TIOCMGET, &bits) != 0) return std::uint8_t{0};  // gone: no carrier
  std::uint8_t lines = 0;
  if (bits & TIOCM_CTS) lines |= modem::kCTS;
  if (bits & TIOCM_DSR) lines |= modem::kDSR;
  if (bits & TIOCM_RNG) lines |= modem::kRI;
  if (bits & TIOCM_CD) lines |= modem::kDCD;
  return lines;
}

bool PosixSerialDevice::canReportModemChanges() { return hasModemLines_ && !watcherUnsupported_.load(); }

std::uint16_t PosixSerialDevice::takeLineErrors() { return 0; }

void PosixSerialDevice::startWatcherIfNeeded() {
  std::lock_guard lock(watcherMutex_);
  if (watcher_ || !canReportModemChanges()) return;
  watcher_ = std::make_unique<ModemLineWatcher>(
      fd_, [this] { signalEventFd(modemFd_); },
      [this] {
        watcherUnsupported_.store(true);
        signalEventFd(wakeFd_);  // let the event thread re-plan its wait
      });
}

DeviceEvents PosixSerialDevice::wait(const DeviceWaitRequest& request) {
  const bool watchDevice = !hungUp_.load() && (request.readable || request.hangUp);
  const bool watchModem = request.modemChange && !hungUp_.load() && canReportModemChanges();
  if (watchModem) startWatcherIfNeeded();

  pollfd fds[3];
  nfds_t count = 0;
  fds[count++] = {wakeFd_, POLLIN, 0};
  const nfds_t deviceIndex = count;
  if (watchDevice) fds[count++] = {fd_, static_cast<short>(request.readable ? POLLIN : 0), 0};
  const nfds_t modemIndex = count;
  if (watchModem) fds[count++] = {modemFd_, POLLIN, 0};

  DeviceEvents events;
  while (poll(fds, count, -1) < 0) {
    if (errno != EINTR) {
      events.hangUp = true;
      return events;
    }
  }
  if (fds[0].revents & POLLIN) {
    drainEventFd(wakeFd_);
    events.woken = true;
  }
  if (watchDevice) {
    events.readable = request.readable && (fds[deviceIndex].revents & POLLIN) != 0;
    if (isHangUp(fds[deviceIndex].revents)) {
      // From now on poll() would report this fd at once, forever: leave it out.
      markHungUp();
      events.hangUp = true;
    }
  }
  if (watchModem && (fds[modemIndex].revents & POLLIN)) {
    drainEventFd(modemFd_);
    events.modemChange = true;
  }
  return events;
}

void PosixSerialDevice::wake() { signalEventFd(wakeFd_); }

}  // namespace solwire
