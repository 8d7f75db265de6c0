// How a watcher claims its line on a broker, fed messages and time: what it
// sends, puts and releases, whom it answers, and when it gives up.
#include <gtest/gtest.h>

#include "fleet/line_claim.h"
#include "fleet/retained_site_list.h"

namespace solwire::fleet {
namespace {

enum class Event { Connect, Drop, Owner, Sites, Ping, Pong, WaitSeconds, GiveBack };
struct Step {
  Event event;
  std::string payload = {};
};

// Every effect as one line, topics without the line's level.
class Recorder : public LineClaim::Effects {
 public:
  std::string log;
  void sendNow(const MqttMessage& m) override { add("send " + tail(m) + (m.retained ? " retained" : "")); }
  void put(const MqttMessage& m) override { add("put " + tail(m) + (m.retained ? "" : " not retained")); }
  void release() override { add("release"); }
  void giveUp(const std::string& reason) override { add("give up: " + reason); }
  void note(const std::string&) override { add("note"); }
  void add(const std::string& line) { log += (log.empty() ? "" : " | ") + line; }

 private:
  static std::string tail(const MqttMessage& m) { return m.topic.substr(std::string("p/east/").size()) + " " + m.payload; }
};

std::string run(const std::vector<Step>& steps) {
  Recorder effects;
  auto reportPrevious = [&](std::vector<int> sites) { effects.add("previous " + siteListPayload(sites)); };
  LineClaim claim({"p", "east", "us", {0, 1}, reportPrevious}, effects);
  LineClaim::TimePoint now;
  const auto receive = [&](const char* level, const std::string& payload) { claim.received("p/east/" + std::string(level), payload, now); };
  for (const Step& step : steps) {
    if (step.event == Event::Connect) claim.connected(now);
    if (step.event == Event::Drop) claim.disconnected();
    if (step.event == Event::Owner) receive("owner", step.payload);
    if (step.event == Event::Sites) receive("sites", step.payload);
    if (step.event == Event::Ping) receive("owner/ping", step.payload);
    if (step.event == Event::Pong) receive("owner/pong", step.payload);
    if (step.event == Event::WaitSeconds) claim.timePassed(now += std::chrono::seconds(std::stoi(step.payload)));
    if (step.event == Event::GiveBack) claim.giveBack();
  }
  return effects.log + (claim.ownsLine() ? " | owns the line" : "");
}

using enum Event;
const std::string kClaimed = "put owner us | previous [0,1,7] | put sites [0,1] | release";
const std::string kRefusal = "give up: another watcher (them) publishes line east on this broker; give each line its own --line-id";

TEST(LineClaim, SettlesOnlyOnceItsOwnPingCameBackAndNeverMixesWithALiveWatcher) {
  const std::vector<std::pair<std::vector<Step>, std::string>> cases{
      {{{Connect}, {Sites, "[0,1,7]"}}, "send owner/ping us"},
      {{{Connect}, {Sites, "[0,1,7]"}, {Ping, "us"}}, "send owner/ping us | " + kClaimed},
      {{{Connect}, {Owner, "us"}, {Sites, "[0,1,7]"}, {Ping, "us"}}, "send owner/ping us | " + kClaimed},
      {{{Connect}, {Owner, "them"}, {Ping, "us"}, {WaitSeconds, "1"}, {Pong, "them"}, {Ping, "x"}, {Connect}},
       "send owner/ping us | " + kRefusal},
      {{{Connect}, {Owner, "them"}, {Sites, "[0,1,7]"}, {Ping, "us"}, {Pong, "other"}, {WaitSeconds, "2"}, {WaitSeconds, "1"}},
       "send owner/ping us | note | " + kClaimed},
      {{{Connect}, {Owner, "them"}, {Sites, "[0,1,7]"}, {Ping, "us"}, {Owner, ""}}, "send owner/ping us | " + kClaimed},
      {{{Connect}, {Owner, "them"}, {Ping, "us"}, {Owner, "them"}}, "send owner/ping us | " + kRefusal},
      {{{Connect}, {Sites, "[0,1,7]"}, {WaitSeconds, "4"}, {WaitSeconds, "1"}}, "send owner/ping us | note | " + kClaimed},
      // Two watchers that claimed at once: the later token on the owner topic stays.
      {{{Connect}, {Sites, "[0,1,7]"}, {Ping, "us"}, {Owner, "them"}, {Owner, "us"}},
       "send owner/ping us | " + kClaimed + " | owns the line"},
      {{{Connect}, {Sites, "[0,1,7]"}, {Ping, "us"}, {Owner, "us"}, {Owner, "them"}},
       "send owner/ping us | " + kClaimed + " | give up: another watcher (them) took over line east on this broker; "
                                            "give each line its own --line-id"},
      {{{Connect}, {Ping, "them"}, {Sites, "[0,1,7]"}, {Ping, "us"}, {Ping, "them"}, {Ping, "us"}},
       "send owner/ping us | " + kClaimed + " | send owner/pong us"},
      {{{Connect}, {Sites, "[0,1,7]"}, {Ping, "us"}, {Drop}, {WaitSeconds, "9"}, {Connect}, {Owner, "us"}, {Ping, "us"}},
       "send owner/ping us | " + kClaimed + " | send owner/ping us | put owner us | put sites [0,1] | release"},
      {{{Connect}, {Sites, "[0,1,7]"}, {Ping, "us"}, {GiveBack}, {Ping, "them"}, {Connect}},
       "send owner/ping us | " + kClaimed + " | put owner "},
  };
  for (const auto& [steps, log] : cases) EXPECT_EQ(run(steps), log);
}

TEST(RetainedSiteList, OnlyAnArrayOfSiteNumbersIsReadAndAnythingElseGivesNoSites) {
  const std::vector<std::pair<std::string, std::vector<int>>> cases{
      {"[7,0,1,7]", {0, 1, 7}}, {"[]", {}}, {"[1,32]", {}}, {"[-1]", {}}, {"[1.5]", {}}, {"[\"1\"]", {}},
      {"{\"0\":1}", {}},        {"3", {}},  {"", {}},       {"[1,",  {}}, {"[18446744073709551615]", {}},
  };
  for (const auto& [payload, sites] : cases) EXPECT_EQ(sitesFromPayload(payload), sites) << payload;
}

}  // namespace
}  // namespace solwire::fleet
