// TComPort over a real pseudo-terminal: the test holds the master side, the
// port opens the slave path as it would open /dev/ttyUSB0.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "serial/posix_serial_device.h"
#include "serial_test_support.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using testing::kPatience;

class Pty {
 public:
  Pty() {
    char name[128] = {};
    int slave = -1;
    if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
      ::close(slave);  // the port opens it by name
      path_ = name;
    }
  }
  ~Pty() { closeMaster(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& path() const { return path_; }
  int master() const { return master_; }
  void write(const std::string& bytes) const { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
  // Reads until `count` bytes have come (or the deadline passes).
  std::string read(std::size_t count) const {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[256];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
  }
  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string path_;
};

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

class PtyPortTest : public ::testing::Test {
 protected:
  PtyPortTest() {
    port.setAutoOpen(false);
    port.setPromptForPort(false);
    port.setDevicePath(pty.path());
    port.OnTriggerAvail = [this](TComPort& p, std::uint16_t count) {
      for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(p.ReadChar()));
    };
    port.OnDeviceLost = [this](TComPort&) { ++lost; };
  }

  bool pump(const std::function<bool()>& done) { return ui.runUntil(done, kPatience); }

  Pty pty;
  QueueMainThread ui;
  TComPort port{ui};
  std::string received;
  int lost = 0;
};

TEST_F(PtyPortTest, BytesFlowBothWaysInRawMode) {
  ASSERT_FALSE(pty.path().empty());
  port.setOpen(true);
  pty.write(std::string("\xC5N\r\n\x03\x11", 6));  // no echo, no line editing, no signals
  ASSERT_TRUE(pump([&] { return received.size() == 6; }));
  EXPECT_EQ(received, std::string("\xC5N\r\n\x03\x11", 6));
  port.SendString(std::string("\xC3\x27\n\0", 4));
  EXPECT_EQ(pty.read(4), std::string("\xC3\x27\n\0", 4));
  port.setOpen(false);
  EXPECT_FALSE(port.Open());
}

TEST_F(PtyPortTest, LineSettingsReachTheTerminal) {
  port.setBaud(2400);
  port.setOpen(true);
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);  // the master reports the slave's settings
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B2400));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB), 0u);
  port.setBaud(9600);
  port.setStopBits(2);  // (a pseudo-terminal refuses parity and other sizes)
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_THROW(port.setBaud(14400), EBadArgument);  // not a termios speed
}

TEST_F(PtyPortTest, BaudZeroKeepsTheTerminalsSpeed) {
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  cfsetispeed(&t, B1200);
  cfsetospeed(&t, B1200);
  ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &t), 0);
  port.setBaud(0);
  port.setOpen(true);
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B1200));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));  // the rest is programmed
  EXPECT_NE(t.c_cflag & HUPCL, 0u) << "a close, even a crash's, drops DTR";
}

// The far end reads nothing and the terminal's buffer is full, so the port's
// output cannot go out: a baud change still returns within its bound.
TEST_F(PtyPortTest, ABaudChangeBehindAFarEndThatDoesNotReadReturnsPromptly) {
  const int filler = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(filler, 0);
  const std::string block(4096, 'f');
  while (::write(filler, block.data(), block.size()) > 0) {
  }
  EXPECT_EQ(errno, EAGAIN);
  // The kernel goes on moving the bytes between its buffers, which makes room
  // now and then; holding the terminal's output keeps any of the port's bytes
  // from slipping through.
  ASSERT_EQ(tcflow(filler, TCOOFF), 0);
  port.setBaud(2400);
  port.setOpen(true);
  port.SendString("\xC5N");
  const auto start = std::chrono::steady_clock::now();
  port.setBaud(9600);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 1s);  // an upper bound only: the wait itself is bounded at 100 ms
  EXPECT_EQ(port.OutBuffUsed(), 2u);
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  ::close(filler);
}

TEST_F(PtyPortTest, ASecondOpenOfTheSameDeviceIsRefused) {
  port.setOpen(true);
  TComPort other(ui);
  other.setDevicePath(pty.path());
  EXPECT_THROW(other.setOpen(true), EAlreadyOpen);
  EXPECT_EQ(other.OpenFailureReason(), std::strerror(EBUSY));
  PosixSerialDevice raw(pty.path());
  EXPECT_EQ(raw.open(), comm_error::kAlreadyOpen);
  EXPECT_EQ(raw.openFailureReason(), std::strerror(EBUSY));
  port.setOpen(false);
  EXPECT_NO_THROW(other.setOpen(true));
}

TEST_F(PtyPortTest, AMissingPathIsABadId) {
  port.setDevicePath("/dev/pts/solwire-missing");
  EXPECT_THROW(port.setOpen(true), EBadId);
}

TEST_F(PtyPortTest, APseudoTerminalHasNoModemLinesAndCostsNoWakeUps) {
  int modemEvents = 0;
  port.OnTriggerModemStatus = [&](TComPort&) { ++modemEvents; };
  port.setOpen(true);
  EXPECT_FALSE(port.CarrierPresent());
  EXPECT_EQ(port.ModemStatus(), 0);
  EXPECT_NO_THROW(port.setDTR(false));
  const std::uint16_t h = port.NewStatusTrigger(1);
  port.ArmStatusTrigger(h, 0x80, true);
  const auto before = port.stats();
  ui.runFor(200ms);  // an observation window: nothing may happen in it
  const auto after = port.stats();
  EXPECT_LE(after.dispatchPasses - before.dispatchPasses, 1u);  // the arming's own pass
  EXPECT_EQ(after.eventWaits, before.eventWaits);
  EXPECT_EQ(modemEvents, 0);
}

TEST_F(PtyPortTest, TheFarEndClosingIsReportedOnceWithoutSpinningAndTheDeviceCanBeOpenedAgain) {
  port.setOpen(true);
  pty.write("before");
  ASSERT_TRUE(pump([&] { return received == "before"; }));
  pty.closeMaster();
  ASSERT_TRUE(pump([&] { return lost == 1; }));
  port.SendString("into the void");
  const auto stats = port.stats();
  const double cpuBefore = processCpuSeconds();
  ui.runFor(300ms);  // an observation window: no thread may spin on the dead device
  const double cpuUsed = processCpuSeconds() - cpuBefore;
  EXPECT_LT(cpuUsed, 0.1);
  EXPECT_LE(port.stats().dispatchPasses - stats.dispatchPasses, 2u);
  EXPECT_EQ(port.stats().eventWaits, stats.eventWaits);
  EXPECT_EQ(lost, 1);
  port.setOpen(false);

  Pty again;  // the device is back (as a new pseudo-terminal)
  port.setDevicePath(again.path());
  port.setOpen(true);
  received.clear();
  again.write("after");
  ASSERT_TRUE(pump([&] { return received == "after"; }));
  port.SendString("ok");
  EXPECT_EQ(again.read(2), "ok");
}

}  // namespace
}  // namespace solwire
