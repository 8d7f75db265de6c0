// Closing, reopening and moving a port to another COM number, from outside
// its handlers and from inside them, while timer hits and packet deliveries
// are on their way to the main thread. Random, but bounded to about a second.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <iostream>
#include <random>

#include "serial/data_packet.h"
#include "serial_test_support.h"

namespace solwire {
namespace {

class ReopenStressTest : public testing::PortTest {
 protected:
  static constexpr std::size_t kTimers = 3;

  ReopenStressTest() : random(seed()) {
    port = makeComPort();
    packet.setComPort(port.get());
    packet.setStartCond(StartCondition::scAnyData);
    packet.setEndCond(ecPacketSize);
    packet.setPacketSize(4);
    packet.setTimeOut(0);
    packet.setAutoEnable(true);
    packet.OnPacket = [this](ReplyMatcher&, const std::uint8_t* data, std::int32_t size) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size)), "abcd");
      ++delivered;
      disturbFromInside();
    };
    port->OnTriggerTimer = [this](LinkPort&, std::uint16_t handle) {
      for (std::size_t i = 0; i < kTimers; ++i) {
        if (handles[i] != handle) continue;
        EXPECT_TRUE(armed[i]) << "a hit came twice";
        armed[i] = false;
        ++fired;
      }
      disturbFromInside();
    };
  }

  static unsigned seed() {
    const unsigned s = std::random_device{}();
    std::cout << "seed " << s << '\n';
    return s;
  }

  bool chance(unsigned in) { return random() % in == 0; }

  InMemoryLine& currentLine() { return port->ComNumber() == 1 ? *line : *lineB; }
  std::uint16_t otherCom() const { return port->ComNumber() == 1 ? 2 : 1; }

  // What a handler may do to its own port: the close completes after it.
  void disturbFromInside() {
    if (quiet || !chance(4)) return;
    switch (random() % 3) {
      case 0:
        port->setOpen(false);
        port->setOpen(true);
        break;
      case 1: port->setComNumber(otherCom()); break;
      default: port->setOpen(false); break;
    }
  }

  void disturbFromOutside() {
    switch (random() % 3) {
      case 0:
        port->setOpen(false);
        port->setOpen(true);
        break;
      case 1: port->setComNumber(otherCom()); break;
      default: port->setOpen(!port->Open()); break;
    }
  }

  void armSomeTimer() {
    const std::size_t i = random() % kTimers;
    if (armed[i] || !port->Open()) return;
    port->ArmTimerTrigger(handles[i], 1 + random() % 2, true);
    armed[i] = true;
    ++armings;
  }

  void step() {
    switch (random() % 6) {
      case 0: armSomeTimer(); break;
      case 1: clock.advance(60); break;
      case 2: currentLine().write("abcd"); break;
      case 3: disturbFromOutside(); break;
      default: processEvents(); break;
    }
  }

  // A close from inside a handler completes once the port's threads have
  // ended; they post its end to this thread.
  void processEvents() {
    if (closing()) {
      ASSERT_TRUE(ui.waitForTask(testing::kPatience));
    }
    ui.processEvents();
  }

  bool closing() const { return !port->Open() && port->dispatcher() != nullptr; }

  std::mt19937 random;
  TDataPacket packet;
  std::array<std::uint16_t, kTimers> handles{};
  std::array<bool, kTimers> armed{};
  int armings = 0;
  int fired = 0;
  int delivered = 0;
  bool quiet = false;
};

TEST_F(ReopenStressTest, NoHitIsLostAndThePacketNeverEndsDisabled) {
  port->setOpen(true);
  for (auto& handle : handles) handle = port->NewTimerTrigger();
  packet.setEnabled(true);
  const auto budget = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  int steps = 0;
  int openSteps = 0;
  for (; steps < 100'000 && std::chrono::steady_clock::now() < budget; ++steps) {
    step();
    if (port->Open()) ++openSteps;
  }

  // Quiet now: open, every armed timer due, the queue drained.
  quiet = true;
  ASSERT_TRUE(pump([&] {
    if (!port->Open()) port->setOpen(true);  // pending while a close completes
    return port->Open();
  }));
  clock.advance(200);
  ASSERT_TRUE(pump([&] { return fired == armings; })) << fired << " of " << armings << " hits";
  fence();
  EXPECT_EQ(fired, armings);
  EXPECT_TRUE(packet.Enabled());
  const int before = delivered;
  currentLine().write("abcd");  // (bytes still waiting in the ring may come with it)
  ASSERT_TRUE(pump([&] { return delivered > before; }));
  EXPECT_TRUE(errors.empty()) << errors.front();
  std::cout << steps << " steps (" << openSteps << " open), " << armings << " timer hits, " << delivered
            << " packets\n";
}

}  // namespace
}  // namespace solwire
