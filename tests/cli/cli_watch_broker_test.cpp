// solwire-cli watch --mqtt against a real Mosquitto broker started by the
// test on a free loopback port: retained states, availability and discovery
// documents, the last will when the watcher is killed, a clean stop, a
// refused password, and a broker restarted under a running watcher.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
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

  std::string url() const { return "mqtt://127.0.0.1:" + std::to_string(port); }
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
  }

  void startWatcher(std::vector<std::string> extra = {}) {
    std::vector<std::string> words{"watch", "--port", "sim", "--sites", "0-3", "--every", "1s", "--mqtt", url()};
    words.insert(words.end(), extra.begin(), extra.end());
    watcher = std::make_unique<SpawnedProcess>(SOLWIRE_CLI_PATH, words, errorFile());
    ASSERT_TRUE(watcher->started());
  }

  // The payload on `topic` (the retained one, or the first to come), asked
  // again and again until `wanted` accepts it or the deadline passes.
  std::optional<std::string> payloadOn(const std::string& topic,
                                       const std::function<bool(const std::string&)>& wanted = nullptr) {
    const auto limit = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < limit) {
      SpawnedProcess subscriber(kSubscriber, {"-h", "127.0.0.1", "-p", std::to_string(port), "-t", topic, "-C", "1",
                                              "-W", "3"},
                                (directory / "sub.err").string());
      const std::string payload = subscriber.readLine();
      subscriber.wait();
      if (!payload.empty() && (!wanted || wanted(payload))) return payload;
      // A refused subscription (the broker not up yet) ends at once.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return std::nullopt;
  }

  fs::path directory;
  int port = 0;
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

  const auto sensor = payloadOn("homeassistant/sensor/solwire_sim_0_battery_voltage/config");
  ASSERT_TRUE(sensor);
  const Json config = Json::parse(*sensor);
  EXPECT_EQ(config["unique_id"], "solwire_sim_0_battery_voltage");
  EXPECT_EQ(config["state_topic"], "solwire/sim/0/state");
  EXPECT_EQ(config["device"]["model"], "48 V");
  EXPECT_EQ(config["availability"][0]["topic"], "solwire/sim/status");
  const auto alarm = payloadOn("homeassistant/binary_sensor/solwire_sim_2_alarm_13/config");
  ASSERT_TRUE(alarm);
  EXPECT_EQ(Json::parse(*alarm)["device"]["identifiers"][0], "solwire_sim_2");

  watcher->signal(SIGTERM);
  EXPECT_EQ(watcher->wait(), 0) << errors();
  EXPECT_EQ(payloadOn("solwire/sim/status"), "offline");
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
  EXPECT_TRUE(payloadOn("homeassistant/sensor/solwire_sim_2_load_current/config"));
  EXPECT_TRUE(errorsSaySoon("connected to the broker at 127.0.0.1:" + std::to_string(port) + " again")) << errors();
}

}  // namespace
}  // namespace solwire
