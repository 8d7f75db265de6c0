// Randomised races on a network port: opens, closes, writes, flushes and line
// changes on the main thread while a flaky peer echoes, throws in Telnet
// commands and stray IAC bytes, and drops the connection at random. Meant to
// run under ThreadSanitizer; the seed is printed for a failing run.
#include <gtest/gtest.h>

#include <sys/eventfd.h>

#include <atomic>
#include <random>
#include <thread>

#include "network_test_peer.h"
#include "serial/com_port.h"
#include "serial/comm_exception.h"
#include "serial/network_serial_device.h"
#include "serial/queue_main_thread.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;

class FlakyEchoPeer {
 public:
  explicit FlakyEchoPeer(std::uint32_t seed) : random_(seed) {
    listenFd_ = testing::listenOnLoopback(8, port_);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { run(); });
  }
  ~FlakyEchoPeer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
    if (client_ >= 0) ::close(client_);
    ::close(listenFd_);
    ::close(stopFd_);
  }
  std::uint16_t port() const { return port_; }
  int drops() const { return drops_.load(); }
  void behave(bool flaky) { flaky_ = flaky; }

 private:
  void run() {
    for (;;) {
      pollfd fds[3] = {{stopFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}, {client_, POLLIN, 0}};
      if (poll(fds, client_ >= 0 ? 3 : 2, 100) < 0) continue;
      if (fds[0].revents & POLLIN) return;
      if (client_ >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) echo();
      if (fds[1].revents & POLLIN) {
        if (client_ >= 0) ::close(client_);
        client_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      }
    }
  }

  void echo() {
    std::uint8_t buffer[256];
    const ssize_t n = ::recv(client_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
      ::close(client_);
      client_ = -1;
      return;
    }
    Bytes out(buffer, buffer + n);
    if (flaky_) {
      std::uniform_int_distribution<int> pick(0, 9);
      const int what = pick(random_);
      if (what == 0) {
        ::close(client_);  // drop, maybe mid-reply
        client_ = -1;
        ++drops_;
        return;
      }
      if (what == 1) out.insert(out.begin() + static_cast<std::ptrdiff_t>(out.size() / 2), {0xFF, 0xFB, 0x01});
      if (what == 2) out.push_back(0xFF);  // half of something
      if (what == 3) out.insert(out.end(), {0xFF, 0xFA, 0x2C, 0x6B, 0x80, 0xFF, 0xF0});  // modem state
    }
    [[maybe_unused]] const ssize_t sent = ::send(client_, out.data(), out.size(), MSG_NOSIGNAL);
  }

  std::mt19937 random_;
  int listenFd_ = -1;
  int stopFd_ = -1;
  int client_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<int> drops_{0};
  std::atomic<bool> flaky_{true};
  std::thread thread_;
};

class NetworkStress : public ::testing::TestWithParam<const char*> {};

TEST_P(NetworkStress, RandomOpsAgainstAFlakyPeerLeaveAWorkingPort) {
  const std::uint32_t seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  FlakyEchoPeer peer(seed);
  const std::string url = std::string(GetParam()) + "://127.0.0.1:" + std::to_string(peer.port());

  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  NetworkPortOptions options;
  options.notice = [](const std::string&) {};
  port.setDeviceFactory([&] { return std::make_unique<NetworkSerialDevice>(url, options); });
  std::string received;
  int lost = 0;
  int opens = 0;
  std::vector<std::string> handlerErrors;
  // A FlushInput between a data-available hit and its handler leaves fewer
  // bytes than the count; the handler takes what is there.
  port.OnTriggerAvail = [&](TComPort& p, std::uint16_t count) {
    for (int i = 0; i < count && p.InBuffUsed() > 0; ++i) received.push_back(static_cast<char>(p.ReadChar()));
  };
  port.OnDeviceLost = [&](TComPort&) { ++lost; };
  port.setErrorSink([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& ex) {
      handlerErrors.push_back(ex.what());
    }
  });

  std::uniform_int_distribution<int> op(0, 9);
  for (int step = 0; step < 400; ++step) {
    try {
      switch (op(random)) {
        case 0:
        case 1:
          if (!port.Open()) ++opens;
          port.setOpen(true);
          break;
        case 2: port.setOpen(false); break;
        case 3:
        case 4: port.SendString(std::string("\xC5N\xFF\x01", 1 + step % 4)); break;
        case 5: port.FlushInput(); break;
        case 6: port.FlushOutput(); break;
        case 7: port.setBaud(step % 2 ? 1200 : 2400); break;
        case 8: port.CarrierPresent(); break;
        case 9: ui.runFor(std::chrono::milliseconds(step % 3)); break;
      }
    } catch (const ECommException&) {
      // not open, or the open found the peer between connections: the port must stay usable
    }
    ui.processEvents();
    if (port.Open() && port.DeviceLost()) port.setOpen(false);
  }
  EXPECT_LE(lost, opens);  // at most once per connection
  EXPECT_TRUE(handlerErrors.empty()) << handlerErrors.front();

  // Whatever happened, a fresh open works end to end.
  peer.behave(false);
  port.setOpen(false);
  ui.processEvents();
  port.setOpen(true);
  received.clear();
  port.SendString("ping");
  ASSERT_TRUE(ui.runUntil([&] { return received.find("ping") != std::string::npos; }, 5000ms))
      << "received " << received.size() << " bytes; open " << port.Open() << ", lost " << port.DeviceLost();
  port.setOpen(false);
}

INSTANTIATE_TEST_SUITE_P(Schemes, NetworkStress, ::testing::Values("tcp", "rfc2217"));

}  // namespace
}  // namespace solwire
