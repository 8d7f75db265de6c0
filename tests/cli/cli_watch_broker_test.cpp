// solwire-cli watch --mqtt against a real Mosquitto broker started by the
// test on a free loopback port: retained states, availability and discovery
// documents, the last will when the watcher is killed, a clean stop, a
// refused password, a broker restarted under a running watcher, TLS with the
// broker's certificate authority (and a client certificate), an access list
// that keeps the watcher to its topics, and four lines on one broker.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <thread>

#include "tests/cli/spawned_process.h"

namespace solwire {
namespace {

using test::SpawnedProcess;
using Json = nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kBroker = "/usr/sbin/mosquitto";
constexpr const char* kSubscriber = "/usr/bin/mosquitto_sub";
constexpr auto kDeadline = std::chrono::seconds(30);

int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

class CliWatchBroker : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kBroker) || !fs::exists(kSubscriber)) GTEST_SKIP() << "mosquitto is not installed";
    directory = fs::temp_directory_path() / ("solwire-watch-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory);
    fs::create_directories(directory);
    port = freeLoopbackPort();
  }
  void TearDown() override {
    watcher.reset();
    broker.reset();
    fs::remove_all(directory);
  }

  std::string url() const { return (tls ? "mqtts://127.0.0.1:" : "mqtt://127.0.0.1:") + std::to_string(port); }
  std::string file(const std::string& name) const { return (directory / name).string(); }
  std::string errorFile() const { return (directory / "watch.err").string(); }
  std::string errors() const {
    std::ifstream in(errorFile());
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The watcher says what became of its connection between readings, a
  // little after it happened.
  bool errorsSaySoon(const std::string& text) const {
    const auto limit = std::chrono::steady_clock::now() + kDeadline;
    while (errors().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
  }

  void startBroker(const std::string& extraConfig = "allow_anonymous true\n") {
    const fs::path config = directory / "mosquitto.conf";
    std::ofstream(config) << "listener " << port << " 127.0.0.1\n"
                          << "user root\npersistence false\n" << extraConfig;
    broker = std::make_unique<SpawnedProcess>(kBroker, std::vector<std::string>{"-c", config.string()},
                                              (directory / "broker.log").string());
    ASSERT_TRUE(broker->started());
    // A subscriber started before the broker listens is refused and gives up.
    ASSERT_TRUE(brokerListens()) << "the broker did not listen on port " << port;
  }

  bool brokerListens() const {
    const auto limit = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < limit) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<std::uint16_t>(port));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
      ::close(fd);
      if (connected) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  void startWatcher(std::vector<std::string> extra = {}) {
    std::vector<std::string> words{"watch", "--port", "sim", "--every", "1s", "--mqtt", url()};
    words.insert(words.end(), extra.begin(), extra.end());
    for (const auto& [option, value] : {std::pair{"--line-id", "sim"}, std::pair{"--sites", "0-3"}})
      if (std::find(words.begin(), words.end(), option) == words.end()) words.insert(words.end(), {option, value});
    watcher = std::make_unique<SpawnedProcess>(SOLWIRE_CLI_PATH, words, errorFile());
    ASSERT_TRUE(watcher->started());
  }

  // The payload on `topic` (the retained one, or the first to come), asked
  // again and again until `wanted` accepts it or the deadline passes.
  std::optional<std::string> payloadOn(const std::string& topic,
                                       const std::function<bool(const std::string&)>& wanted = nullptr) {
    const auto limit = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < limit) {
      std::vector<std::string> words{"-h", "127.0.0.1", "-p", std::to_string(port), "-t", topic, "-C", "1", "-W", "3"};
      words.insert(words.end(), subscriberOptions.begin(), subscriberOptions.end());
      SpawnedProcess subscriber(kSubscriber, words, (directory / "sub.err").string());
      const std::string payload = subscriber.readLine();
      subscriber.wait();
      if (!payload.empty() && (!wanted || wanted(payload))) return payload;
      // A refused subscription (the broker not up yet) ends at once.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return std::nullopt;
  }

  // Nothing retained under `topics` (a pattern), asked once the watcher has
  // had its say.
  bool nothingRetainedUnder(const std::string& topics) {
    std::vector<std::string> words{"-h", "127.0.0.1", "-p", std::to_string(port), "-t", topics, "-v", "-C", "1",
                                   "-W", "2"};
    words.insert(words.end(), subscriberOptions.begin(), subscriberOptions.end());
    SpawnedProcess subscriber(kSubscriber, words, (directory / "sub.err").string());
    const std::string message = subscriber.readLine();
    EXPECT_EQ(message, "");
    return message.empty();
  }

  // A certificate authority, the broker's certificate for 127.0.0.1 signed
  // by it, a client certificate signed by it, and another authority.
  void makeCertificates() {
    const std::string d = directory.string() + "/";
    const std::string quiet = " >/dev/null 2>&1";
    auto run = [&](const std::string& command) { ASSERT_EQ(std::system((command + quiet).c_str()), 0) << command; };
    const std::string newKey = "openssl req -newkey rsa:2048 -nodes -days 1 -subj ";
    run(newKey + "/CN=Solwire-test-CA -x509 -keyout " + d + "ca.key -out " + d + "ca.pem");
    run(newKey + "/CN=Other-test-CA -x509 -keyout " + d + "other.key -out " + d + "other.pem");
    std::ofstream(d + "server.ext") << "subjectAltName=IP:127.0.0.1\n";
    for (const std::string name : {"server", "client"}) {
      run(newKey + "/CN=" + name + " -keyout " + d + name + ".key -out " + d + name + ".csr");
      run("openssl x509 -req -days 1 -in " + d + name + ".csr -CA " + d + "ca.pem -CAkey " + d + "ca.key " +
          "-CAcreateserial -out " + d + name + ".pem" + (name == "server" ? " -extfile " + d + "server.ext" : ""));
    }
  }
  std::string tlsListener() const {
    return "allow_anonymous true\ncafile " + file("ca.pem") + "\ncertfile " + file("server.pem") + "\nkeyfile " +
           file("server.key") + "\n";
  }

  fs::path directory;
  int port = 0;
  bool tls = false;
  std::vector<std::string> subscriberOptions;  // TLS files or a user for mosquitto_sub
  std::unique_ptr<SpawnedProcess> broker;
  std::unique_ptr<SpawnedProcess> watcher;
};

