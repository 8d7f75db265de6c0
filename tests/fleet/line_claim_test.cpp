// A watcher's claim on its line: fed messages and time, what it sends, puts
// and releases, whom it answers and when it gives up. Watchers of one line on
// a real Mosquitto are tried as processes, with the command-line tool.
#include <gtest/gtest.h>

#include <sstream>

#include "fleet/line_claim.h"
#include "fleet/mosquitto_connection.h"
#include "fleet/retained_site_list.h"

namespace solwire::fleet {
namespace {

using Sites = std::vector<int>;
const std::string kLine = "p/east/";

// Every effect as one line, topics without the line's level.
struct Recorder : LineClaim::Effects {
  std::string log;
  void add(const std::string& line) { log += (log.empty() ? "" : " | ") + line; }
  void add(const char* what, const MqttMessage& m) {
    add(std::string(what) + " " + m.topic.substr(kLine.size()) + " " + m.payload + (m.retained ? " retained" : ""));
  }
  void sendNow(const MqttMessage& m) override { add("send", m); }
  void put(const MqttMessage& m) override { add("put", m); }
  void release() override { add("release"); }
  void giveUp(const std::string& reason) override { add("give up: " + reason); }
  void note(const std::string&) override { add("note"); }
};

// Steps such as "connect; owner them; owner/ping us; wait 3": events, or a
// topic under the line and its payload.
std::string run(const std::string& steps) {
  Recorder effects;
  auto previous = [&](Sites was) { effects.add("previous " + siteListPayload(was)); };
  LineClaim claim({"p", "east", "us", {0, 1}, previous}, effects);
  LineClaim::TimePoint now;
  std::istringstream in(steps);
  for (std::string step; std::getline(in >> std::ws, step, ';');) {
    const auto space = step.find(' ');
    const std::string event = step.substr(0, space);
    const std::string payload = space == std::string::npos ? "" : step.substr(space + 1);
    if (event == "connect") claim.connected(now);
    else if (event == "drop") claim.disconnected();
    else if (event == "wait") claim.timePassed(now += std::chrono::seconds(std::stoi(payload)));
    else if (event == "finish") claim.giveBack();
    else claim.received(kLine + event, payload, now);
  }
  return effects.log + (claim.ownsLine() ? " | owns the line" : "");
}

TEST(LineClaim, SettlesOnlyOnceItsOwnPingCameBackAndNeverMixesWithALiveWatcher) {
  const std::string ping = "send owner/ping us | ";
  const std::string claimed = "put owner us retained | previous [0,1,7] | put sites [0,1] retained | release";
  const std::string lineId = " line east on this broker; give each line its own --line-id";
  const std::string refused = "give up: another watcher (them) publishes" + lineId;
  const std::vector<std::pair<std::string, std::string>> cases{
      {"connect; sites [0,1,7]", "send owner/ping us"},
      {"connect; sites [0,1,7]; owner/ping us", ping + claimed},
      {"connect; owner us; sites [0,1,7]; owner/ping us", ping + claimed},
      {"connect; owner them; owner/ping us; wait 1; owner/pong them; owner/ping x; connect", ping + refused},
      {"connect; owner them; sites [0,1,7]; owner/ping us; owner/pong x; wait 2; wait 1", ping + "note | " + claimed},
      {"connect; owner them; sites [0,1,7]; owner/ping us; owner", ping + claimed},
      {"connect; owner them; owner/ping us; owner them", ping + refused},
      {"connect; sites [0,1,7]; wait 4; wait 1", ping + "note | " + claimed},
      // Two watchers that claimed at once: the later token on the owner topic stays.
      {"connect; sites [0,1,7]; owner/ping us; owner them; owner us", ping + claimed + " | owns the line"},
      {"connect; sites [0,1,7]; owner/ping us; owner us; owner them",
       ping + claimed + " | give up: another watcher (them) took over" + lineId},
      {"connect; owner/ping them; sites [0,1,7]; owner/ping us; owner/ping them; owner/ping us",
       ping + claimed + " | send owner/pong us"},
      {"connect; sites [0,1,7]; owner/ping us; drop; wait 9; connect; owner us; owner/ping us",
       ping + claimed + " | " + ping + "put owner us retained | put sites [0,1] retained | release"},
      {"connect; sites [0,1,7]; owner/ping us; finish; owner/ping x; connect",
       ping + claimed + " | put owner  retained"},
      // An earlier owner's late last will is answered once ours is established, not before, nor after a stop.
      {"connect; status offline; sites [0,1,7]; owner/ping us; status offline; owner us; status offline; finish; "
       "status offline",
       ping + claimed + " | put status online retained | put owner  retained"},
  };
  for (const auto& [steps, log] : cases) EXPECT_EQ(run(steps), log) << steps;
}

TEST(RetainedSiteList, OnlyAnArrayOfSiteNumbersIsReadAndAnythingElseGivesNoSites) {
  const std::vector<std::pair<std::string, Sites>> cases{
      {"[7,0,1,7]", {0, 1, 7}}, {"[]", {}}, {"[1,32]", {}}, {"[-1]", {}}, {"[1.5]", {}}, {"[\"1\"]", {}},
      {"{\"0\":1}", {}},        {"3", {}},  {"", {}},       {"[1,",  {}}, {"[18446744073709551615]", {}},
      {"[" + std::string(2000, ' ') + "1]", {}},
  };
  for (const auto& [payload, sites] : cases) EXPECT_EQ(sitesFromPayload(payload), sites) << payload;
}

TEST(MosquittoConnection, TlsWithoutACertificateAuthorityFileTrustsTheSystemsAuthorities) {
  BrokerOptions broker;
  broker.address = {"broker.lan", 8883, true};
  broker.clientId = "solwire-east-test";
  broker.claim = {"t", "east", "us", {}, nullptr};
  EXPECT_NO_THROW(MosquittoConnection{broker});
}

}  // namespace
}  // namespace solwire::fleet
