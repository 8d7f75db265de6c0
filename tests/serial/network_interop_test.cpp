// Network ports against device servers written elsewhere: Debian's ser2net
// serving the simulator's pseudo-terminal (read end to end with solwire-cli,
// over RFC 2217 and raw TCP), and pyserial's RFC 2217 PortManager, whose
// modem-state notifications must reach a status trigger. Each test starts and
// stops its servers on free loopback ports; it is skipped only when the server
// program is not installed (scripts/setup.sh installs both).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>

#include <cstdlib>
#include <fstream>

#include "network_child_process.h"
#include "network_test_peer.h"
#include "serial/com_port.h"
#include "serial/modem_status.h"
#include "serial/network_serial_device.h"
#include "serial/queue_main_thread.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;

constexpr auto kPatience = 10000ms;

std::uint16_t freePort() {
  std::uint16_t port = 0;
  ::close(testing::listenOnLoopback(1, port));
  return port;
}

// Whether something accepts connections on the port yet.
bool listening(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

bool waitUntilListening(std::uint16_t port) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!listening(port)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    poll(nullptr, 0, 20);  // ser2net gives no sign of readiness but the port itself
  }
  return true;
}

std::string temporaryPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name + "-" + std::to_string(getpid());
}

std::string url(const std::string& scheme, std::uint16_t port) {
  return scheme + "://127.0.0.1:" + std::to_string(port);
}

// ---- ser2net

class Ser2netTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string ser2net = testing::findProgram("ser2net");
    if (ser2net.empty()) GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh installs it)";
    sim_ = std::make_unique<ChildProcess>(std::vector<std::string>{SOLWIRE_SIM_PATH});
    const auto pty = sim_->readLine();
    ASSERT_TRUE(pty) << "solwire-sim printed no device path";
    ptyPath_ = *pty;
    rfc2217Port_ = freePort();
    rawPort_ = freePort();
    config_ = temporaryPath("solwire-ser2net") + ".yaml";
    std::ofstream(config_) << "%YAML 1.1\n---\n"
                           << "connection: &rfc2217line\n"
                           << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfc2217Port_ << "\n"
                           << "  connector: serialdev," << ptyPath_ << ",2400n81,local\n"
                           << "connection: &rawline\n"
                           << "  accepter: tcp,127.0.0.1," << rawPort_ << "\n"
                           << "  connector: serialdev," << ptyPath_ << ",2400n81,local\n";
    ser2net_ = std::make_unique<ChildProcess>(std::vector<std::string>{ser2net, "-d", "-u", "-c", config_});
    ASSERT_TRUE(waitUntilListening(rfc2217Port_) && waitUntilListening(rawPort_)) << "ser2net did not start";
  }
  void TearDown() override {
    ser2net_.reset();
    sim_.reset();
    if (!config_.empty()) std::remove(config_.c_str());
  }

  static std::pair<int, std::string> cliRead(const std::string& port, const std::string& site, const std::string& what) {
    ChildProcess cli({SOLWIRE_CLI_PATH, "read", "--port", port, "--site", site, what});
    return cli.finish(60000ms);
  }

  std::unique_ptr<ChildProcess> sim_;
  std::unique_ptr<ChildProcess> ser2net_;
  std::string ptyPath_;
  std::string config_;
  std::uint16_t rfc2217Port_ = 0;
  std::uint16_t rawPort_ = 0;
};

TEST_F(Ser2netTest, SolwireCliReadsEverythingOverRfc2217) {
  const auto [status, out] = cliRead(url("rfc2217", rfc2217Port_), "1", "all");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Current state"), std::string::npos) << out;
  EXPECT_NE(out.find("Battery voltage"), std::string::npos) << out;
}

TEST_F(Ser2netTest, SolwireCliReadsOverRawTcp) {
  const auto [status, out] = cliRead(url("tcp", rawPort_), "2", "current");
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("Battery voltage"), std::string::npos) << out;
}