bool isGoodState(const std::string& payload) { return Json::accept(payload) && Json::parse(payload)["ok"] == true; }

TEST_F(CliWatchBroker, PublishesRetainedStatesAvailabilityAndDiscoveryThenGoesOfflineOnAStop) {
  startBroker();
  startWatcher({"--alarms"});
  const auto state = payloadOn("solwire/sim/3/state", isGoodState);
  ASSERT_TRUE(state) << errors();
  const Json json = Json::parse(*state);
  EXPECT_EQ(json["site"], 3);
  EXPECT_EQ(json["voltage_class"], 24);
  EXPECT_EQ(json["alarms"].size(), 13U);
  EXPECT_EQ(payloadOn("solwire/sim/3/availability"), "online");
  EXPECT_EQ(payloadOn("solwire/sim/status"), "online");

  const auto device = payloadOn("homeassistant/device/solwire_sim_0/config");
  ASSERT_TRUE(device);
  const Json config = Json::parse(*device);
  EXPECT_EQ(config["cmps"]["battery_voltage"]["unique_id"], "solwire_sim_0_battery_voltage");
  EXPECT_EQ(config["state_topic"], "solwire/sim/0/state");
  EXPECT_EQ(config["dev"]["mdl"], "48 V");
  EXPECT_EQ(config["availability"][0]["topic"], "solwire/sim/status");
  const auto alarms = payloadOn("homeassistant/device/solwire_sim_2/config");
  ASSERT_TRUE(alarms);
  EXPECT_EQ(Json::parse(*alarms)["cmps"]["alarm_13"]["p"], "binary_sensor");

  watcher->signal(SIGTERM);
  EXPECT_EQ(watcher->wait(), 0) << errors();
  EXPECT_EQ(payloadOn("solwire/sim/status"), "offline");
}

