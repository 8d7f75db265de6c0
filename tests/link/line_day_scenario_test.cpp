// A simulated day on a line whose regulators answer late, not at all, damaged
// or with bytes too many, whose port closes and comes back, and an operator
// who changes site, asks for every kind of reading and writes settings at
// random. Every request ends exactly once, and every reading a request brings
// holds its own site's values, scaled with its own site's class.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "protocol/entry_rules.h"
#include "protocol/link_controller.h"
#include "protocol/virtual_clock.h"
#include "sim/simulated_link.h"
#include "tests/support/link_fakes.h"

namespace solwire::sim {
namespace {

using namespace std::chrono_literals;

constexpr std::array kTypeCodes{2, 0, 17, 21};  // four sites of different classes

class LineDay {
 public:
  explicit LineDay(std::uint32_t seed)
      : random_(seed),
        clock_({2026, 12, 7, 0, 0, 0}),
        bus_(seed),
        direct_(bus_, clock_),
        modem_(bus_, clock_),
        directMatcher_(direct_, clock_),
        modemMatcher_(modem_, clock_),
        controller_({direct_, directMatcher_, modem_, modemMatcher_}, {clock_, views_, feedback_, log_, dial_},
                    controls(), startValues(4, 1)) {
    for (int site = 0; site < static_cast<int>(kTypeCodes.size()); ++site) {
      RegulatorSite& regulator = bus_.addSite(site, kTypeCodes[static_cast<std::size_t>(site)]);
      regulator.pinCurrentState({static_cast<std::uint16_t>(7000 + 100 * site), 640, 640, 140, 120, 5, 6, 2});
    }
    controller_.subscribe([this](const RequestOutcome& outcome) { check(outcome); });
  }

  void step() {
    switch (std::discrete_distribution<int>({30, 4, 3, 4, 2, 12, 45})(random_)) {
      case 0: ask(); break;
      case 1:
        controller_.siteselChanging();
        controller_.controls().site = pick(3);
        break;
      case 2: controller_.writeMemory(16 + pick(15), pick(255)); break;
      case 3: misbehave(); break;
      case 4: closeOrReopenThePort(); break;
      case 5:
        controller_.Timer1Timer();
        clock_.advance(1s);
        break;
      default: clock_.advance(std::chrono::milliseconds(pick(2500))); break;
    }
  }

  // Lets every request end: the sites answer again and time passes.
  void drain() {
    for (int site = 0; site < static_cast<int>(kTypeCodes.size()); ++site) bus_.site(site)->setFault(Fault::None);
    direct_.refuseOpen(false);
    for (int second = 0; second < 120 && controller_.requestsOpen() > 0; ++second) {
      controller_.Timer1Timer();
      clock_.advance(1s);
    }
  }

  void expectEveryRequestEndedOnce() const {
    EXPECT_EQ(controller_.requestsOpen(), 0u);
    for (const RequestId id : asked_) EXPECT_EQ(ended_.count(id), 1u) << "request " << id;
    for (const auto& [id, count] : ended_) EXPECT_EQ(count, 1) << "request " << id << " ended more than once";
  }
  const std::map<OutcomeKind, int>& kinds() const { return kinds_; }
  const LinkController& controller() const { return controller_; }
  std::chrono::milliseconds elapsed() const { return clock_.elapsed(); }

 private:
  static LinkControls controls() {
    LinkControls c;
    c.periodicLogging = true;
    c.rateHours = 1;
    c.logSite = 3;
    c.alarmRateIndex = 2;  // every 5 minutes
    return c;
  }
  int pick(int most) { return std::uniform_int_distribution<int>(0, most)(random_); }

  void ask() {
    static constexpr std::array kRequesters{Requester::CurrentStateView, Requester::SettingsView,
                                            Requester::CalibrationButton, Requester::HistoryView,
                                            Requester::AlarmView, Requester::MainWindow};
    asked_.push_back(controller_.Getdata(kRequesters[static_cast<std::size_t>(pick(5))]));
  }

  // A site starts to answer late (0.5 to 3 s past the time-out), not at all,
  // damaged, short or with trailing bytes, or well again.
  void misbehave() {
    static constexpr std::array kFaults{Fault::None,        Fault::None,       Fault::Silent,       Fault::ShortReply,
                                        Fault::CorruptTag,  Fault::LateReply,  Fault::TrailingBytes, Fault::LateReply};
    const Fault fault = kFaults[static_cast<std::size_t>(pick(7))];
    const auto timeOut = std::chrono::milliseconds(replyTimeoutForBaudIndex(4) * kTickMilliseconds);
    bus_.site(pick(3))->setFault(fault, timeOut + std::chrono::milliseconds(500 + pick(2500)));
  }

