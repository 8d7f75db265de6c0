// Random sequences of dials, carrier changes, timer hits, ticks, replies,
// time-outs and hang-ups: the link flags stay consistent and every call can
// be ended, back to the direct line.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "modem/dialup_supervisor.h"
#include "tests/support/link_state_access.h"
#include "protocol/virtual_clock.h"
#include "tests/modem/dialup_fakes.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class DialupWorld {
 public:
  explicit DialupWorld(std::uint32_t seed) : random_(seed) {
    controls_.logNumber = "1";
    supervisor_ = std::make_unique<DialupSupervisor>(directPort_, modemPort_, carrier_, telephony_, views_, feedback_,
                                                     DialupViews{});
    controller_ = std::make_unique<LinkController>(
        LinkEndpoints{directPort_, directMatcher_, modemPort_, modemMatcher_},
        LinkServices{clock_, views_, feedback_, logWriter_, *supervisor_}, controls_, startValues(2, 1));
    supervisor_->attach(*controller_);
    controller_->OnOtherTimerTrigger = [this](LinkPort& port, std::uint16_t handle) {
      supervisor_->modemTimerTrigger(port, handle);
    };
  }

  void randomStep() {
    switch (pick(12)) {
      case 0: supervisor_->dialup(static_cast<DialReason>(pick(3)), "12"); break;
      case 1: supervisor_->dialFromPhoneBook("(3)", "3"); break;
      case 2:
      case 3:
        carrier_.dcd = pick(2) == 0;
        supervisor_->carrierChanged();
        break;
      case 4:
        if (!modemPort_.armed.empty()) modemPort_.fire();
        break;
      case 5:
      case 6: tick(); break;
      case 7: supervisor_->HangupClick(); break;
      case 8:
        if (modemMatcher_.enabled) modemMatcher_.deliver(test::currentStateReply(0, std::vector<int>(13, 0)));
        break;
      case 9:
        if (modemMatcher_.enabled) modemMatcher_.timeOutNow();
        break;
      case 10:
        if (state().lineIdle()) supervisor_->controls().tapiControl = pick(2) == 0;
        break;
      case 11:
        if (supervisor_->controls().tapiControl) {
          switch (pick(4)) {
            case 0: supervisor_->tapiPortOpen(); break;
            case 1: supervisor_->tapiConnect(); break;
            case 2: supervisor_->tapiFail(); break;
            default: supervisor_->tapiPortClose(); break;
          }
        } else {
          modemPort_.failOpen = pick(4) == 0;
        }
        break;
    }
  }

  void expectConsistent() const {
    const LinkState& s = controller_->state();
    if (s.lineIdle()) {
      EXPECT_TRUE(s.directMode());
      EXPECT_FALSE(s.dialling());
      EXPECT_FALSE(s.modemConnected());
    }
    EXPECT_FALSE(s.modemConnected() && s.dialling());
    EXPECT_LE(modemPort_.armed.size(), 1u) << "at most one hang-up trigger runs";
    EXPECT_EQ(modemPort_.armed.empty(), supervisor_->hangupPhase() == HangupPhase::Idle);
    for (int countdown : {supervisor_->logRetryCountdown(), supervisor_->alarmRetryCountdown(),
                          supervisor_->callCountdown()}) {
      EXPECT_GE(countdown, 0);
      EXPECT_LE(countdown, 60);
    }
  }

  // With no new calls asked for, a hang-up and its triggers end every call.
  void endEverything() {
    controls_.periodicLogging = false;
    controller_->controls().periodicLogging = false;
    modemPort_.failOpen = false;
    for (int round = 0; round < 200 && !state().lineIdle(); ++round) {
      supervisor_->HangupClick();
      while (!modemPort_.armed.empty()) modemPort_.fire();
      tick();
    }
    // Pending automatic calls may dial again within their retry window; let
    // it run out and end those calls too.
    for (int round = 0; round < 200; ++round) {
      supervisor_->HangupClick();
      while (!modemPort_.armed.empty()) modemPort_.fire();
      tick();
    }
    EXPECT_TRUE(state().lineIdle());
    EXPECT_TRUE(state().directMode());
  }

 private:
  int pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
  const LinkState& state() { return (*controller_).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(*controller_); }
  void tick() {
    controller_->Timer1Timer();
    clock_.advance(1s);
  }

  std::mt19937 random_;
  LinkControls controls_;
  test::FakeLinkPort directPort_;
  test::TimedModemPort modemPort_;
  test::FakeMatcher directMatcher_;
  test::FakeMatcher modemMatcher_;
  test::FakeCarrierLine carrier_;
  test::FakeTelephonyLine telephony_;
  test::RecordingViews views_;
  test::CountingFeedback feedback_;
  test::CountingLogWriter logWriter_;
  VirtualClock clock_{LocalTime{2026, 12, 7, 10, 30, 0}};
  std::unique_ptr<DialupSupervisor> supervisor_;
  std::unique_ptr<LinkController> controller_;
};

TEST(DialupSupervisorStress, RandomEventsKeepTheLinkConsistentAndEveryCallCanBeEnded) {
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    DialupWorld world(seed);
    for (int step = 0; step < 2000; ++step) {
      world.randomStep();
      world.expectConsistent();
      if (::testing::Test::HasFailure()) return;
    }
    world.endEverything();
  }
}

}  // namespace
}  // namespace solwire