// Two installations on one line id: the second refuses while the first is
// alive. Once the first is killed, its token left behind does not answer: a
// watcher restarted with fewer sites takes the line over and removes what was
// published for the dropped ones, so Home Assistant does not show them as current.
TEST_F(CliWatchBroker, ASecondWatcherOfALineRefusesAndARestartWithFewerSitesRemovesTheDroppedOnes) {
  startBroker();
  startWatcher();
  ASSERT_TRUE(payloadOn("solwire/sim/3/state", isGoodState)) << errors();
  SpawnedProcess second(SOLWIRE_CLI_PATH,
                        {"watch", "--port", "sim", "--sites", "3", "--mqtt", url(), "--line-id", "sim"},
                        file("second.err"));
  EXPECT_EQ(second.waitFor(std::chrono::seconds(20)), 1);
  std::ifstream secondErrors(file("second.err"));
  const std::string said{std::istreambuf_iterator<char>(secondErrors), {}};
  EXPECT_NE(said.find("another watcher"), std::string::npos) << said;

  watcher->signal(SIGKILL);
  watcher->wait();
  startWatcher({"--sites", "0-1"});
  EXPECT_EQ(payloadOn("solwire/sim/sites", [](const std::string& p) { return p == "[0,1]"; }), "[0,1]") << errors();
  EXPECT_TRUE(errorsSaySoon("did not answer; taking the line over"));
  for (const char* dropped : {"solwire/sim/2/#", "solwire/sim/3/#", "homeassistant/device/solwire_sim_3/#"})
    EXPECT_TRUE(nothingRetainedUnder(dropped)) << dropped;
  EXPECT_TRUE(payloadOn("solwire/sim/1/state", isGoodState));
}

TEST_F(CliWatchBroker, AKilledWatchersLastWillTakesTheLineOffline) {
  startBroker();
  startWatcher({"--no-ha", "--line-id", "east"});
  ASSERT_EQ(payloadOn("solwire/east/status"), "online") << errors();
  EXPECT_TRUE(payloadOn("solwire/east/0/state", isGoodState));
  {
    // Discovery documents would have been retained before the first state.
    SpawnedProcess discovery(kSubscriber, {"-h", "127.0.0.1", "-p", std::to_string(port), "-t", "homeassistant/#",
                                           "-C", "1", "-W", "2"});
    EXPECT_EQ(discovery.readLine(), "");
  }
  watcher->signal(SIGKILL);
  watcher->wait();
  EXPECT_EQ(payloadOn("solwire/east/status", [](const std::string& p) { return p == "offline"; }), "offline");
}

TEST_F(CliWatchBroker, AWrongPasswordEndsTheWatcherWithTheBrokersReasonAndTheRightOneConnects) {
  const fs::path passwords = directory / "passwords";
  ASSERT_EQ(std::system(("mosquitto_passwd -b -c '" + passwords.string() + "' watcher s3cret").c_str()), 0);
  fs::permissions(passwords, fs::perms::owner_read | fs::perms::owner_write);
  startBroker("allow_anonymous false\npassword_file " + passwords.string() + "\n");
  std::ofstream(directory / "wrong") << "guess\n";
  std::ofstream(directory / "right") << "s3cret\n";

  startWatcher({"--mqtt-user", "watcher", "--mqtt-password-file", (directory / "wrong").string()});
  EXPECT_EQ(watcher->wait(), 1);
  EXPECT_NE(errors().find("not authorised"), std::string::npos) << errors();

  startWatcher({"--mqtt-user", "watcher", "--mqtt-password-file", (directory / "right").string()});
  SpawnedProcess check(kSubscriber, {"-h", "127.0.0.1", "-p", std::to_string(port), "-u", "watcher", "-P", "s3cret",
                                     "-t", "solwire/sim/1/state", "-C", "1", "-W", "30"});
  EXPECT_TRUE(isGoodState(check.readLine())) << errors();
}

