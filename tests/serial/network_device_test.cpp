// TComPort over the network device: a scripted peer for exact bytes and the
// awkward cases (refusals, drops, a connect nobody answers), and the
// simulator's RFC 2217 server for line settings and modem lines.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <thread>

#include "network_test_peer.h"
#include "serial/com_port.h"
#include "serial/comm_exception.h"
#include "serial/modem_status.h"
#include "serial/network_serial_device.h"
#include "serial/queue_main_thread.h"
#include "serial/telnet_codes.h"
#include "sim/network_line_server.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using namespace telnet;
using testing::Bytes;
using testing::TestPeer;

constexpr auto kPatience = 5000ms;

Bytes negotiation(std::uint8_t command, std::uint8_t option) {
  Bytes b;
  appendNegotiation(command, option, b);
  return b;
}

Bytes comPortCommand(std::uint8_t command, const Bytes& value) {
  Bytes b;
  appendComPortCommand(command, value, b);
  return b;
}

class NetworkPortTest : public ::testing::Test {
 protected:
  NetworkPortTest() {
    port.setAutoOpen(false);
    port.setPromptForPort(false);
    port.setBaud(2400);
    port.OnTriggerAvail = [this](TComPort& p, std::uint16_t count) {
      for (int i = 0; i < count; ++i) received.push_back(p.ReadChar());
    };
    port.OnDeviceLost = [this](TComPort&) { ++lost; };
  }

  // Points the port at `url`, with the device's notices kept for the test.
  void use(const std::string& url, NetworkPortOptions options = {}) {
    options.notice = [this](const std::string& text) {
      std::lock_guard lock(noticeMutex);
      notices.push_back(text);
    };
    port.setDeviceFactory([this, url, options] {
      auto device = std::make_unique<NetworkSerialDevice>(url, options);
      device_ = device.get();
      return device;
    });
  }

  bool noticeContains(const std::string& part) {
    std::lock_guard lock(noticeMutex);
    return std::any_of(notices.begin(), notices.end(), [&](const std::string& n) { return n.find(part) != std::string::npos; });
  }

  bool pump(const std::function<bool()>& done) { return ui.runUntil(done, kPatience); }
  // For conditions no event announces (a server's state): looks again every few milliseconds.
  bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      ui.runFor(2ms);
    }
    return true;
  }

  // The opening as a server that agrees to everything answers it.
  void acceptRfc2217() {
    ASSERT_TRUE(peer.accept());
    Bytes opening;
    for (auto [command, option] : {std::pair{kWILL, kOptionBinary}, {kDO, kOptionBinary}, {kWILL, kOptionSuppressGoAhead},
                                   {kDO, kOptionSuppressGoAhead}, {kWILL, kOptionComPort}})
      appendNegotiation(command, option, opening);
    ASSERT_TRUE(peer.expect(opening));
    Bytes answer;
    for (auto [command, option] : {std::pair{kDO, kOptionBinary}, {kWILL, kOptionBinary}, {kDO, kOptionSuppressGoAhead},
                                   {kWILL, kOptionSuppressGoAhead}, {kDO, kOptionComPort}})
      appendNegotiation(command, option, answer);
    peer.send(answer);
    ASSERT_TRUE(peer.expect(comPortCommand(comport::kSetLineStateMask, {comport::kLineErrors})));
  }

  // Declared before the port, which reports to them until it is gone.
  std::mutex noticeMutex;
  std::vector<std::string> notices;
  Bytes received;
  int lost = 0;
  TestPeer peer;
  QueueMainThread ui;
  TComPort port{ui};
  NetworkSerialDevice* device_ = nullptr;  // owned by the open port
};

