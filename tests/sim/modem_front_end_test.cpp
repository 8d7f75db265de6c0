// The bus behind the simulated modem as a served line, on its own and on
// solwire-sim's pty; solwire-sim's --modem options and far-end command.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>

#include "serial/modem_status.h"
#include "sim/line_control_command.h"
#include "sim/line_timing.h"
#include "sim/modem_front_end.h"
#include "sim/pty_server.h"
#include "sim/sim_options.h"
#include "sim/simulated_modem_service.h"

namespace solwire::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

const LocalTime kNoon{2024, 6, 15, 12, 0, 0};

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }
std::string asText(const Bytes& b) { return std::string(b.begin(), b.end()); }

class ModemFrontEndTest : public ::testing::Test {
 protected:
  ModemFrontEndTest() : frontEnd(bus, builtInModemOptions(), 2400) { bus.addSite(1, 21); }

  // Dials at t0 and collects CONNECT when it is due; returns that moment.
  Clock::time_point connect() {
    frontEnd.received(text("ATDT0123\r"), t0, kNoon);
    EXPECT_EQ(asText(frontEnd.takeDue(t0)), "ATDT0123\r");
    const auto due = frontEnd.nextDue();
    EXPECT_TRUE(due.has_value());
    EXPECT_EQ(*due, t0 + 2s) << "the built-in modem connects 2 s after the dial";
    EXPECT_EQ(asText(frontEnd.takeDue(*due)), "\r\nCONNECT 2400\r\n");
    return *due;
  }
  bool carrier() const { return (*frontEnd.modemLines() & modem::kDCD) != 0; }

  RegulatorBus bus;
  ModemFrontEnd frontEnd;
  const Clock::time_point t0 = Clock::time_point{} + 1h;
};

TEST_F(ModemFrontEndTest, ACallCarriesARequestToTheBusAndItsPacedReplyBack) {
  EXPECT_EQ(frontEnd.modemLines(), modem::kCTS | modem::kDSR) << "switched on, no call";
  const auto connected = connect();
  EXPECT_EQ(frontEnd.modemLines(), modem::kCTS | modem::kDSR | modem::kDCD);

  const auto asked = connected + 100ms;
  frontEnd.received(Bytes{0xC1, 'V'}, asked, kNoon);
  EXPECT_TRUE(frontEnd.takeDue(asked).empty()) << "the regulator's turnaround comes first";
  const auto reply = frontEnd.takeDue(asked + kReplyTurnaround + lineTime(5, 2400));
  ASSERT_EQ(reply.size(), 5u);
  EXPECT_EQ(reply[0], 0xD0) << "the alarm reply's tag";
  EXPECT_FALSE(frontEnd.nextDue().has_value());
}

TEST_F(ModemFrontEndTest, BytesArrivingAfterTheConnectTimeAreCarriedEvenBeforeTheConnectWasCollected) {
  frontEnd.received(text("ATDT0123\r"), t0, kNoon);
  frontEnd.takeDue(t0);
  // The server woke late: the request comes in after the call connected.
  frontEnd.received(Bytes{0xC1, 'V'}, t0 + 2s + 50ms, kNoon);
  EXPECT_TRUE(carrier()) << "the request did not abort the dial";
  const auto out = asText(frontEnd.takeDue(t0 + 3s));
  EXPECT_EQ(out.rfind("\r\nCONNECT 2400\r\n", 0), 0u) << out;
  EXPECT_EQ(out.size(), std::string("\r\nCONNECT 2400\r\n").size() + 5) << "and the reply followed";
}

