// The watcher's connection to its broker, through libmosquitto (MQTT 3.1.1):
// its own network thread connects, keeps the connection alive and reconnects
// with a growing delay; messages go through a RetainedOutbox, so that a
// caller never waits on the broker and an outage keeps only the latest
// message of each topic.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fleet/broker_url.h"
#include "fleet/mqtt_message.h"
#include "fleet/retained_outbox.h"

struct mosquitto;

namespace solwire::fleet {

struct BrokerOptions {
  BrokerAddress address;
  std::string clientId;
  std::optional<std::string> user;
  std::optional<std::string> password;
  std::optional<std::string> caFile;    // TLS: the certificate authority that signed the broker's certificate
  std::optional<std::string> certFile;  // TLS: the client's own certificate and key
  std::optional<std::string> keyFile;
  int keepaliveSeconds = 30;
  MqttMessage lastWill;
};

class MosquittoConnection {
 public:
  // Throws std::runtime_error when the options cannot be applied (a TLS file
  // that cannot be used); nothing is connected yet.
  explicit MosquittoConnection(const BrokerOptions& options);
  ~MosquittoConnection();
  MosquittoConnection(const MosquittoConnection&) = delete;
  MosquittoConnection& operator=(const MosquittoConnection&) = delete;

  // Connects, and starts the network thread that keeps the connection.
  void start();
  // Until a first connection attempt has got under way, tries again now and
  // then; call it often (it returns at once when there is nothing to do).
  void keepTrying();
  void publish(const MqttMessage& message) { outbox_.put(message); }

  bool connected() const { return outbox_.isConnected(); }
  // The broker's reason when it refused the first connection; the caller gives up.
  std::optional<std::string> refusedAtStart() const;
  // What happened to the connection since the last call, one line each.
  std::vector<std::string> takeNotes();

  // Waits at most `limit` for what was published to be acknowledged, then
  // disconnects cleanly (no last will) and stops the network thread.
  void finish(std::chrono::milliseconds limit);

 private:
  static void onConnect(mosquitto*, void* self, int rc);
  static void onDisconnect(mosquitto*, void* self, int rc);
  static void onPublish(mosquitto*, void* self, int mid);
  void tryFirstConnection();
  void send(const MqttMessage& message);
  void note(std::string text);
  std::string where() const;

  BrokerOptions options_;
  mosquitto* client_ = nullptr;
  RetainedOutbox outbox_;
  bool threadStarted_ = false;
  int attempts_ = 0;  // first connection attempts that failed at once
  std::chrono::steady_clock::time_point lastAttempt_;

  mutable std::mutex mutex_;
  std::condition_variable acknowledged_;
  std::set<int> unacknowledged_;
  std::vector<std::string> notes_;
  std::optional<std::string> refusal_;
  bool everConnected_ = false;
};

}  // namespace solwire::fleet
