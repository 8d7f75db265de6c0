// Watchers of one line on a real Mosquitto: a second one is refused while the
// first publishes; after a clean finish, and after a watcher that left its
// token behind, the next one claims the line and hears which sites it had.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "fleet/mosquitto_connection.h"
#include "fleet/watcher_identity.h"

extern char** environ;

namespace solwire::fleet {
namespace {

namespace fs = std::filesystem;
using Sites = std::vector<int>;
constexpr const char* kBroker = "/usr/sbin/mosquitto";

int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

struct Broker {
  const int port = freeLoopbackPort();
  const fs::path config = fs::temp_directory_path() / ("solwire-claim-" + std::to_string(getpid()) + ".conf");
  pid_t pid = 0;
  Broker() {
    std::ofstream(config) << "listener " << port << " 127.0.0.1\nallow_anonymous true\nlog_dest none\n";
    std::string path = config.string();
    char* words[] = {const_cast<char*>(kBroker), const_cast<char*>("-c"), path.data(), nullptr};
    posix_spawn(&pid, kBroker, nullptr, nullptr, words, environ);
  }
  ~Broker() {
    if (pid > 0 && kill(pid, SIGTERM) == 0) waitpid(pid, nullptr, 0);
    fs::remove(config);
  }
};

struct Watcher {
  std::promise<Sites> previous;
  MosquittoConnection connection;
  Watcher(int port, Sites sites) : connection(options(port, std::move(sites))) { connection.start(); }

  BrokerOptions options(int port, Sites sites) {
    const WatcherIdentity identity = newWatcherIdentity("east");
    BrokerOptions broker;
    broker.address = {"127.0.0.1", port, false};
    broker.clientId = identity.clientId;
    broker.lastWill = {"t/east/status", "offline"};
    broker.claim = {"t", "east", identity.ownerToken, sites, [this](Sites was) { previous.set_value(was); }};
    return broker;
  }
  bool soon(const std::function<bool()>& done) {
    for (int wait = 0; wait < 1000 && !done(); ++wait) {
      connection.keepTrying();  // the broker may not listen yet
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  }
  // The sites of the list that ours replaced, once the broker holds our claim.
  Sites claimed() {
    EXPECT_TRUE(soon([this] { return connection.ownsLine(); })) << notes();
    auto replaced = previous.get_future();
    return replaced.wait_for(std::chrono::seconds(0)) == std::future_status::ready ? replaced.get() : Sites{99};
  }
  std::string notes() {
    std::string all;
    for (const std::string& note : connection.takeNotes()) all += note + '\n';
    return all;
  }
};

TEST(LineClaimOnABroker, OneWatcherPerLineAndEachNewOwnerHearsTheSitesItReplaces) {
  if (!fs::exists(kBroker)) GTEST_SKIP() << "mosquitto is not installed";
  const Broker broker;
  auto first = std::make_unique<Watcher>(broker.port, Sites{0, 1, 2});
  EXPECT_EQ(first->claimed(), Sites{});
  Watcher second(broker.port, Sites{5});
  second.connection.publish({"t/east/sites", "[5]"});  // what it puts stays with it
  EXPECT_TRUE(second.soon([&] { return second.connection.refusal().has_value(); }));
  EXPECT_NE(second.connection.refusal().value_or("").find(") publishes line east on this broker"), std::string::npos);
  EXPECT_TRUE(first->connection.ownsLine());
  EXPECT_EQ(first->notes(), "");  // neither pushed off the broker nor taken over

  first->connection.finish(std::chrono::seconds(5));
  auto third = std::make_unique<Watcher>(broker.port, Sites{0, 1});
  EXPECT_EQ(third->claimed(), (Sites{0, 1, 2}));  // not the refused watcher's
  EXPECT_EQ(third->notes(), "");                 // no owner left to wait for
  third.reset();                                 // gone without a finish
  Watcher fourth(broker.port, Sites{3});
  EXPECT_EQ(fourth.claimed(), (Sites{0, 1}));
  EXPECT_NE(fourth.notes().find("did not answer; taking the line over"), std::string::npos);
}

TEST(LineClaimOnABroker, TlsWithoutACertificateAuthorityFileTrustsTheSystemsAuthorities) {
  BrokerOptions options;
  options.address = {"broker.lan", 8883, true};
  options.clientId = "solwire-east-tls";
  EXPECT_NO_THROW(MosquittoConnection{options});
}

}  // namespace
}  // namespace solwire::fleet
