// solwire-cli watch: every listed site of a line, round after round,
// published to an MQTT broker (with Home Assistant's discovery documents)
// and/or printed as JSON lines on standard output.
#include <signal.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/local_time_text.h"
#include "cli/site_watcher.h"
#include "cli/stop_signals.h"
#include "fleet/discovery_removal.h"
#include "fleet/fleet_publisher.h"
#include "fleet/mosquitto_connection.h"
#include "fleet/state_payload.h"
#include "fleet/watcher_identity.h"

namespace solwire::cli {

namespace {

// How long a clean stop waits for the broker to take the last messages.
constexpr std::chrono::seconds kFinishWait{5};
// A broker that has not answered for this long is worth a word on stderr.
constexpr std::chrono::seconds kSilentBrokerNotice{10};

void printJsonLine(std::ostream& out, const std::string& line, const fleet::SiteReading& reading) {
  fleet::Json json;
  json["line"] = line;
  json.update(fleet::statePayload(reading));
  out << json.dump() << '\n' << std::flush;
}

// How long a site's published state stays current: three rounds, counted
// as the longest a round can take when no site answers (each request's
// time-out and the quiet time after it), or as --every when that is longer.
// A watcher that hangs leaves its sites unavailable after that.
std::chrono::seconds stateLifetime(const WatchOptions& options) {
  constexpr int kRounds = 3;
  constexpr int kBitsPerByte = 10;
  const int baud = baudRateForIndex(options.baudIndex);
  const auto timeOut = std::chrono::milliseconds{replyTimeoutForBaudIndex(options.baudIndex) * kTickMilliseconds};
  const std::chrono::milliseconds longestReply{replyLength(RequestKind::HistoryBlock) * kBitsPerByte * 1000 / baud};
  const auto perRequest = 2 * timeOut + longestReply;
  const auto requests = static_cast<int>(options.sites.size()) * (options.alarms ? 2 : 1);
  const auto round = std::max<std::chrono::milliseconds>(options.every, perRequest * requests);
  return std::chrono::ceil<std::chrono::seconds>(kRounds * round);
}

// The line's publisher and its broker connection.
struct MqttOutput {
  std::unique_ptr<fleet::MosquittoConnection> connection;
  std::unique_ptr<fleet::FleetPublisher> publisher;
};

using Put = std::function<void(const fleet::MqttMessage&)>;

// What the line published for sites it no longer watches is emptied, as
// Home Assistant asks for a removal: their entities go instead of showing
// their last values as current. Asked once, with the line's retained list.
std::function<void(std::vector<int>)> dropSitesNoLongerWatched(const fleet::FleetTopics& topics,
                                                               const MqttOptions& mqtt, const std::vector<int>& sites,
                                                               Put put) {
  return [topics, haPrefix = mqtt.haPrefix, sites, put = std::move(put)](const std::vector<int>& previous) {
    for (const int site : previous)
      if (std::find(sites.begin(), sites.end(), site) == sites.end())
        for (const fleet::MqttMessage& message : fleet::siteRemovals(topics, haPrefix, site)) put(message);
  };
}

fleet::BrokerOptions brokerOptions(const MqttOptions& mqtt, const std::string& line, const std::vector<int>& sites,
                                   const fleet::MqttMessage& will, const std::optional<std::string>& password,
                                   Put put) {
  const fleet::WatcherIdentity identity = fleet::newWatcherIdentity(line);
  fleet::BrokerOptions broker;
  broker.address = mqtt.broker;
  broker.clientId = identity.clientId;
  broker.claim = {mqtt.prefix, line, identity.ownerToken, sites,
                  dropSitesNoLongerWatched(fleet::FleetTopics(mqtt.prefix, line), mqtt, sites, std::move(put))};
  broker.user = mqtt.user;
  broker.password = password;
  broker.caFile = mqtt.caFile;
  broker.certFile = mqtt.certFile;
  broker.keyFile = mqtt.keyFile;
  broker.lastWill = will;
  return broker;
}

// Throws std::runtime_error when the connection cannot be set up.
MqttOutput startMqtt(const WatchOptions& options, std::ostream& err) {
  const MqttOptions& mqtt = *options.mqtt;
  std::optional<std::string> password;
  if (mqtt.passwordFile) {
    if (const auto warning = passwordFileWarning(*mqtt.passwordFile))
      err << "solwire-cli watch: warning: " << *warning << '\n';
    password = readPasswordFile(*mqtt.passwordFile);
    if (!password) throw std::runtime_error("the password file " + *mqtt.passwordFile + " cannot be read");
  }
  std::optional<fleet::DiscoveryOptions> discovery;
  if (mqtt.discovery) {
    discovery.emplace();
    discovery->haPrefix = mqtt.haPrefix;
    discovery->alarms = options.alarms;
    discovery->softwareVersion = SOLWIRE_VERSION;
    discovery->expireAfter = stateLifetime(options);
    discovery->language = options.language;
  }
  MqttOutput output;
  fleet::FleetTopics topics(mqtt.prefix, options.line);
  const fleet::MqttMessage will = fleet::FleetPublisher(topics, std::nullopt, nullptr).lastWill();
  // The removals are put by the connection's own thread, once it has started.
  auto connection = std::make_shared<fleet::MosquittoConnection*>(nullptr);
  const Put putOnConnection = [connection](const fleet::MqttMessage& m) { (*connection)->publish(m); };
  output.connection = std::make_unique<fleet::MosquittoConnection>(
      brokerOptions(mqtt, options.line, options.sites, will, password, putOnConnection));
  *connection = output.connection.get();
  output.publisher = std::make_unique<fleet::FleetPublisher>(
      topics, discovery, [connection = output.connection.get()](const fleet::MqttMessage& m) { connection->publish(m); });
  output.publisher->lineOnline();
  output.publisher->announce(options.sites);
  output.connection->start();
  return output;
}

// What the connection has to say, on stderr; once, too, when the broker has
// not answered for a while since the start or since the connection was lost.
class BrokerReporter {
 public:
  BrokerReporter(fleet::MosquittoConnection& connection, std::ostream& err) : connection_(connection), err_(err) {}