TEST_F(CliWatchBroker, StatesArriveAgainAfterTheBrokerRestarts) {
  startBroker();
  startWatcher();
  ASSERT_TRUE(payloadOn("solwire/sim/2/state", isGoodState)) << errors();
  broker.reset();  // killed: it keeps nothing, retained messages included
  startBroker();
  EXPECT_TRUE(payloadOn("solwire/sim/2/state", isGoodState)) << errors();
  EXPECT_EQ(payloadOn("solwire/sim/status"), "online");
  EXPECT_TRUE(payloadOn("homeassistant/device/solwire_sim_2/config"));
  EXPECT_TRUE(errorsSaySoon("connected to the broker at 127.0.0.1:" + std::to_string(port) + " again")) << errors();
}

TEST_F(CliWatchBroker, OverTlsStatesArriveWithTheBrokersCertificateAuthorityThoughTheBrokerCameUpLater) {
  makeCertificates();
  tls = true;
  subscriberOptions = {"--cafile", file("ca.pem")};
  // Refused at first: the watcher tries again instead of waiting on a dead socket.
  startWatcher({"--mqtt-ca", file("ca.pem")});
  startBroker(tlsListener());
  const auto state = payloadOn("solwire/sim/1/state", isGoodState);
  ASSERT_TRUE(state) << errors();
  EXPECT_EQ(Json::parse(*state)["site"], 1);
  EXPECT_EQ(payloadOn("solwire/sim/status"), "online");
  watcher->signal(SIGTERM);
  EXPECT_EQ(watcher->waitFor(kDeadline), 0) << errors();
  EXPECT_EQ(payloadOn("solwire/sim/status", [](const std::string& p) { return p == "offline"; }), "offline");
}

TEST_F(CliWatchBroker, ACertificateFromAnotherAuthorityEndsTheWatcherWithTheReasonAndPublishesNothing) {
  makeCertificates();
  startBroker(tlsListener());
  tls = true;
  subscriberOptions = {"--cafile", file("ca.pem")};
  startWatcher({"--mqtt-ca", file("other.pem")});
  EXPECT_EQ(watcher->waitFor(kDeadline), 1) << errors();
  EXPECT_NE(errors().find("no TLS connection to the broker at 127.0.0.1:" + std::to_string(port) +
                          ": certificate verify failed"),
            std::string::npos)
      << errors();
  EXPECT_TRUE(nothingRetainedUnder("solwire/#"));
}

TEST_F(CliWatchBroker, ABrokerThatRequiresAClientCertificateRefusesAWatcherWithoutOneAndTakesOneWithIt) {
  makeCertificates();
  startBroker(tlsListener() + "require_certificate true\n");
  tls = true;
  subscriberOptions = {"--cafile", file("ca.pem"), "--cert", file("client.pem"), "--key", file("client.key")};
  startWatcher({"--mqtt-ca", file("ca.pem")});
  EXPECT_EQ(watcher->waitFor(kDeadline), 1) << errors();
  EXPECT_NE(errors().find("no TLS connection to the broker"), std::string::npos) << errors();
  EXPECT_NE(errors().find("certificate required"), std::string::npos) << errors();

  startWatcher({"--mqtt-ca", file("ca.pem"), "--mqtt-cert", file("client.pem"), "--mqtt-key", file("client.key")});
  EXPECT_TRUE(payloadOn("solwire/sim/2/state", isGoodState)) << errors();
}