TEST_F(NetworkPortTest, RawTcpCarriesBytesUnchangedAndHasNoModemLines) {
  use(peer.url("tcp"));
  port.setOpen(true);
  ASSERT_TRUE(peer.accept());
  port.SendString(std::string("\xC5N\xFF", 3));
  EXPECT_TRUE(peer.expect(Bytes{0xC5, 'N', 0xFF}));
  peer.send({0xFF, 0x01, 0xFF});
  ASSERT_TRUE(pump([&] { return received.size() == 3; }));
  EXPECT_EQ(received, (Bytes{0xFF, 0x01, 0xFF}));
  port.setBaud(1200);  // accepted, and nothing goes on the wire for it
  port.setParity(Parity::pEven);
  EXPECT_FALSE(port.CarrierPresent());
  EXPECT_TRUE(peer.drain(100ms).empty());
}

TEST_F(NetworkPortTest, Rfc2217SendsTheLineAtAgreementAndOnEveryChange) {
  use(peer.url("rfc2217"));
  port.setOpen(true);
  acceptRfc2217();
  port.setBaud(1200);
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kSetBaudRate, {0, 0, 0x04, 0xB0})));
  port.setDataBits(7);
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kSetDataSize, {7})));
  port.setParity(Parity::pOdd);
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kSetParity, {comport::kParityOdd})));
  port.setStopBits(2);
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kSetStopSize, {comport::kStopTwo})));
  port.setDTR(false);
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kSetControl, {comport::kDtrOff})));
  port.FlushInput();
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kPurgeData, {comport::kPurgeReceive})));
  port.FlushOutput();
  EXPECT_TRUE(peer.expect(comPortCommand(comport::kPurgeData, {comport::kPurgeTransmit})));
  EXPECT_TRUE(device_->comPortAccepted());
}

TEST_F(NetworkPortTest, IacBytesAreDoubledOutAndUndoubledInEvenSplitAcrossSegments) {
  use(peer.url("rfc2217"));
  port.setOpen(true);
  acceptRfc2217();
  port.SendString(std::string("\xFF\x01\xFF", 3));
  EXPECT_TRUE(peer.expect(Bytes{0xFF, 0xFF, 0x01, 0xFF, 0xFF}));

  peer.send({0x41, kIAC});  // the reply's 0xFF byte: its first half ...
  ASSERT_TRUE(pump([&] { return received.size() == 1; }));
  EXPECT_TRUE(ui.runUntil([&] { return received.size() > 1; }, 50ms) == false);  // nothing more yet
  peer.send({kIAC, 0x42});  // ... and its second half in another segment
  ASSERT_TRUE(pump([&] { return received.size() == 3; }));
  EXPECT_EQ(received, (Bytes{0x41, 0xFF, 0x42}));
}

TEST_F(NetworkPortTest, UnknownOptionsAreRefusedAndNeverReachTheData) {
  use(peer.url("rfc2217"));
  port.setOpen(true);
  acceptRfc2217();
  Bytes offers = negotiation(kWILL, kOptionEcho);
  const Bytes more = negotiation(kDO, 24);
  offers.insert(offers.end(), more.begin(), more.end());
  offers.insert(offers.end(), {kIAC, kSB, 24, 1, kIAC, kSE, 'x'});
  peer.send(offers);
  EXPECT_TRUE(peer.expect(negotiation(kDONT, kOptionEcho)));
  EXPECT_TRUE(peer.expect(negotiation(kWONT, 24)));
  ASSERT_TRUE(pump([&] { return !received.empty(); }));
  EXPECT_EQ(received, Bytes{'x'});
}

TEST_F(NetworkPortTest, AServerRefusingComPortStillCarriesDataAndSaysSo) {
  use(peer.url("rfc2217"));
  port.setOpen(true);
  ASSERT_TRUE(peer.accept());
  ASSERT_TRUE(peer.expect(negotiation(kWILL, kOptionComPort)));
  peer.send(negotiation(kDONT, kOptionComPort));
  peer.send({'o', 'k'});
  ASSERT_TRUE(pump([&] { return received.size() == 2; }));
  EXPECT_TRUE(noticeContains("refused COM-PORT-OPTION"));
  EXPECT_FALSE(device_->comPortAccepted());
  port.setBaud(1200);
  port.SendString("\xC1N");
  const Bytes sent = peer.drain(100ms);
  EXPECT_EQ(sent, (Bytes{0xC1, 'N'}));  // the data, and no line settings
  EXPECT_FALSE(port.CarrierPresent());
}

