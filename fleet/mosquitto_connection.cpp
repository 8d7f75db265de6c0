#include "fleet/mosquitto_connection.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace solwire::fleet {

namespace {

constexpr unsigned kFirstReconnectDelaySeconds = 1;
constexpr unsigned kLongestReconnectDelaySeconds = 30;

void initialiseLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

const char* optionalText(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

void check(int rc, const std::string& what) {
  if (rc != MOSQ_ERR_SUCCESS) throw std::runtime_error(what + ": " + mosquitto_strerror(rc));
}

}  // namespace

MosquittoConnection::MosquittoConnection(const BrokerOptions& options)
    : options_(options), outbox_([this](const MqttMessage& message) { send(message); }) {
  initialiseLibraryOnce();
  client_ = mosquitto_new(options_.clientId.c_str(), true, this);
  if (!client_) throw std::runtime_error("the MQTT client could not be created");
  mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_connect_callback_set(client_, onConnect);
  mosquitto_disconnect_callback_set(client_, onDisconnect);
  mosquitto_publish_callback_set(client_, onPublish);
  mosquitto_reconnect_delay_set(client_, kFirstReconnectDelaySeconds, kLongestReconnectDelaySeconds, true);
  const MqttMessage& will = options_.lastWill;
  check(mosquitto_will_set(client_, will.topic.c_str(), static_cast<int>(will.payload.size()), will.payload.data(),
                           will.qos, will.retained),
        "the last will");
  if (options_.user)
    check(mosquitto_username_pw_set(client_, options_.user->c_str(), optionalText(options_.password)),
          "the user name");
  if (options_.address.tls)
    check(mosquitto_tls_set(client_, optionalText(options_.caFile), nullptr, optionalText(options_.certFile),
                            optionalText(options_.keyFile), nullptr),
          "the TLS files");
}

MosquittoConnection::~MosquittoConnection() {
  if (threadStarted_) {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
  }
  mosquitto_destroy(client_);
}

std::string MosquittoConnection::where() const {
  return "the broker at " + options_.address.host + ":" + std::to_string(options_.address.port);
}

void MosquittoConnection::start() { tryFirstConnection(); }

// The network thread reconnects a connection that was made once; a first
// attempt that fails at once (nobody listening, a name that does not resolve)
// is made again from here, less often each time.
void MosquittoConnection::tryFirstConnection() {
  lastAttempt_ = std::chrono::steady_clock::now();
  const int rc = mosquitto_connect_async(client_, options_.address.host.c_str(), options_.address.port,
                                         options_.keepaliveSeconds);
  if (rc != MOSQ_ERR_SUCCESS) {
    if (attempts_++ == 0)
      note("cannot reach " + where() + ": " + (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc)) +
           "; trying again");
    return;
  }
  check(mosquitto_loop_start(client_), "the MQTT network thread");
  threadStarted_ = true;
}

void MosquittoConnection::keepTrying() {
  if (threadStarted_) return;
  const auto delay = std::chrono::seconds(
      std::min<unsigned>(kLongestReconnectDelaySeconds, kFirstReconnectDelaySeconds << std::min(attempts_, 5)));
  if (std::chrono::steady_clock::now() - lastAttempt_ >= delay) tryFirstConnection();
}

void MosquittoConnection::onConnect(mosquitto*, void* self, int rc) {
  auto& connection = *static_cast<MosquittoConnection*>(self);
  if (rc != 0) {
    const std::string reason = mosquitto_connack_string(rc);
    {
      const std::lock_guard lock(connection.mutex_);
      if (!connection.everConnected_) connection.refusal_ = reason;
    }
    connection.note(connection.where() + " refused the connection: " + reason);
    return;
  }
  bool again = false;
  {
    const std::lock_guard lock(connection.mutex_);
    again = connection.everConnected_;
    connection.everConnected_ = true;
  }
  if (again) connection.note("connected to " + connection.where() + " again");
  connection.outbox_.connected();
}

void MosquittoConnection::onDisconnect(mosquitto*, void* self, int rc) {
  auto& connection = *static_cast<MosquittoConnection*>(self);
  const bool wasConnected = connection.outbox_.isConnected();
  connection.outbox_.disconnected();
  {
    // What was not acknowledged goes out again from the outbox on the next connection.
    const std::lock_guard lock(connection.mutex_);
    connection.unacknowledged_.clear();
  }
  if (rc != 0 && wasConnected)
    connection.note("lost the connection to " + connection.where() + "; reconnecting, latest states kept");
}

void MosquittoConnection::onPublish(mosquitto*, void* self, int mid) {
  auto& connection = *static_cast<MosquittoConnection*>(self);
  const std::lock_guard lock(connection.mutex_);
  connection.unacknowledged_.erase(mid);
  connection.acknowledged_.notify_all();
}

// Called by the outbox, under its lock; a message that does not go out now
// is still in the outbox for the next connection.
void MosquittoConnection::send(const MqttMessage& message) {
  int mid = 0;
  const std::lock_guard lock(mutex_);
  if (mosquitto_publish(client_, &mid, message.topic.c_str(), static_cast<int>(message.payload.size()),
                        message.payload.data(), message.qos, message.retained) == MOSQ_ERR_SUCCESS &&
      message.qos > 0)
    unacknowledged_.insert(mid);
}

void MosquittoConnection::note(std::string text) {
  const std::lock_guard lock(mutex_);
  notes_.push_back(std::move(text));
}

std::vector<std::string> MosquittoConnection::takeNotes() {
  const std::lock_guard lock(mutex_);
  return std::exchange(notes_, {});
}

std::optional<std::string> MosquittoConnection::refusedAtStart() const {
  const std::lock_guard lock(mutex_);
  return refusal_;
}

void MosquittoConnection::finish(std::chrono::milliseconds limit) {
  if (!threadStarted_) return;
  if (outbox_.isConnected()) {
    std::unique_lock lock(mutex_);
    acknowledged_.wait_for(lock, limit, [this] { return unacknowledged_.empty(); });
  }
  mosquitto_disconnect(client_);
  mosquitto_loop_stop(client_, false);
  threadStarted_ = false;
}

}  // namespace solwire::fleet
