// The watcher's connection to its broker, through libmosquitto (MQTT 3.1.1):
// a network thread of its own keeps the connection alive and reconnects with
// a growing delay, whatever ended the connection (libmosquitto's own thread
// gives up for good on a TLS error); messages go through a RetainedOutbox, so that a
// caller never waits on the broker and an outage keeps only the latest
// message of each topic. Nothing of ours goes out on a connection before the
// broker has shown that the line is ours (LineClaim).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fleet/broker_url.h"
#include "fleet/line_claim.h"
#include "fleet/mqtt_message.h"
#include "fleet/retained_outbox.h"

struct mosquitto;
struct mosquitto_message;

namespace solwire::fleet {

struct BrokerOptions {
  BrokerAddress address;
  std::string clientId;  // different for every process (WatcherIdentity)
  std::optional<std::string> user;
  std::optional<std::string> password;
  // TLS: the certificate authority that signed the broker's certificate;
  // without one, those the system trusts.
  std::optional<std::string> caFile;
  std::optional<std::string> certFile;  // TLS: the client's own certificate and key
  std::optional<std::string> keyFile;
  int keepaliveSeconds = 30;
  MqttMessage lastWill;
  LineClaimOptions claim;
};

class MosquittoConnection : private LineClaim::Effects {
 public:
  // Throws std::runtime_error when the options cannot be applied (a TLS file
  // that cannot be read); nothing is connected yet.
  explicit MosquittoConnection(const BrokerOptions& options);
  ~MosquittoConnection() override;
  MosquittoConnection(const MosquittoConnection&) = delete;
  MosquittoConnection& operator=(const MosquittoConnection&) = delete;

  // Connects, and starts the network thread that keeps the connection.
  void start();
  // Until a first connection attempt has got under way, tries again now and
  // then; call it often (it returns at once when there is nothing to do).
  void keepTrying();
  void publish(const MqttMessage& message) { outbox_.put(message); }

  bool connected() const { return outbox_.isConnected(); }
  // The broker holds our claim on the line (see LineClaim).
  bool ownsLine() const;
  // Why the caller gives up: the broker refused the first connection (its
  // reason), TLS could not be set up with it (a certificate that does not
  // verify, a key that does not fit), or another watcher publishes the line.
  std::optional<std::string> refusal() const;
  // What happened to the connection since the last call, one line each.
  std::vector<std::string> takeNotes();

  // Gives the line back, waits at most `limit` for what was published to be
  // acknowledged, then disconnects cleanly (no last will) and stops the
  // network thread.
  // Before a clean stop's last messages: the line is given back, and its
  // "offline" is no longer taken for an earlier owner's late last will.
  void giveLineBack();
  void finish(std::chrono::milliseconds limit);

 private:
  static void onConnect(mosquitto*, void* self, int rc);
  static void onDisconnect(mosquitto*, void* self, int rc);
  static void onPublish(mosquitto*, void* self, int mid);
  static void onLog(mosquitto*, void* self, int level, const char* text);
  static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
  void claimLine();
  void passTime();
  void sendNow(const MqttMessage& message) override { send(message); }
  void put(const MqttMessage& message) override { outbox_.put(message); }
  void release() override { outbox_.release(); }
  void giveUp(const std::string& reason) override;
  void note(const std::string& text) override;
  void refuse(const std::string& reason, std::string text);
  void refuseForTls();
  void tryFirstConnection();
  void runNetwork();
  bool pauseBeforeReconnecting(std::chrono::seconds delay);
  void stopNetwork();
  void send(const MqttMessage& message);
  std::string where() const;

  BrokerOptions options_;
  mosquitto* client_ = nullptr;
  RetainedOutbox outbox_;
  bool threadStarted_ = false;
  std::thread network_;
  std::atomic<bool> disconnecting_{false};  // finish(): the thread ends once the connection is closed
  std::atomic<bool> stopping_{false};       // the thread ends now
  std::mutex pauseMutex_;
  std::condition_variable pauseEnded_;
  int attempts_ = 0;  // first connection attempts that failed at once
  std::chrono::steady_clock::time_point lastAttempt_;

  mutable std::mutex mutex_;
  std::condition_variable acknowledged_;
  std::set<int> unacknowledged_;
  std::vector<std::string> notes_;
  std::optional<std::string> refusal_;
  bool everConnected_ = false;

  // Taken before the outbox's lock and mutex_, never after them.
  mutable std::mutex claimMutex_;
  LineClaim claim_;

  // libmosquitto's error lines since the last first-connection attempt: what
  // TLS said. A lock of their own, since libmosquitto logs while it publishes.
  std::mutex logMutex_;
  std::vector<std::string> errorLines_;
};

}  // namespace solwire::fleet