  void closeOrReopenThePort() {
    const bool closing = pick(1) == 0;
    direct_.refuseOpen(closing);
    if (closing && direct_.Open()) direct_.setOpen(false);
  }

  // The invariant: a record holds what its own site held when it answered.
  void check(const RequestOutcome& outcome) {
    ++ended_[outcome.request.id];
    ++kinds_[outcome.kind];
    if (!outcome.ok()) return;
    const int site = outcome.request.site;
    const RegulatorSite& truth = *bus_.site(site);
    const Scaling scaling = scalingForCurrentState(truth.typeCode());
    const SiteData& data = controller_.data();
    if (outcome.scaling) {
      EXPECT_EQ(*outcome.scaling, scaling) << "site " << site;
    }
    switch (outcome.request.kind) {
      case RequestKind::CurrentState:
        EXPECT_EQ(data.current.batteryVoltageReading, 7000 + 100 * site) << "site " << site;
        EXPECT_EQ(data.scaling, scaling) << "site " << site;
        EXPECT_EQ(data.origins.current.site, site);
        break;
      case RequestKind::LogCurrentState:
        EXPECT_EQ(controller_.logReading().current.batteryVoltageReading, 7000 + 100 * site) << "site " << site;
        EXPECT_EQ(controller_.logReading().scaling, scaling);
        break;
      case RequestKind::Settings:
      case RequestKind::Calibration: {
        const int address = outcome.request.kind == RequestKind::Settings ? 16 : 0;
        EXPECT_EQ(memoryByte(data, address), truth.memory()[static_cast<std::size_t>(address)]) << "site " << site;
        const RecordOrigin& origin =
            outcome.request.kind == RequestKind::Settings ? data.origins.settings : data.origins.calibration;
        EXPECT_EQ(origin.site, site);
        if (outcome.request.kind == RequestKind::Settings) {
          EXPECT_EQ(origin.voltageMultiplier, scaling.voltageMultiplier) << "settings in their own site's volts";
        }
        break;
      }
      case RequestKind::HistoryBlock:
        for (std::size_t day = 0; day < kHistoryDays; ++day) {
          EXPECT_EQ(data.origins.historyDays[day].site, site) << "day " << day;
          EXPECT_EQ(data.origins.historyDays[day].voltageMultiplier, scaling.voltageMultiplier) << "day " << day;
          EXPECT_EQ(data.history.minVoltage[day], truth.history()[day].minVoltage) << "day " << day;
        }
        break;
      case RequestKind::AlarmInputs: EXPECT_EQ(data.origins.alarms.site, site); break;
    }
  }

  std::mt19937 random_;
  VirtualClock clock_;
  RegulatorBus bus_;
  SimulatedLinkPort direct_;
  SimulatedLinkPort modem_;
  SimulatedReplyMatcher directMatcher_;
  SimulatedReplyMatcher modemMatcher_;
  test::RecordingViews views_;
  test::CountingFeedback feedback_;
  test::CountingLogWriter log_;
  test::RecordingDialSupervisor dial_;
  LinkController controller_;
  std::vector<RequestId> asked_;
  std::map<RequestId, int> ended_;
  std::map<OutcomeKind, int> kinds_;
};

TEST(LineDayScenario, EveryRequestEndsOnceAndEveryReadingIsItsOwnSites) {
  for (const std::uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    LineDay day(seed);
    while (day.elapsed() < 24h && !::testing::Test::HasFailure()) day.step();
    day.drain();
    day.expectEveryRequestEndedOnce();
    // The day met every way a request can end, and late replies were caught.
    for (const OutcomeKind kind : {OutcomeKind::Record, OutcomeKind::TimedOut, OutcomeKind::ReadError,
                                   OutcomeKind::PortFailed, OutcomeKind::Cancelled})
      EXPECT_GT(day.kinds().count(kind), 0u) << static_cast<int>(kind);
    EXPECT_GT(day.controller().lateBytesDropped(), 0u);
  }
}

}  // namespace
}  // namespace solwire::sim
