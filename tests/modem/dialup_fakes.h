// A modem port whose timer triggers the test fires by hand, a carrier-detect
// line the test raises and drops, and a telephony line that records calls.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "modem/dialup_supervisor.h"
#include "tests/support/link_fakes.h"

namespace solwire::test {

class TimedModemPort : public FakeLinkPort {
 public:
  std::uint16_t NewTimerTrigger() override { return ++lastHandle; }
  void ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool) override { armed[handle] = ticks; }
  void DropTrigger(std::uint16_t handle) override { armed.erase(handle); }

  // Fires the one armed trigger, as the port would once its ticks have passed.
  std::uint32_t fire() {
    if (armed.size() != 1) throw std::logic_error("not exactly one trigger armed");
    const auto [handle, ticks] = *armed.begin();
    armed.erase(armed.begin());
    if (OnTriggerTimer) OnTriggerTimer(*this, handle);
    return ticks;
  }

  std::uint16_t lastHandle = 100;
  std::map<std::uint16_t, std::uint32_t> armed;
};

class FakeCarrierLine : public CarrierLine {
 public:
  std::uint16_t newCarrierTrigger() override { return ++lastHandle; }
  void armCarrierTrigger(std::uint16_t handle) override { armed.push_back(handle); }
  void dropCarrierTrigger(std::uint16_t handle) override { dropped.push_back(handle); }
  bool carrierPresent() override { return dcd; }

  bool dcd = false;
  std::uint16_t lastHandle = 200;
  std::vector<std::uint16_t> armed;
  std::vector<std::uint16_t> dropped;
};

class FakeTelephonyLine : public TelephonyLine {
 public:
  void DialNumber(const std::string& number) override {
    if (!failWith.empty()) throw std::runtime_error(failWith);
    dialled.push_back(number);
  }
  bool AbortCall() override {
    ++aborts;
    return true;
  }
  std::string failWith;
  std::vector<std::string> dialled;
  int aborts = 0;
};

}  // namespace solwire::test