TEST_F(NetworkPortTest, AServerClosingMidReplyIsTheDeviceVanishingOnce) {
  use(peer.url("tcp"));
  port.setOpen(true);
  ASSERT_TRUE(peer.accept());
  peer.send(Bytes(10, 0xC1));  // ten of a 27-byte reply
  ASSERT_TRUE(pump([&] { return received.size() == 10; }));
  peer.dropClient();
  ASSERT_TRUE(pump([&] { return lost == 1; }));
  EXPECT_TRUE(port.DeviceLost());
  EXPECT_TRUE(noticeContains("connection closed"));
  const auto waits = port.stats().eventWaits;
  port.SendString("\xC5N");  // goes nowhere, and nothing spins
  ui.runFor(150ms);
  EXPECT_LE(port.stats().eventWaits - waits, 1u);
  EXPECT_EQ(lost, 1);

  port.setOpen(false);  // the next request opens it again, as for a local device
  port.setOpen(true);
  ASSERT_TRUE(peer.accept());
  port.SendString("\xC5N");
  EXPECT_TRUE(peer.expect(Bytes{0xC5, 'N'}));
  EXPECT_FALSE(port.DeviceLost());
}

TEST_F(NetworkPortTest, ARefusedConnectFailsTheOpenWithTheSystemsReason) {
  std::uint16_t freePort = 0;
  ::close(testing::listenOnLoopback(1, freePort));  // nobody listens there now
  use("rfc2217://127.0.0.1:" + std::to_string(freePort));
  try {
    port.setOpen(true);
    FAIL() << "the open succeeded";
  } catch (const ECommException& e) {
    EXPECT_EQ(e.code(), -ECONNREFUSED);
    EXPECT_STREQ(e.what(), "Connection refused");
  }
  EXPECT_FALSE(port.Open());
  use("rfc2217://127.0.0.1");  // no port
  EXPECT_THROW(port.setOpen(true), EBadId);
  EXPECT_FALSE(port.Open());
}

TEST_F(NetworkPortTest, AConnectNobodyAnswersEndsAfterTheTimeOutWithoutHoldingTheCaller) {
  // A listener whose accept queue is full drops further connection requests.
  std::uint16_t silentPort = 0;
  const int listener = testing::listenOnLoopback(0, silentPort);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(silentPort);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    fillers.push_back(fd);
  }
  NetworkPortOptions options;
  options.connectTimeout = 400ms;
  use("tcp://127.0.0.1:" + std::to_string(silentPort), options);
  const auto before = std::chrono::steady_clock::now();
  port.setOpen(true);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);  // bounded by openWait, not the time-out
  EXPECT_TRUE(port.Open());
  port.SendString("\xC5N");  // waits for the connection, off this thread
  ASSERT_TRUE(pump([&] { return lost == 1; }));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 3s);
  EXPECT_TRUE(noticeContains("could not connect: Connection timed out"));
  for (int fd : fillers) ::close(fd);
  ::close(listener);
}

TEST_F(NetworkPortTest, AComNumberMayNameANetworkPort) {
  const std::string url = peer.url("rfc2217");
  TComPort com(ui, DeviceDirectory(PortNames([url](int n) { return n == 3 ? std::optional(url) : std::nullopt; })));
  com.setAutoOpen(false);
  com.setComNumber(3);
  com.setOpen(true);
  EXPECT_TRUE(peer.accept());
  EXPECT_TRUE(peer.expect(negotiation(kWILL, kOptionComPort)));
}