TEST_F(Ser2netTest, BaudAndFormatChangesReachTheTerminalBehindIt) {
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  NetworkSerialDevice* device = nullptr;
  port.setDeviceFactory([&] {
    auto made = std::make_unique<NetworkSerialDevice>(url("rfc2217", rfc2217Port_));
    device = made.get();
    return made;
  });
  port.setBaud(2400);
  port.setOpen(true);
  const int tty = ::open(ptyPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);  // reads the settings only
  ASSERT_GE(tty, 0);
  // The terminal tells nobody when its settings change: look every few milliseconds.
  auto settled = [&](speed_t speed, bool twoStopBits) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
      termios t{};
      tcgetattr(tty, &t);
      if (cfgetospeed(&t) == speed && ((t.c_cflag & CSTOPB) != 0) == twoStopBits) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      ui.runFor(5ms);
    }
  };
  port.setBaud(1200);
  port.setStopBits(2);
  EXPECT_TRUE(settled(B1200, true));
  EXPECT_TRUE(device->comPortAccepted());
  port.setBaud(9600);
  port.setStopBits(1);
  EXPECT_TRUE(settled(B9600, false));
  ::close(tty);
}

// ---- pyserial

std::string debianPython() {
  return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : testing::findProgram("python3");
}

class PyserialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string python = debianPython();
    if (python.empty()) GTEST_SKIP() << "python3 is not installed";
    {
      ChildProcess probe({python, "-c", "import serial.rfc2217"});
      if (probe.finish(10000ms).first != 0) GTEST_SKIP() << "pyserial (python3-serial) is not installed";
    }
    server_ = std::make_unique<ChildProcess>(std::vector<std::string>{python, SOLWIRE_PYSERIAL_SERVER});
    const auto line = server_->readLine(kPatience);
    ASSERT_TRUE(line && line->starts_with("listening ")) << "the pyserial server did not start";
    port_ = static_cast<std::uint16_t>(std::stoi(line->substr(10)));
  }

  std::unique_ptr<ChildProcess> server_;
  std::uint16_t port_ = 0;
};

TEST_F(PyserialTest, ModemStateNotificationsReachTheStatusTriggerAndSettingsReachTheServer) {
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  int modemEvents = 0;
  std::string received;
  port.OnTriggerModemStatus = [&](TComPort&) { ++modemEvents; };
  port.OnTriggerAvail = [&](TComPort& p, std::uint16_t count) {
    for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(p.ReadChar()));
  };
  port.setDevicePath(url("rfc2217", port_));
  port.setBaud(2400);
  port.setOpen(true);
  EXPECT_TRUE(server_->waitForLine("baudrate 2400", kPatience));
  port.SendString(std::string("\xC5N\xFF", 3));  // echoed back, 0xFF included
  ASSERT_TRUE(ui.runUntil([&] { return received.size() == 3; }, kPatience));
  EXPECT_EQ(received, std::string("\xC5N\xFF", 3));
  EXPECT_FALSE(port.CarrierPresent());

  const std::uint16_t trigger = port.NewStatusTrigger(1);
  port.ArmStatusTrigger(trigger, modem::kDCD, true);
  server_->writeLine("cts on");  // another line: no hit
  ASSERT_TRUE(server_->waitForLine("lines set"));
  server_->writeLine("dcd on");
  ASSERT_TRUE(ui.runUntil([&] { return modemEvents == 1; }, kPatience));
  EXPECT_TRUE(port.CarrierPresent());
  EXPECT_EQ(port.ModemStatus() & modem::kLines, modem::kDCD | modem::kCTS);
  EXPECT_EQ(modemEvents, 1);

  port.setBaud(1200);
  EXPECT_TRUE(server_->waitForLine("baudrate 1200", kPatience));
  port.setOpen(false);
}

}  // namespace
}  // namespace solwire
