// The link controller under a random operator and a random line: requests
// from every requester, site changes (and changes back), replies that come
// late or never, time-outs and timer ticks, in random order. Whatever the
// order, the selected site's model only ever takes the selected site's values,
// a history transfer never mixes two sites, a log reading is its log site's,
// and the busy test is one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>

#include "protocol/link_controller.h"
#include "tests/support/link_state_access.h"
#include "protocol/reply_decoder.h"
#include "protocol/virtual_clock.h"
#include "tests/support/link_fakes.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

constexpr std::array<int, 3> kTypeCodes{2, 17, 0};  // sites 0, 1, 2: 48 V, 24 V, 12 V

int typeCodeOf(int site) { return kTypeCodes.at(static_cast<std::size_t>(site)); }

// What the site a frame is sent to answers: every value carries its site number.
std::vector<std::uint8_t> replyTo(const std::string& frame) {
  const int site = static_cast<std::uint8_t>(frame[0]) - 192;
  const auto command = static_cast<std::uint8_t>(frame[1]);
  const int battery = 1000 + site;
  switch (command) {
    case 'N': {
      std::vector<int> p(13, 0);
      p[0] = battery >> 8;
      p[1] = battery & 0xFF;
      return test::currentStateReply(typeCodeOf(site), p);
    }
    case '~':
    case '}': return test::memoryReply(std::vector<int>(16, 100 + site));
    case 'V': return test::alarmReply(site, 16);
    default: return test::historyReply(std::vector<int>(24, 10 + site));
  }
}

class LinkUnderRandomUse {
 public:
  explicit LinkUnderRandomUse(std::uint32_t seed) : random_(seed) {
    controller_ = std::make_unique<LinkController>(
        LinkEndpoints{port_, matcher_, modemPort_, modemMatcher_},
        LinkServices{clock_, views_, feedback_, logWriter_, dial_}, LinkControls{}, startValues(4, 1));
    controller_->Timer1Timer();
  }

  void step() {
    const std::size_t sentBefore = port_.sent.size();
    const std::size_t transfersBefore = completedTransfers();
    const std::size_t entriesBefore = logWriter_.readings.size();
    // Replies and the passing of time are the most common events, so that
    // whole history transfers happen too.
    static constexpr std::array<double, 7> kWeights{4, 0.5, 6, 0.3, 4, 1, 0.5};
    switch (std::discrete_distribution<int>(kWeights.begin(), kWeights.end())(random_)) {
      case 0: request(); break;
      case 1: changeSite(); break;
      case 2: deliverReply(); break;
      case 3: if (matcher_.enabled) matcher_.timeOutNow(); break;
      case 4: clock_.advance(std::chrono::milliseconds{pick(1500)}); break;
      case 5:
        controller_->Timer1Timer();
        clock_.advance(1s);
        break;
      case 6: controller_->controls().logSite = pick(3); break;
    }
    if (port_.sent.size() > sentBefore) pending_ = replyTo(port_.sent.back());
    checkTheBusyTest();
    if (completedTransfers() > transfersBefore) checkTheWholeHistoryIsOneSites();
    if (logWriter_.readings.size() > entriesBefore) checkTheLogEntry();
  }

  std::size_t completedTransfers() const {
    return static_cast<std::size_t>(std::count(views_.progress.begin(), views_.progress.end(), -1));
  }
  std::size_t logEntries() const { return logWriter_.readings.size(); }

 private:
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  void request() {
    static constexpr std::array kRequesters{Requester::CurrentStateView, Requester::SettingsView,
                                            Requester::CalibrationButton, Requester::HistoryView,
                                            Requester::AlarmView, Requester::MainWindow};
    const Requester requester = kRequesters[static_cast<std::size_t>(pick(6))];
    if (requester == Requester::HistoryView) {
      if (controller_->lineBusy()) return;    // the history view starts a transfer on an idle line
      LinkStateAccess::of(*controller_).HistoryBlock = 1;  // from the first block
    }
    controller_->Getdata(requester);
  }

  void changeSite() {
    controller_->siteselChanging();
    controller_->controls().site = pick(3);
  }

  void deliverReply() {
    if (!matcher_.enabled || !pending_) return;
    const SiteData before = controller_->data();
    const LogReading logBefore = controller_->logReading();
    matcher_.deliver(*pending_);
    pending_.reset();
    checkTheSelectedSiteModel(before);
    const LogReading& log = controller_->logReading();
    if (!(log.current == logBefore.current) || log.site != logBefore.site) checkTheLogReading();
  }


  void checkTheSelectedSiteModel(const SiteData& before) {
    const SiteData& now = controller_->data();
    const int site = controller_->controls().site;
    if (!(now.current == before.current)) {
      ASSERT_EQ(now.current.batteryVoltageReading, 1000 + site);
      ASSERT_EQ(now.scaling, scalingForCurrentState(typeCodeOf(site)));
    } else {
      ASSERT_EQ(now.scaling, before.scaling);
    }
    if (now.settings != before.settings) {
      ASSERT_EQ(now.settings[BoostMaximumVoltage], 100 + site);
    }
    if (now.calibration.g != before.calibration.g) {
      ASSERT_EQ(now.calibration.g[0], 100 + site);
    }
    if (now.alarms.state != before.alarms.state) {
      ASSERT_EQ(now.alarms.state[6], site & 1);
      ASSERT_EQ(now.alarms.state[7], site & 2);
    }
  }

  void checkTheWholeHistoryIsOneSites() {
    const int expected = 10 + controller_->controls().site;
    for (const std::int32_t v : controller_->data().history.minVoltage) ASSERT_EQ(v, expected);
  }

  void checkTheLogReading() {
    const LogReading& log = controller_->logReading();
    ASSERT_EQ(log.current.batteryVoltageReading, 1000 + log.site);
    ASSERT_EQ(log.scaling, scalingForCurrentState(typeCodeOf(log.site)));
  }

  void checkTheLogEntry() {
    const LogReading& entry = logWriter_.readings.back();
    ASSERT_EQ(entry.current, controller_->logReading().current);
    ASSERT_EQ(entry.current.batteryVoltageReading, 1000 + entry.site);
  }

  void checkTheBusyTest() {
    const LinkState& state = controller_->state();
    ASSERT_EQ(controller_->lineBusy(), state.requestBusy());
    ASSERT_TRUE(state.requestBusy() || !state.lineReserved());
  }

  std::mt19937 random_;
  VirtualClock clock_{{2026, 12, 7, 10, 30, 0}};
  test::FakeLinkPort port_;
  test::FakeLinkPort modemPort_;
  test::FakeMatcher matcher_;
  test::FakeMatcher modemMatcher_;
  test::RecordingViews views_;
  test::CountingFeedback feedback_;
  test::CountingLogWriter logWriter_;
  test::RecordingDialSupervisor dial_;
  std::unique_ptr<LinkController> controller_;
  std::optional<std::vector<std::uint8_t>> pending_;
};

TEST(LinkControllerStress, RandomRequestsSiteChangesAndLateRepliesKeepEachSitesData) {
  std::size_t transfers = 0;
  std::size_t logEntries = 0;
  for (std::uint32_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    LinkUnderRandomUse link(seed);
    for (int i = 0; i < 3000 && !::testing::Test::HasFatalFailure(); ++i) link.step();
    if (::testing::Test::HasFatalFailure()) return;
    transfers += link.completedTransfers();
    logEntries += link.logEntries();
  }
  EXPECT_GT(transfers, 0u);  // whole history transfers were checked
  EXPECT_GT(logEntries, 0u);
}

}  // namespace
}  // namespace solwire
