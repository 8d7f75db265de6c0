// A port whose one-shot timers can be fired by hand, and a bus of regulators
// that answer the frames a fake port sent, for the tests of the settings
// editor's write path.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "tests/support/link_fakes.h"
#include "tests/support/reply_bytes.h"

namespace solwire::test {

class TimerPort : public FakeLinkPort {
 public:
  std::uint16_t NewTimerTrigger() override { return nextHandle++; }
  void ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) override {
    if (failArm) throw std::runtime_error("no timer");
    armed[handle] = ticks;
    if (!activate) armed.erase(handle);
  }
  void DropTrigger(std::uint16_t handle) override {
    armed.erase(handle);
    dropped.push_back(handle);
  }
  // The timer's hit, as the port raises it on the main thread.
  void fire(std::uint16_t handle) {
    armed.erase(handle);
    if (OnTriggerTimer) OnTriggerTimer(*this, handle);
  }

  std::uint16_t nextHandle = 40;
  bool failArm = false;
  std::map<std::uint16_t, std::uint32_t> armed;  // handle -> ticks
  std::vector<std::uint16_t> dropped;
};

// Regulators at every site, each with 32 bytes of memory; they take a write
// unless told to ignore writes.
class FakeBus {
 public:
  using Memory = std::array<int, 32>;

  Memory& memory(int site) { return memories[site]; }

  // Applies a write frame; true when the frame was one.
  bool take(const std::string& frame) {
    if (frame.size() != 5 || static_cast<std::uint8_t>(frame[1]) != 0xA5) return false;
    const int site = static_cast<std::uint8_t>(frame[0]) - 192;
    if (!ignoresWrites[site]) memories[site][static_cast<std::uint8_t>(frame[2]) & 31] = static_cast<std::uint8_t>(frame[3]);
    return true;
  }

  // The reply to a two-byte request frame.
  std::vector<std::uint8_t> reply(const std::string& frame) {
    const int site = static_cast<std::uint8_t>(frame[0]) - 192;
    const auto command = static_cast<std::uint8_t>(frame[1]);
    Memory& m = memories[site];
    switch (command) {
      case 'N': return currentStateReply(1, std::vector<int>(13, 0));  // a 24 V model
      case '~': return memoryReply({m.begin() + 16, m.end()});
      case '}': return memoryReply({m.begin(), m.begin() + 16});
      case 'V': return alarmReply(0, 16);
      default: return historyReply(std::vector<int>(24, 0));
    }
  }

  std::map<int, Memory> memories;
  std::map<int, bool> ignoresWrites;
};

}  // namespace solwire::test
