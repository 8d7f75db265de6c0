// The simulator's network side: the RFC 2217 server session on its own, the
// line commands and options of solwire-sim, and the bus served over TCP.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "serial/modem_status.h"
#include "serial/telnet_codes.h"
#include "sim/line_control_command.h"
#include "sim/network_line_server.h"
#include "sim/rfc2217_server_session.h"
#include "sim/sim_options.h"

namespace solwire::sim {
namespace {

using namespace telnet;
using Bytes = std::vector<std::uint8_t>;

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

TEST(Rfc2217ServerSession, AgreesToComPortRecordsTheLineAndConfirmsEachCommand) {
  Rfc2217ServerSession session;
  Bytes out;
  session.setModemLines(modem::kDSR, out);
  EXPECT_TRUE(out.empty());  // nobody to tell yet
  EXPECT_TRUE(session.received(negotiation(kWILL, kOptionComPort), out).empty());
  EXPECT_TRUE(session.comPortAccepted());
  Bytes expected = negotiation(kDO, kOptionComPort);
  const Bytes first = comPortCommand(comport::kServerOffset + comport::kNotifyModemState, {modem::kDSR});
  expected.insert(expected.end(), first.begin(), first.end());
  EXPECT_EQ(out, expected);

  out.clear();
  Bytes commands = comPortCommand(comport::kSetBaudRate, {0, 0, 0x04, 0xB0});
  for (const Bytes& more : {comPortCommand(comport::kSetParity, {comport::kParityEven}),
                            comPortCommand(comport::kSetControl, {comport::kDtrOn}), Bytes{'d', 0xFF, 0xFF}})
    commands.insert(commands.end(), more.begin(), more.end());
  EXPECT_EQ(session.received(commands, out), (Bytes{'d', 0xFF}));
  EXPECT_EQ(session.requested().baud, 1200u);
  EXPECT_EQ(session.requested().parity, comport::kParityEven);
  EXPECT_TRUE(session.requested().dtr);
  const Bytes confirmed = comPortCommand(comport::kServerOffset + comport::kSetBaudRate, {0, 0, 0x04, 0xB0});
  EXPECT_NE(std::search(out.begin(), out.end(), confirmed.begin(), confirmed.end()), out.end());
}

TEST(Rfc2217ServerSession, NotifiesOnlyChangesTheClientsMaskLetsThrough) {
  Rfc2217ServerSession session;
  Bytes out;
  session.received(negotiation(kWILL, kOptionComPort), out);
  session.received(comPortCommand(comport::kSetModemStateMask, {modem::kDCD | modem::kDeltaDCD}), out);
  out.clear();
  session.setModemLines(modem::kCTS, out);  // masked out
  EXPECT_TRUE(out.empty());
  session.setModemLines(modem::kCTS | modem::kDCD, out);
  EXPECT_EQ(out, comPortCommand(comport::kServerOffset + comport::kNotifyModemState, {modem::kDCD | modem::kDeltaDCD}));
  out.clear();
  session.setModemLines(modem::kCTS | modem::kDCD, out);  // no change
  EXPECT_TRUE(out.empty());
}

TEST(Rfc2217ServerSession, ARefusingServerTurnsComPortAndUnknownOptionsDown) {
  Rfc2217ServerSession session(true);
  Bytes out;
  Bytes offers = negotiation(kWILL, kOptionComPort);
  const Bytes echo = negotiation(kDO, kOptionEcho);
  offers.insert(offers.end(), echo.begin(), echo.end());
  session.received(offers, out);
  Bytes expected = negotiation(kDONT, kOptionComPort);
  const Bytes wont = negotiation(kWONT, kOptionEcho);
  expected.insert(expected.end(), wont.begin(), wont.end());
  EXPECT_EQ(out, expected);
  out.clear();
  session.received(comPortCommand(comport::kSetBaudRate, {0, 0, 0x04, 0xB0}), out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(session.requested().baud, 0u);
}

TEST(LineControlCommand, SetsAndClearsOneLine) {
  EXPECT_EQ(applyLineCommand("dcd on", 0), modem::kDCD);
  EXPECT_EQ(applyLineCommand("cts off", modem::kCTS | modem::kRI), modem::kRI);
  EXPECT_EQ(applyLineCommand("  ri on ", 0), modem::kRI);
  for (const char* bad : {"dcd", "dcd maybe", "dtr on", "dcd on now", ""}) EXPECT_FALSE(applyLineCommand(bad, 0)) << bad;
}

TEST(SimOptions, ListenAndBind) {
  const auto parsed = parseSimOptions({"--listen", "rfc2217:4001", "--bind", "::1"});
  ASSERT_TRUE(parsed.options);
  ASSERT_TRUE(parsed.options->listen);
  EXPECT_TRUE(parsed.options->listen->rfc2217);
  EXPECT_EQ(parsed.options->listen->port, 4001);
  EXPECT_EQ(parsed.options->bindAddress, "::1");
  const auto raw = parseSimOptions({"--listen", "tcp:0"});
  ASSERT_TRUE(raw.options);
  EXPECT_FALSE(raw.options->listen->rfc2217);
  EXPECT_EQ(raw.options->bindAddress, "127.0.0.1");
  for (const char* bad : {"udp:4001", "tcp", "tcp:70000", "rfc2217:x"}) {
    const auto wrong = parseSimOptions({"--listen", bad});
    EXPECT_FALSE(wrong.options) << bad;
    EXPECT_NE(wrong.error.find("--listen"), std::string::npos);
  }
}

int connectTo(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

// Reads until `count` bytes or the end of the connection (bounded by a deadline).
Bytes readBytes(int fd, std::size_t count) {
  Bytes got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    std::uint8_t buffer[64];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

TEST(NetworkLineServer, ServesTheBusOverRawTcpToOneClientAtATime) {
  NetworkLineServer server({ListenOptions::Protocol::RawTcp, 0, "127.0.0.1", false}, 1, 9600);
  server.withBus([](RegulatorBus& bus) { bus.addSite(3, 2); });
  server.start();
  const int client = connectTo(server.port());
  const std::uint8_t request[] = {192 + 3, 'N'};
  ASSERT_EQ(::send(client, request, sizeof request, 0), 2);
  const Bytes reply = readBytes(client, 27);
  EXPECT_EQ(reply.size(), 27u);

  const int second = connectTo(server.port());
  EXPECT_TRUE(readBytes(second, 1).empty());  // turned away: the connection ends
  EXPECT_EQ(server.connectionsAccepted(), 1);
  ::close(second);
  ::close(client);
  server.stop();
}

}  // namespace
}  // namespace solwire::sim