TEST_F(CliWatchBroker, AnAccessListKeepsTheWatcherToItsTopicsAndAWatcherOutsideThemGoesOnReading) {
  const fs::path passwords = directory / "passwords";
  ASSERT_EQ(std::system(("mosquitto_passwd -b -c '" + passwords.string() + "' fleet f1eet && mosquitto_passwd -b '" +
                         passwords.string() + "' checker ch3ck")
                            .c_str()),
            0);
  fs::permissions(passwords, fs::perms::owner_read | fs::perms::owner_write);
  std::ofstream(directory / "acl") << "user fleet\ntopic write solwire/#\ntopic write homeassistant/#\n\n"
                                   << "user checker\ntopic read #\n";
  startBroker("allow_anonymous false\npassword_file " + passwords.string() + "\nacl_file " + file("acl") + "\n");
  std::ofstream(directory / "password") << "f1eet\n";
  subscriberOptions = {"-u", "checker", "-P", "ch3ck"};
  const std::vector<std::string> fleetUser{"--mqtt-user", "fleet", "--mqtt-password-file", file("password")};

  startWatcher(fleetUser);
  EXPECT_TRUE(payloadOn("solwire/sim/3/state", isGoodState)) << errors();
  EXPECT_TRUE(payloadOn("homeassistant/device/solwire_sim_3/config")) << errors();
  watcher->signal(SIGTERM);
  EXPECT_EQ(watcher->waitFor(kDeadline), 0) << errors();

  // Outside its topics the broker drops what it publishes; it reads on.
  std::vector<std::string> outside = fleetUser;
  outside.insert(outside.end(), {"--mqtt-prefix", "other", "--line-id", "west", "--json-lines"});
  startWatcher(outside);
  for (int reading = 0; reading < 8; ++reading) {  // two rounds of four sites
    const std::string line = watcher->readLine();
    ASSERT_TRUE(Json::accept(line)) << "reading " << reading << ": " << line << errors();
    EXPECT_EQ(Json::parse(line)["line"], "west");
  }
  EXPECT_TRUE(nothingRetainedUnder("other/#"));
  EXPECT_TRUE(payloadOn("homeassistant/device/solwire_west_0/config"));  // its own topics are written
  watcher->signal(SIGTERM);
  EXPECT_EQ(watcher->waitFor(kDeadline), 0) << errors();
  EXPECT_EQ(errors().find("refused"), std::string::npos) << errors();
}

TEST_F(CliWatchBroker, FourLinesOnOneBrokerPublishEverySiteOfEveryLine) {
  startBroker();
  const std::vector<std::string> lines{"north", "east", "south", "west"};
  std::vector<std::unique_ptr<SpawnedProcess>> watchers;
  for (const std::string& line : lines)
    watchers.push_back(std::make_unique<SpawnedProcess>(
        SOLWIRE_CLI_PATH,
        std::vector<std::string>{"watch", "--port", "sim", "--sites", "0-3", "--every", "1s", "--mqtt", url(),
                                 "--no-ha", "--line-id", line},
        errorFile()));
  // Every state of every line, each from a second round at least: a
  // subscriber sees the four retained ones of a site's line and waits for more.
  std::map<std::string, std::set<std::string>> timesOf;
  SpawnedProcess all(kSubscriber, {"-h", "127.0.0.1", "-p", std::to_string(port), "-t", "solwire/+/+/state", "-v",
                                   "-W", "20"});
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  auto complete = [&] {
    if (timesOf.size() != 16) return false;
    return std::all_of(timesOf.begin(), timesOf.end(), [](const auto& entry) { return entry.second.size() >= 2; });
  };
  while (!complete() && std::chrono::steady_clock::now() < limit) {
    const std::string message = all.readLine();
    if (message.empty()) break;  // the subscriber's -W ran out
    const auto space = message.find(' ');
    ASSERT_NE(space, std::string::npos) << message;
    const std::string payload = message.substr(space + 1);
    if (!isGoodState(payload)) continue;
    timesOf[message.substr(0, space)].insert(Json::parse(payload)["time"].get<std::string>());
  }
  for (const std::string& line : lines)
    for (int site = 0; site <= 3; ++site) {
      const std::string topic = "solwire/" + line + "/" + std::to_string(site) + "/state";
      EXPECT_GE(timesOf[topic].size(), 2U) << topic << '\n' << errors();
    }
  for (auto& each : watchers) {
    each->signal(SIGTERM);
    EXPECT_EQ(each->waitFor(kDeadline), 0) << errors();
  }
}

}  // namespace
}  // namespace solwire
