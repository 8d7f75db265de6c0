// solwire-cli watch on a line served by Debian's ser2net, which is stopped
// under the running watcher and started again on the same TCP port: the
// port's failure is said once for the line (not as each site's time-out),
// every site is published as failed meanwhile, and the sites read again
// within two rounds after the port is back, without a restart.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/cli/spawned_process.h"

namespace solwire {
namespace {

using test::SimProcess;
using test::SpawnedProcess;
using Json = nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kSer2net = "/usr/sbin/ser2net";

// A free loopback port, and whether a server takes connections on it (within 10 s).
int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

bool listens(int port) {
  for (int attempt = 0; attempt < 500; std::this_thread::sleep_for(std::chrono::milliseconds(20)), ++attempt) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    if (connected) return true;
  }
  return false;
}

TEST(CliWatchPort, ADeviceServerStoppedAndStartedAgainIsUsedAgainWithoutARestart) {
  if (!fs::exists(kSer2net)) GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh installs it)";
  const fs::path directory = fs::temp_directory_path() / ("solwire-watch-port-" + std::to_string(getpid()));
  fs::create_directories(directory);
  SimProcess sim({"--sites", "0,1"});
  const int tcpPort = freeLoopbackPort();
  const std::string config = (directory / "ser2net.yaml").string();
  std::ofstream(config) << "%YAML 1.1\n---\nconnection: &line\n  accepter: tcp,127.0.0.1," << tcpPort
                        << "\n  connector: serialdev," << sim.devicePath() << ",2400n81,local\n";
  const auto startSer2net = [&] {
    auto server = std::make_unique<SpawnedProcess>(kSer2net, std::vector<std::string>{"-d", "-u", "-c", config});
    EXPECT_TRUE(listens(tcpPort)) << "ser2net did not listen";
    return server;
  };
  auto ser2net = startSer2net();
  const std::string port = "tcp://127.0.0.1:" + std::to_string(tcpPort);
  const fs::path errors = directory / "watch.err";
  SpawnedProcess watcher(SOLWIRE_CLI_PATH,
                         {"watch", "--port", port, "--sites", "0,1", "--every", "1s", "--line-id", "t", "--json-lines"},
                         errors.string());
  const auto next = [&] {
    const std::string line = watcher.readLine();
    return line.empty() ? Json{{"ended", true}} : Json::parse(line);
  };
  const auto readsUntil = [&](bool ok, int limit) {
    for (int reading = 0; reading < limit; ++reading)
      if (const Json json = next(); json.value("ok", !ok) == ok || json.contains("ended")) return json;
    return Json{};
  };
  EXPECT_EQ(readsUntil(true, 4)["ok"], true);

  ser2net.reset();  // killed: its connection ends under the watcher
  const Json failed = readsUntil(false, 6);
  ASSERT_EQ(failed["ok"], false) << failed;
  // A few rounds away: every site fails with the port's reason, none by its own time-out.
  for (int reading = 0; reading < 6; ++reading) {
    const Json away = next();
    EXPECT_EQ(away["ok"], false) << away;
    EXPECT_NE(away.value("error", "").find(port), std::string::npos) << away;
  }

  ser2net = startSer2net();
  int readingsUntilBack = 0;
  for (Json reading = next(); reading["ok"] != true && !reading.contains("ended"); reading = next())
    ++readingsUntilBack;
  EXPECT_LE(readingsUntilBack, 2 * 2 + 2) << "two rounds of two sites, and the round under way";
  std::ifstream in(errors);
  const std::string said{std::istreambuf_iterator<char>(in), {}};
  const auto told = [&](const std::string& what) { return said.find(what) != said.rfind(what); };  // more than once
  EXPECT_NE(said.find("is open again"), std::string::npos) << said;
  EXPECT_FALSE(told("is open again")) << said;
  EXPECT_FALSE(told("has gone away")) << said;
  watcher.signal(SIGTERM);
  EXPECT_EQ(watcher.waitFor(std::chrono::seconds(20)), 0);
  fs::remove_all(directory);
}

}  // namespace
}  // namespace solwire