  void report() {
    connection_.keepTrying();
    for (const std::string& note : connection_.takeNotes()) err_ << "solwire-cli watch: " << note << '\n';
    const auto now = std::chrono::steady_clock::now();
    if (connection_.connected()) {
      silentSince_ = now;
      warned_ = false;
    } else if (!warned_ && now - silentSince_ >= kSilentBrokerNotice) {
      warned_ = true;
      err_ << "solwire-cli watch: no connection to the broker yet; still trying, readings are kept\n";
    }
    err_.flush();
  }

 private:
  fleet::MosquittoConnection& connection_;
  std::ostream& err_;
  std::chrono::steady_clock::time_point silentSince_ = std::chrono::steady_clock::now();
  bool warned_ = false;
};

}  // namespace

int runWatch(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto options = parseWatch(args, err);
  if (!options) return kExitUsage;
  // Taken over before the first reading: a stop lets the reading under way finish.
  const StopSignals signals;
  // A reader of the JSON lines that goes away (`| head -1`) ends the watch
  // with a word and status 1, not with the signal.
  ::signal(SIGPIPE, SIG_IGN);
  MqttOutput mqtt;
  std::unique_ptr<BrokerReporter> reporter;
  if (options->mqtt) {
    try {
      mqtt = startMqtt(*options, err);
    } catch (const std::runtime_error& e) {
      err << "solwire-cli watch: " << e.what() << '\n';
      return kExitFailed;
    }
    reporter = std::make_unique<BrokerReporter>(*mqtt.connection, err);
  }
  const SessionPort port({options->port, options->baudIndex, options->sites.front()});
  const auto notice = [&err](const std::string& text) { err << "solwire-cli watch: " << text << '\n' << std::flush; };
  WatcherEnvironment environment{port, systemClock(), [] { return isoLocalTime(systemZonedTime()); }, notice};
  SiteWatcher watcher(*options, environment, [&](const fleet::SiteReading& reading) {
    if (options->jsonLines) printJsonLine(out, options->line, reading);
    if (mqtt.publisher) mqtt.publisher->publish(reading);
  });
  std::optional<std::string> refusal;
  watcher.run([&] {
    if (reporter) reporter->report();
    if (mqtt.connection) refusal = mqtt.connection->refusal();
    return signals.received() || !out || refusal;
  });
  if (refusal) {
    reporter->report();  // the reason, if it came after the last report
    return kExitFailed;
  }
  if (mqtt.publisher) {
    mqtt.connection->giveLineBack();
    mqtt.publisher->lineOffline();
    mqtt.connection->finish(kFinishWait);
  }
  return out ? kExitOk : kExitFailed;  // the caller says that the output could not be written
}

}  // namespace solwire::cli
