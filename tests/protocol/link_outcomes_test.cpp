// How each request to the line ends: exactly one outcome, heard by every
// listener; the quiet time after a failure; a reply of another regulator;
// requests that wait their turn; and records that keep their own site's class.
#include <gtest/gtest.h>

#include <memory>

#include "protocol/link_controller.h"
#include "protocol/request_waiter.h"
#include "protocol/virtual_clock.h"
#include "tests/protocol/write_fakes.h"
#include "tests/support/link_fakes.h"
#include "tests/support/link_state_access.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::currentStateReply;

class LinkOutcomes : public ::testing::Test {
 public:
  void SetUp() override {
    controller->subscribe([this](const RequestOutcome& outcome) { heard.push_back(outcome); });
    controller->Timer1Timer();
  }
  void answer(std::uint8_t typeCode = 1) {
    const std::string& frame = directPort.sent.back();
    directMatcher.deliver(frame[1] == 'N' ? currentStateReply(typeCode, std::vector<int>(13, 0)) : bus.reply(frame));
  }
  void selectSite(int site) {
    controller->siteselChanging();
    controller->controls().site = site;
  }
  // Answers whatever goes out, passing the waits between, until nothing is open.
  void answerEverything() {
    for (int step = 0; step < 40 && controller->requestsOpen() > 0; ++step) {
      if (directMatcher.enabled) answer();
      clock.advance(1200ms);
    }
  }

  test::FakeLinkPort directPort;
  test::FakeLinkPort modemPort;
  test::FakeMatcher directMatcher;
  test::FakeMatcher modemMatcher;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  test::RecordingDialSupervisor dial;
  test::FakeBus bus;
  VirtualClock clock{{2026, 12, 7, 10, 30, 0}};
  std::unique_ptr<LinkController> controller = std::make_unique<LinkController>(
      LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher},
      LinkServices{clock, views, feedback, logWriter, dial}, LinkControls{}, startValues(4, 1));
  std::vector<RequestOutcome> heard;
};

TEST_F(LinkOutcomes, EachWayARequestEndsIsHeardOnceAndNamesItsSite) {
  struct Case {
    const char* what;
    void (*end)(LinkOutcomes&);
    OutcomeKind kind;
    LinkStatus shown;
  };
  const Case cases[] = {
      {"a reply", [](LinkOutcomes& t) { t.answer(); }, OutcomeKind::Record, LinkStatus::DataReceived},
      {"no reply", [](LinkOutcomes& t) { t.directMatcher.timeOutNow(); }, OutcomeKind::TimedOut, LinkStatus::CommFail},
      {"a damaged reply", [](LinkOutcomes& t) { t.directMatcher.deliver(std::vector<std::uint8_t>(27, 0x41)); },
       OutcomeKind::ReadError, LinkStatus::ReadError},
      {"a site change", [](LinkOutcomes& t) { t.selectSite(3); }, OutcomeKind::Cancelled, LinkStatus::RequestSent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int site = controller->controls().site;
    heard.clear();
    const RequestId id = controller->Getdata(Requester::CurrentStateView);
    c.end(*this);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].request.id, id);
    EXPECT_EQ(heard[0].request.site, site);
    EXPECT_EQ(heard[0].kind, c.kind);
    EXPECT_EQ(views.lastStatus(), c.shown) << "the status text is rendered from the outcome";
    directMatcher.timeOutNow();  // a cancelled request's frame still ends
    clock.advance(controller->guardTime());
    EXPECT_EQ(heard.size(), 1u) << "never a second outcome";
    EXPECT_EQ(controller->requestsOpen(), 0u);
  }

  LinkStateAccess::of(*controller).Dialling = true;
  RequestWaiter waiter(*controller);
  const RequestId refused = waiter.ask(Requester::AlarmView);
  const auto outcome = waiter.take(refused);
  ASSERT_TRUE(outcome) << "an outcome that comes before the request's number is known is kept";
  EXPECT_EQ(outcome->kind, OutcomeKind::Refused);
  EXPECT_EQ(outcome->reason, "a call is being dialled");
}