TEST(NetworkDevice, AServerThatAsksWithoutReadingCannotGrowTheQueueWithoutEnd) {
  TestPeer peer;
  NetworkPortOptions options;
  options.notice = [](const std::string&) {};
  NetworkSerialDevice device(peer.url("rfc2217"), options);
  ASSERT_EQ(device.open(), 0);
  ASSERT_TRUE(peer.accept());
  Bytes requests;
  while (requests.size() < 65536) {
    const Bytes one = negotiation(kDO, 24);  // each asks for a refusal
    requests.insert(requests.end(), one.begin(), one.end());
  }
  std::atomic<bool> sent{false};
  std::thread sender([&] {
    for (int i = 0; i < 192; ++i) peer.send(requests);  // 12 MB; the peer reads none of the answers
    sent = true;
    device.wake();
  });
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  std::uint8_t buffer[4096];
  while (!sent.load() && std::chrono::steady_clock::now() < deadline) {
    device.wait(DeviceWaitRequest{});
    EXPECT_EQ(device.read(buffer, sizeof buffer).count, 0u);  // commands only: never data
  }
  sender.join();
  while (peer.unsent() > 0 && std::chrono::steady_clock::now() < deadline) device.read(buffer, sizeof buffer);
  device.read(buffer, sizeof buffer);
  EXPECT_LT(device.outputQueued(), 6u << 20);  // every answer kept would be 12 MB
  device.close();
}

// ---- against the simulator's RFC 2217 server

class SimulatedServerTest : public NetworkPortTest {
 protected:
  SimulatedServerTest() : server({sim::ListenOptions::Protocol::Rfc2217, 0, "127.0.0.1", false}, 1, 2400) {
    server.start();
    use("rfc2217://127.0.0.1:" + std::to_string(server.port()));
  }
  sim::NetworkLineServer server;
};

TEST_F(SimulatedServerTest, LineSettingsAndOutputLinesReachTheServer) {
  port.setRTS(true);
  port.setOpen(true);
  ASSERT_TRUE(eventually([&] { return server.requested().baud == 2400 && server.requested().rts; }));
  EXPECT_EQ(server.requested().dataSize, 8);
  EXPECT_EQ(server.requested().parity, comport::kParityNone);
  EXPECT_EQ(server.requested().stopSize, comport::kStopOne);
  EXPECT_TRUE(server.requested().dtr);
  port.setBaud(1200);
  port.setParity(Parity::pEven);
  port.setDTR(false);
  EXPECT_TRUE(eventually([&] {
    const auto r = server.requested();
    return r.baud == 1200 && r.parity == comport::kParityEven && !r.dtr;
  }));
}

TEST_F(SimulatedServerTest, NotifyModemStateRaisesTheCarrierTriggerOnce) {
  int modemEvents = 0;
  port.OnTriggerModemStatus = [&](TComPort&) { ++modemEvents; };
  port.setOpen(true);
  ASSERT_TRUE(eventually([&] { return server.comPortAccepted(); }));
  EXPECT_FALSE(port.CarrierPresent());
  const std::uint16_t trigger = port.NewStatusTrigger(1);
  port.ArmStatusTrigger(trigger, modem::kDCD, true);
  server.setModemLines(modem::kCTS);  // another line: no hit
  ASSERT_TRUE(eventually([&] { return (port.ModemStatus() & modem::kCTS) != 0; }));
  EXPECT_EQ(modemEvents, 0);
  server.setModemLines(modem::kCTS | modem::kDCD);
  ASSERT_TRUE(pump([&] { return modemEvents == 1; }));
  EXPECT_TRUE(port.CarrierPresent());
  server.setModemLines(modem::kCTS | modem::kDCD | modem::kDSR);
  ui.runFor(100ms);
  EXPECT_EQ(modemEvents, 1);  // the trigger fires once per arming
  port.ArmStatusTrigger(trigger, modem::kDCD, true);
  server.setModemLines(0);  // carrier gone
  ASSERT_TRUE(pump([&] { return modemEvents == 2; }));
  EXPECT_FALSE(port.CarrierPresent());
}

}  // namespace
}  // namespace solwire