TEST_F(ModemFrontEndTest, TheEscapeAndAth0EndTheCallAndDtrOrTheFarEndEndItToo) {
  auto at = connect() + 2s;
  frontEnd.received(text("+++"), at, kNoon);
  EXPECT_EQ(frontEnd.nextDue(), at + 1s) << "the closing guard time";
  EXPECT_EQ(asText(frontEnd.takeDue(at + 1s)), "\r\nOK\r\n");
  at += 2s;
  frontEnd.received(text("ATH0\r"), at, kNoon);
  EXPECT_EQ(asText(frontEnd.takeDue(at)), "ATH0\r\r\nOK\r\n");
  EXPECT_FALSE(carrier());

  connect();
  frontEnd.dtrDropped();
  EXPECT_FALSE(carrier()) << "DTR dropped with &D2";

  connect();
  frontEnd.dropCarrier();
  EXPECT_FALSE(carrier());
  EXPECT_EQ(asText(frontEnd.takeDue(t0 + 10s)), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(frontEnd.modem().record().front().bytes, "ATDT0123\r");
}

TEST(SimOptions, ModemWithItsConnectDelay) {
  const auto plain = parseSimOptions({});
  ASSERT_TRUE(plain.options);
  EXPECT_FALSE(plain.options->modem);
  EXPECT_FALSE(modemOptions(*plain.options)) << "the bare bus unless asked";

  const auto parsed = parseSimOptions({"--modem", "--listen", "rfc2217:0", "--connect-delay", "300"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const auto modem = modemOptions(*parsed.options);
  ASSERT_TRUE(modem);
  EXPECT_EQ(modem->connectDelay, 300ms);
  EXPECT_EQ(modem->answers.at("555"), DialAnswer::Busy);
  EXPECT_EQ(modem->answers.at("556"), DialAnswer::NoCarrier);
  EXPECT_EQ(modem->answers.at("557"), DialAnswer::NeverAnswer);
  EXPECT_EQ(modemOptions(*parseSimOptions({"--modem"}).options)->connectDelay, 2000ms) << "the default";

  const auto withoutModem = parseSimOptions({"--connect-delay", "300"});
  EXPECT_FALSE(withoutModem.options);
  EXPECT_NE(withoutModem.error.find("--modem"), std::string::npos) << withoutModem.error;
  for (const char* bad : {"-1", "x", "600001"})
    EXPECT_FALSE(parseSimOptions({"--modem", "--connect-delay", bad}).options) << bad;
}

TEST(SimOptions, TheUsageSaysAPtyCarriesNoCarrier) {
  const std::string usage = kSimUsage;
  EXPECT_NE(usage.find("--modem"), std::string::npos);
  EXPECT_NE(usage.find("A pty and raw\nTCP carry no modem lines"), std::string::npos) << usage;
}

TEST(LineControlCommand, OnlyDcdOffIsTheFarEndHangingUp) {
  EXPECT_TRUE(isCarrierDropCommand("dcd off"));
  EXPECT_TRUE(isCarrierDropCommand("  dcd   off "));
  for (const char* other : {"dcd on", "cts off", "ri off", "dcd", "dcd off now", "record", ""})
    EXPECT_FALSE(isCarrierDropCommand(other)) << other;
}

// A raw client end of solwire-sim's pty.
class PtyClient {
 public:
  explicit PtyClient(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    termios raw{};
    if (fd_ >= 0 && tcgetattr(fd_, &raw) == 0) {
      cfmakeraw(&raw);
      tcsetattr(fd_, TCSANOW, &raw);
    }
  }
  ~PtyClient() {
    if (fd_ >= 0) close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  void send(const Bytes& bytes) { [[maybe_unused]] const ssize_t n = write(fd_, bytes.data(), bytes.size()); }
  void send(std::string_view s) { send(text(s)); }
  // Reads until what came ends with `ending` or 5 s passed; returns it all.
  std::string readUntil(const std::string& ending) {
    std::string got;
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline && !(got.size() >= ending.size() && got.ends_with(ending))) {
      pollfd readable{fd_, POLLIN, 0};
      if (poll(&readable, 1, 50) <= 0) continue;
      char buffer[256];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }
  // Reads until nothing more comes for 200 ms (at most 5 s).
  std::string drain() {
    std::string got;
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline) {
      pollfd readable{fd_, POLLIN, 0};
      if (poll(&readable, 1, 200) <= 0) break;
      char buffer[256];
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  int fd_;
};

TEST(PtyServer, WithAModemTheBusAnswersBehindAConnectedCall) {
  HayesModemOptions options = builtInModemOptions();
  options.connectDelay = 100ms;
  PtyServer server(1, 115200, options);
  server.withBus([](RegulatorBus& bus) { bus.addSite(3, 17); });
  server.start();
  PtyClient client(server.devicePath());
  ASSERT_TRUE(client.ok());

  client.send("AT\r");
  EXPECT_EQ(client.readUntil("OK\r\n"), "AT\r\r\nOK\r\n");
  client.send("ATDT555\r");
  EXPECT_NE(client.readUntil("BUSY\r\n").find("BUSY"), std::string::npos);
  client.send("ATDT0123\r");
  EXPECT_NE(client.readUntil("CONNECT 2400\r\n").find("CONNECT"), std::string::npos);
  client.send(Bytes{0xC3, 'V'});
  const std::string reply = client.drain();
  ASSERT_EQ(reply.size(), 5u) << "site 3's reply came through the call";
  EXPECT_EQ(static_cast<std::uint8_t>(reply[0]), 0xD0) << "the alarm reply's tag";
  server.dropCarrier();
  EXPECT_EQ(client.readUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n") << "dcd off: the far end went";
  server.stop();
}

// Commands, data, escapes and far-end hang-ups at random moments from two
// threads: the server stays consistent and its modem answers at the end.
TEST(PtyServer, AModemUnderRandomCommandsAndHangUpsStillAnswersAtTheEnd) {
  HayesModemOptions options = builtInModemOptions();
  options.connectDelay = 20ms;
  options.failureDelay = 10ms;
  options.guardTime = 30ms;
  PtyServer server(7, 115200, options);
  server.withBus([](RegulatorBus& bus) { bus.addSite(1, 2); });
  server.start();
  PtyClient client(server.devicePath());
  ASSERT_TRUE(client.ok());

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::atomic<bool> done{false};
  std::thread farEnd([&] {
    std::mt19937 random(seed + 1);
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
      if (random() % 2) server.dropCarrier();
      server.withBus([&](RegulatorBus& bus) { bus.site(1)->setFault(random() % 4 ? Fault::None : Fault::Silent); });
    }
  });
  std::mt19937 random(seed);
  const std::vector<Bytes> moves{text("ATDT0123\r"), text("ATDT555\r"), text("ATDT557\r"), text("+++"),
                                 text("ATH0\r"),     text("ATE0Q0V1\r"), Bytes{0xC1, 'V'}, Bytes{0xC1, 'N'},
                                 text("AT&D0\r"),    text("AT&D2\r")};
  for (int i = 0; i < 150; ++i) {
    client.send(moves[random() % moves.size()]);
    pollfd readable{-1, 0, 0};
    poll(&readable, 0, static_cast<int>(random() % 20));
  }
  done = true;
  farEnd.join();

  server.dropCarrier();  // back in command mode, whatever the last move was
  server.withBus([](RegulatorBus& bus) { bus.site(1)->setFault(Fault::None); });
  client.send("\rATE1\r");
  client.drain();
  client.send("AT\r");
  EXPECT_TRUE(client.readUntil("OK\r\n").ends_with("AT\r\r\nOK\r\n"));
  server.stop();
}

}  // namespace
}  // namespace solwire::sim