TEST_F(LinkOutcomes, APortThatWillNotOpenEndsTheRequestWithTheSystemsReason) {
  directPort.failOpen = true;
  directPort.failReason = "No such file or directory";
  controller->Getdata(Requester::SettingsView);
  ASSERT_EQ(heard.size(), 2u) << "the current-state reading first, and the list waiting for it";
  for (const RequestOutcome& outcome : heard) EXPECT_EQ(outcome.kind, OutcomeKind::PortFailed);
  EXPECT_EQ(heard[1].request.kind, RequestKind::Settings);
  EXPECT_FALSE(heard[0].reason.empty());
}

// The rest of a late reply must not become the next request's reply.
TEST_F(LinkOutcomes, AfterATimeOutTheLineWaitsUntilQuietAndDropsWhatComes) {
  controller->Getdata(Requester::CurrentStateView);
  directMatcher.timeOutNow();
  const std::size_t sent = directPort.sent.size();
  controller->Getdata(Requester::AlarmView);
  EXPECT_EQ(directPort.sent.size(), sent) << "it waits";
  clock.advance(controller->guardTime() - 500ms);
  answer(2);  // the late reply
  EXPECT_EQ(controller->lateBytesDropped(), 27u);
  EXPECT_EQ(controller->data().current.typeCode, 0);
  clock.advance(controller->guardTime() - 1ms);
  EXPECT_EQ(directPort.sent.size(), sent) << "the quiet time starts again at the last byte";
  clock.advance(1ms);
  ASSERT_EQ(directPort.sent.size(), sent + 1);
  EXPECT_EQ(directPort.sent.back()[1], 'V');
  EXPECT_EQ(controller->guardTime(), 4950ms + 204ms) << "time-out plus a 49-byte reply at 2400 baud";
}

TEST_F(LinkOutcomes, AReplyOfAnotherTypeIsDroppedAndTheSiteAskedOnceMore) {
  controller->Getdata(Requester::CurrentStateView);
  answer(2);
  ASSERT_EQ(controller->knownScaling(0), scalingForCurrentState(2));
  heard.clear();
  controller->Getdata(Requester::CurrentStateView);
  answer(17);  // another regulator's late reply
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(controller->foreignRepliesDropped(), 1u);
  EXPECT_EQ(controller->data().current.typeCode, 2);
  clock.advance(controller->guardTime());
  EXPECT_EQ(directPort.sent.back()[1], 'N') << "asked again";
  answer(17);  // the same again: the regulator was replaced
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_TRUE(heard[0].ok());
  EXPECT_EQ(controller->data().current.typeCode, 17);
}

TEST_F(LinkOutcomes, FourWindowsAskingAtOnceAreAllReadInTurn) {
  std::vector<RequestId> asked;
  for (const Requester requester :
       {Requester::CurrentStateView, Requester::HistoryView, Requester::SettingsView, Requester::AlarmView})
    asked.push_back(controller->Getdata(requester));
  EXPECT_EQ(controller->Getdata(Requester::SettingsView), asked[2]) << "asked twice, read once";
  answerEverything();
  std::vector<RequestId> ended;
  for (const RequestOutcome& outcome : heard) {
    EXPECT_TRUE(outcome.ok()) << static_cast<int>(outcome.request.kind);
    ended.push_back(outcome.request.id);
  }
  EXPECT_EQ(ended, asked);
}

TEST_F(LinkOutcomes, SettingsAndHistoryKeepTheClassOfTheSiteTheyCameFrom) {
  bus.memory(0)[16] = 150;
  controller->Getdata(Requester::SettingsView);
  controller->Getdata(Requester::HistoryView);
  for (int step = 0; step < 40 && controller->requestsOpen() > 0; ++step) {
    if (directMatcher.enabled) answer(2);  // site 0: type 2
    clock.advance(1200ms);
  }
  selectSite(1);
  controller->Getdata(Requester::CurrentStateView);
  answer(1);  // site 1: type 1, another class

  const SiteData& data = controller->data();
  const int site0 = scalingForCurrentState(2).voltageMultiplier;
  ASSERT_NE(site0, data.scaling.voltageMultiplier);
  EXPECT_EQ(voltageMultiplierOf(data.origins.settings, data), site0);
  for (const std::int32_t multiplier : historyVoltageMultipliers(data)) EXPECT_EQ(multiplier, site0);
}

}  // namespace
}  // namespace solwire
