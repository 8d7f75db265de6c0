// Writes in random company: requests of every window, site changes, replies
// of the regulators addressed, time-outs, the one-second timer and the write's
// own port timer, in random order. Whatever happens, nothing else reaches the
// line while a write is held, every verdict agrees with what the regulator
// written to holds, and the line always comes free.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "protocol/link_controller.h"
#include "tests/support/link_state_access.h"
#include "protocol/virtual_clock.h"
#include "tests/protocol/write_fakes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class WriteStress {
 public:
  explicit WriteStress(unsigned seed) : random_(seed) {
    controls_.site = 0;
    clock_ = std::make_unique<VirtualClock>(LocalTime{2026, 3, 1, 8, 0, 0});
    controller_ = std::make_unique<LinkController>(
        LinkEndpoints{port_, matcher_, modemPort_, modemMatcher_}, LinkServices{*clock_, views_, feedback_, log_, dial_},
        controls_, startValues(2, 1));
    controller_->Timer1Timer();
    for (int site = 0; site < 3; ++site) bus_.ignoresWrites[site] = site == 2;
  }

  void step() {
    const std::size_t sentBefore = port_.sent.size();
    const bool heldBefore = controller_->state().writePending();
    const int action = pick(0, 9);
    bool timerFired = false;
    switch (action) {
      case 0: controller_->writeMemory(pick(0, 29), pick(0, 255)); break;
      case 1: timerFired = fireWriteTimer(); break;
      case 2: answer(); break;
      case 3: if (matcher_.enabled) matcher_.timeOutNow(); break;
      case 4:
        controller_->siteselChanging();
        controller_->controls().site = pick(0, 2);
        break;
      case 5:
        for (int ticks = pick(1, 4); ticks > 0; --ticks) controller_->Timer1Timer();
        break;
      case 6: clock_->advance(std::chrono::milliseconds(pick(0, 1500))); break;
      case 7: request(); break;
      case 8: port_.fire(static_cast<std::uint16_t>(pick(1, 30))); break;  // a stray hit
      default: answer(); break;
    }
    carryWrites(sentBefore);
    checkInvariants(sentBefore, heldBefore, action == 0, timerFired);
  }

  // Lets everything outstanding end, then the line must be free.
  void drain() {
    for (int round = 0; round < 40 || (round < 80 && controller_->lineBusy()); ++round) {
      const std::size_t sentBefore = port_.sent.size();
      fireWriteTimer();
      if (!controller_->state().settling()) answer();  // what comes while it settles restarts its quiet time
      clock_->advance(2s);
      carryWrites(sentBefore);
    }
    for (int second = 0; second < 12; ++second) controller_->Timer1Timer();
    EXPECT_FALSE(controller_->lineBusy());
    EXPECT_FALSE(controller_->state().writePending());
    EXPECT_TRUE(controller_->lastWrite().settled());
  }

  int verdicts() const { return verdicts_; }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  bool fireWriteTimer() {
    if (port_.armed.empty()) return false;
    port_.fire(port_.armed.begin()->first);
    return true;
  }

  void request() {
    static constexpr Requester kRequesters[] = {Requester::CurrentStateView, Requester::SettingsView,
                                                Requester::CalibrationButton, Requester::AlarmView,
                                                Requester::HistoryView};
    if (pick(0, 3) == 0) LinkStateAccess::of(*controller_).HistoryBlock = 1;
    controller_->Getdata(kRequesters[pick(0, 4)]);
  }

  // The regulator addressed by the last request answers it, if one is awaited.
  void answer() {
    if (!matcher_.enabled || port_.sent.empty()) return;
    matcher_.deliver(bus_.reply(port_.sent.back()));
  }

  void carryWrites(std::size_t from) {
    for (std::size_t i = from; i < port_.sent.size(); ++i) bus_.take(port_.sent[i]);
  }

  void checkInvariants(std::size_t sentBefore, bool heldBefore, bool wrote, bool timerFired) {
    const LinkController& c = *controller_;
    const std::size_t sentNow = port_.sent.size();
    // While a write holds the line only its own timer lets the read-back out
    // (or the watchdog gives the hold up, and what waited goes).
    if (heldBefore && !timerFired && c.state().writePending()) {
      EXPECT_EQ(sentNow, sentBefore) << "something went out during a write's hold";
    }
    if (wrote && sentNow > sentBefore) {
      EXPECT_EQ(sentNow, sentBefore + 1);
      EXPECT_EQ(port_.sent.back().size(), 5u);
      EXPECT_TRUE(c.state().writePending());
    }
    if (c.state().writePending()) {
      EXPECT_TRUE(c.lineBusy());
    }
    EXPECT_LE(port_.armed.size(), 1u) << "one write timer at a time";

    const WriteCheck& w = c.lastWrite();
    if (w.number != lastNumber_) {
      lastNumber_ = w.number;
      lastPhase_ = WritePhase::Waiting;
    }
    const bool verdict = w.phase == WritePhase::Confirmed || w.phase == WritePhase::NotConfirmed;
    if (verdict && lastPhase_ != w.phase) {
      ++verdicts_;
      const int held = bus_.memory(w.site)[static_cast<std::size_t>(w.address)];
      EXPECT_EQ(w.heldByte, held) << "the verdict is about the regulator written to";
      EXPECT_EQ(w.phase == WritePhase::Confirmed, held == w.data);
      EXPECT_EQ(w.phase == WritePhase::Confirmed, !bus_.ignoresWrites[w.site] || held == w.data);
    }
    lastPhase_ = w.phase;
  }

  std::mt19937 random_;
  test::TimerPort port_;
  test::TimerPort modemPort_;
  test::FakeMatcher matcher_;
  test::FakeMatcher modemMatcher_;
  test::RecordingViews views_;
  test::CountingFeedback feedback_;
  test::CountingLogWriter log_;
  test::RecordingDialSupervisor dial_;
  test::FakeBus bus_;
  LinkControls controls_;
  std::unique_ptr<VirtualClock> clock_;
  std::unique_ptr<LinkController> controller_;
  int lastNumber_ = 0;
  WritePhase lastPhase_ = WritePhase::None;
  int verdicts_ = 0;
};

TEST(LinkControllerWriteStress, HoldsTheLineAndJudgesEveryWriteByTheRightRegulator) {
  int verdicts = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    WriteStress run(seed);
    // Long enough for many writes between the quiet times after time-outs.
    for (int i = 0; i < 1600; ++i) {
      run.step();
      if (::testing::Test::HasFailure()) return;
    }
    run.drain();
    verdicts += run.verdicts();
  }
  EXPECT_GT(verdicts, 40) << "the runs must reach read-backs, not only refusals";
}

}  // namespace
}  // namespace solwire
