// A watcher's claim on its line: fed messages and time, what it sends, puts
// and releases, whom it answers and when it gives up; and watchers of one
// line on a real Mosquitto, where a second one is refused while the first
// publishes, and the next owner after a clean finish, or after a watcher that
// left its token behind, hears which sites the line had.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "fleet/line_claim.h"
#include "fleet/mosquitto_connection.h"
#include "fleet/retained_site_list.h"
#include "fleet/watcher_identity.h"

extern char** environ;

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

// On a free loopback port for the length of a test.
struct Broker {
  int port = 0;
  std::string config = std::filesystem::temp_directory_path() / ("solwire-claim-" + std::to_string(getpid()));
  pid_t pid = 0;
  Broker() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    port = ntohs(address.sin_port);
    std::ofstream(config) << "listener " << port << " 127.0.0.1\nallow_anonymous true\nlog_dest none\n";
    std::vector<char*> words{const_cast<char*>("mosquitto"), const_cast<char*>("-c"), config.data(), nullptr};
    posix_spawn(&pid, "/usr/sbin/mosquitto", nullptr, nullptr, words.data(), environ);
  }
  ~Broker() {
    if (pid > 0 && kill(pid, SIGTERM) == 0) waitpid(pid, nullptr, 0);
    std::filesystem::remove(config);
  }
};

struct Watcher {
  std::promise<Sites> previous;
  MosquittoConnection connection;
  Watcher(int port, Sites sites) : connection(options({"127.0.0.1", port, false}, sites, previous)) {
    connection.start();
  }
  static BrokerOptions options(const BrokerAddress& address, Sites sites, std::promise<Sites>& previous) {
    const WatcherIdentity identity = newWatcherIdentity("east");
    BrokerOptions broker;
    broker.address = address;
    broker.clientId = identity.clientId;
    broker.lastWill = {"t/east/status", "offline"};
    broker.claim = {"t", "east", identity.ownerToken, sites, [&previous](Sites was) { previous.set_value(was); }};
    return broker;
  }
  bool soon(const std::function<bool()>& done) {
    for (int wait = 0; wait < 1000 && !done(); ++wait) {
      connection.keepTrying();  // the broker may not listen yet
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  }
  // The list that ours replaced, once the broker holds our claim.
  Sites claimed() {
    auto replaced = previous.get_future();
    return soon([this] { return connection.ownsLine(); }) ? replaced.get() : Sites{99};
  }
};

TEST(LineClaimOnABroker, OneWatcherPerLineAndEachNewOwnerHearsTheSitesItReplaces) {
  if (!std::filesystem::exists("/usr/sbin/mosquitto")) GTEST_SKIP() << "mosquitto is not installed";
  const Broker broker;
  Watcher first(broker.port, Sites{0, 1, 2});
  EXPECT_EQ(first.claimed(), Sites{});
  Watcher second(broker.port, Sites{5});
  second.connection.publish({"t/east/sites", "[5]"});  // what it puts stays with it
  EXPECT_TRUE(second.soon([&] { return second.connection.refusal().has_value(); }));
  EXPECT_NE(second.connection.refusal().value_or("").find(") publishes line east on this broker"), std::string::npos);
  EXPECT_TRUE(first.connection.takeNotes().empty());  // neither pushed off the broker nor taken over

  first.connection.finish(std::chrono::seconds(5));
  auto third = std::make_unique<Watcher>(broker.port, Sites{0, 1});
  EXPECT_EQ(third->claimed(), (Sites{0, 1, 2}));        // not the refused watcher's
  EXPECT_TRUE(third->connection.takeNotes().empty());  // no owner left to wait for
  third.reset();                                       // gone without a finish
  Watcher fourth(broker.port, Sites{3});
  EXPECT_EQ(fourth.claimed(), (Sites{0, 1}));
  EXPECT_THAT(fourth.connection.takeNotes(), testing::ElementsAre(testing::HasSubstr("did not answer")));
}

TEST(LineClaimOnABroker, TlsWithoutACertificateAuthorityFileTrustsTheSystemsAuthorities) {
  std::promise<Sites> unused;
  EXPECT_NO_THROW(MosquittoConnection(Watcher::options({"broker.lan", 8883, true}, {}, unused)));
}

}  // namespace
}  // namespace solwire::fleet
