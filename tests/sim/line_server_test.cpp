#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "sim/line_server.h"
#include "sim/line_timing.h"
#include "sim/pty_server.h"
#include "sim/sim_options.h"

namespace solwire::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const LocalTime kNoon{2024, 6, 15, 12, 0, 0};

TEST(LineServer, PacesAReplyAfterTheTurnaroundAtTheLineSpeed) {
  RegulatorBus bus;
  bus.addSite(4, 2);
  LineServer server(bus, 1200);
  const auto t0 = Clock::time_point{} + 1h;
  const std::uint8_t request[] = {0xC4, 'V'};
  server.received(request, t0, kNoon);

  const auto byteTime = lineTime(1, 1200);  // 8.34 ms
  EXPECT_TRUE(server.takeDue(t0 + kReplyTurnaround).empty());
  EXPECT_EQ(server.takeDue(t0 + kReplyTurnaround + byteTime).size(), 1u);
  EXPECT_EQ(server.takeDue(t0 + kReplyTurnaround + 5 * byteTime).size(), 4u);
  EXPECT_FALSE(server.nextDue().has_value());
}

TEST(LineServer, RepliesToBackToBackRequestsDoNotOverlap) {
  RegulatorBus bus;
  bus.addSite(0, 2);
  bus.addSite(1, 2);
  LineServer server(bus, 2400);
  const auto t0 = Clock::time_point{} + 1h;
  const std::uint8_t requests[] = {0xC0, 'V', 0xC1, 'V'};
  server.received(requests, t0, kNoon);
  // The first request ended two byte times before the second; its reply's
  // last byte is due before the second reply's first.
  const auto firstDone = t0 - lineTime(2, 2400) + kReplyTurnaround + lineTime(5, 2400);
  const auto first = server.takeDue(firstDone);
  ASSERT_EQ(first.size(), 5u);
  EXPECT_EQ(first[0], 0xD0);
  ASSERT_TRUE(server.nextDue().has_value());
  EXPECT_GT(*server.nextDue(), firstDone);
  EXPECT_EQ(server.takeDue(firstDone + 1s).size(), 5u);
}

TEST(SimOptions, ParsesSitesFaultsAndSpeed) {
  const auto parsed = parseSimOptions({"--sites", "0:2,5,31:14", "--baud", "1200", "--fault", "5=late:6000",
                                       "--fault", "0=corrupt", "--seed", "9"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  const SimOptions& o = *parsed.options;
  ASSERT_EQ(o.sites.size(), 3u);
  EXPECT_EQ(o.sites[1].site, 5);
  EXPECT_EQ(o.sites[1].typeCode, 2);
  EXPECT_EQ(o.sites[2].typeCode, 14);
  EXPECT_EQ(o.baud, 1200);
  EXPECT_EQ(o.seed, 9u);
  ASSERT_EQ(o.faults.size(), 2u);
  EXPECT_EQ(o.faults[0].fault, Fault::LateReply);
  EXPECT_EQ(o.faults[0].lateBy, 6000ms);
  EXPECT_EQ(o.faults[1].fault, Fault::CorruptTag);
}

TEST(SimOptions, RejectsWhatItCannotServe) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"--sites", "32"}, {"--sites", "1:40"}, {"--sites", ""}, {"--baud", "0"},
        {"--fault", "1=melt"}, {"--fault", "1"}, {"--baud"}, {"--colour", "red"}})
    EXPECT_FALSE(parseSimOptions(words).options) << words[0];
}

TEST(SimOptions, HelpPrintsTheUsageInsteadOfWantingAValue) {
  for (const char* help : {"--help", "-h"}) {
    const auto parsed = parseSimOptions({"--baud", "1200", help});
    EXPECT_TRUE(parsed.helpAsked) << help;
    EXPECT_TRUE(parsed.error.empty()) << parsed.error;
  }
  EXPECT_FALSE(parseSimOptions({"--baud", "1200"}).helpAsked);
}

// Reads until `count` bytes came or the deadline passed.
std::vector<std::uint8_t> readReply(int fd, std::size_t count) {
  std::vector<std::uint8_t> bytes;
  const auto deadline = Clock::now() + 5s;
  while (bytes.size() < count && Clock::now() < deadline) {
    pollfd readable{fd, POLLIN, 0};
    if (poll(&readable, 1, 100) <= 0) continue;
    std::uint8_t buffer[64];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

TEST(PtyServer, AnswersOnAPseudoTerminalLikeASerialLine) {
  PtyServer server(1, 115200);
  server.withBus([](RegulatorBus& bus) { bus.addSite(3, 17); });
  server.start();

  const int fd = open(server.devicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios raw{};
  ASSERT_EQ(tcgetattr(fd, &raw), 0);
  cfmakeraw(&raw);
  ASSERT_EQ(tcsetattr(fd, TCSANOW, &raw), 0);

  const std::uint8_t request[] = {0xC3, 'N'};
  ASSERT_EQ(write(fd, request, sizeof request), 2);
  const auto reply = readReply(fd, 27);
  ASSERT_EQ(reply.size(), 27u);
  EXPECT_EQ(reply[0], 17);

  server.withBus([](RegulatorBus& bus) { bus.site(3)->setFault(Fault::CorruptTag); });
  const std::uint8_t alarms[] = {0xC3, 'V'};
  ASSERT_EQ(write(fd, alarms, sizeof alarms), 2);
  const auto corrupted = readReply(fd, 5);
  ASSERT_EQ(corrupted.size(), 5u);
  EXPECT_EQ(corrupted[1] & 0xF0, 0xF0);
  close(fd);
  server.stop();
}

}  // namespace
}  // namespace solwire::sim
