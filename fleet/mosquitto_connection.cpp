#include "fleet/mosquitto_connection.h"

#include <mosquitto.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "fleet/tls_failure.h"

namespace solwire::fleet {

namespace {

constexpr unsigned kFirstReconnectDelaySeconds = 1;
constexpr unsigned kLongestReconnectDelaySeconds = 30;
// How long the network thread waits for the socket at a time.
constexpr int kLoopTimeoutMilliseconds = 200;
// How long a clean stop waits for the DISCONNECT to go out.
constexpr auto kDisconnectWait = std::chrono::seconds(2);
// Error lines kept between two first-connection attempts.
constexpr std::size_t kMostErrorLines = 16;
// Where the system keeps the certificate authorities it trusts.
constexpr const char* kSystemCertificates = "/etc/ssl/certs";

void initialiseLibraryOnce() {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
}

const char* optionalText(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

void check(int rc, const std::string& what) {
  if (rc != MOSQ_ERR_SUCCESS) throw std::runtime_error(what + ": " + mosquitto_strerror(rc));
}

// libmosquitto only says "invalid arguments" about a file it cannot open.
void checkReadable(const std::optional<std::string>& path, const std::string& what) {
  if (!path) return;
  errno = 0;
  if (!std::ifstream(*path))
    throw std::runtime_error(what + " " + *path + " cannot be read" + (errno ? ": " + std::string(std::strerror(errno)) : ""));
}

// Whether the socket of a connection still being made has been closed or
// refused: over TLS libmosquitto goes on shaking hands on such a socket, and
// its loop returns at once, again and again, without an error.
bool hungUp(mosquitto* client) {
  pollfd socket{mosquitto_socket(client), 0, 0};
  return socket.fd >= 0 && ::poll(&socket, 1, 0) == 1 && (socket.revents & (POLLHUP | POLLERR));
}

}  // namespace

MosquittoConnection::MosquittoConnection(const BrokerOptions& options)
    : options_(options),
      outbox_([this](const MqttMessage& message) { send(message); }),
      claim_(options_.claim, *this) {
  initialiseLibraryOnce();
  client_ = mosquitto_new(options_.clientId.c_str(), true, this);
  if (!client_) throw std::runtime_error("the MQTT client could not be created");
  mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  mosquitto_threaded_set(client_, true);  // publish() comes from other threads than the network thread
  mosquitto_connect_callback_set(client_, onConnect);
  mosquitto_disconnect_callback_set(client_, onDisconnect);
  mosquitto_publish_callback_set(client_, onPublish);
  mosquitto_log_callback_set(client_, onLog);
  mosquitto_message_callback_set(client_, onMessage);
  const MqttMessage& will = options_.lastWill;
  check(mosquitto_will_set(client_, will.topic.c_str(), static_cast<int>(will.payload.size()), will.payload.data(),
                           will.qos, will.retained),
        "the last will");
  if (options_.user)
    check(mosquitto_username_pw_set(client_, options_.user->c_str(), optionalText(options_.password)),
          "the user name");
  if (options_.address.tls) {
    checkReadable(options_.caFile, "the certificate authority file");
    checkReadable(options_.certFile, "the certificate file");
    checkReadable(options_.keyFile, "the key file");
    check(mosquitto_tls_set(client_, optionalText(options_.caFile), options_.caFile ? nullptr : kSystemCertificates,
                            optionalText(options_.certFile), optionalText(options_.keyFile), nullptr),
          "the TLS files");
  }
}

MosquittoConnection::~MosquittoConnection() {
  if (threadStarted_) {
    mosquitto_disconnect(client_);
    stopping_ = true;
    stopNetwork();
  }
  mosquitto_destroy(client_);
}

void MosquittoConnection::stopNetwork() {
  {
    const std::lock_guard lock(pauseMutex_);
    pauseEnded_.notify_all();
  }
  if (network_.joinable()) network_.join();
  threadStarted_ = false;
}

// Whether the thread goes on: false when it is to end.
bool MosquittoConnection::pauseBeforeReconnecting(std::chrono::seconds delay) {
  std::unique_lock lock(pauseMutex_);
  pauseEnded_.wait_for(lock, delay, [this] { return stopping_ || disconnecting_; });
  return !stopping_ && !disconnecting_;
}

// libmosquitto's loop, and a new connection after a growing delay whenever
// it returns with the connection gone or the attempt failed.
void MosquittoConnection::runNetwork() {
  unsigned failures = 0;
  std::optional<std::chrono::steady_clock::time_point> disconnectingSince;
  while (!stopping_) {
    int rc = mosquitto_loop(client_, kLoopTimeoutMilliseconds, 1);
    passTime();
    if (rc == MOSQ_ERR_SUCCESS && !outbox_.isConnected() && hungUp(client_)) rc = MOSQ_ERR_CONN_LOST;
    if (disconnecting_) {
      const auto now = std::chrono::steady_clock::now();
      if (!disconnectingSince) disconnectingSince = now;
      if (rc != MOSQ_ERR_SUCCESS || now - *disconnectingSince > kDisconnectWait) return;
    }
    if (rc == MOSQ_ERR_SUCCESS) {
      if (outbox_.isConnected()) failures = 0;
      continue;
    }
    // A failed TLS handshake ends the loop without a disconnect callback.
    onDisconnect(client_, this, rc);
    if (refusal()) return;  // the caller gives up
    const auto delay = std::chrono::seconds(
        std::min<unsigned>(kLongestReconnectDelaySeconds, kFirstReconnectDelaySeconds << std::min(failures, 5U)));
    ++failures;
    if (!pauseBeforeReconnecting(delay)) return;
    {
      const std::lock_guard lock(logMutex_);
      errorLines_.clear();
    }
    mosquitto_reconnect_async(client_);  // a failure shows in the next loop
  }
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
  {
    const std::lock_guard lock(logMutex_);
    errorLines_.clear();
  }
  const int rc = mosquitto_connect_async(client_, options_.address.host.c_str(), options_.address.port,
                                         options_.keepaliveSeconds);
  if (rc == MOSQ_ERR_TLS) {
    refuseForTls();
    return;
  }
  if (rc != MOSQ_ERR_SUCCESS) {
    if (attempts_++ == 0)
      note("cannot reach " + where() + ": " + (rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc)) +
           "; trying again");
    return;
  }
  network_ = std::thread([this] { runNetwork(); });
  threadStarted_ = true;
}

void MosquittoConnection::keepTrying() {
  if (threadStarted_ || refusal()) return;
  const auto delay = std::chrono::seconds(
      std::min<unsigned>(kLongestReconnectDelaySeconds, kFirstReconnectDelaySeconds << std::min(attempts_, 5)));
  if (std::chrono::steady_clock::now() - lastAttempt_ >= delay) tryFirstConnection();
}

void MosquittoConnection::onConnect(mosquitto*, void* self, int rc) {
  auto& connection = *static_cast<MosquittoConnection*>(self);
  if (rc != 0) {
    const std::string reason = mosquitto_connack_string(rc);
    connection.refuse(reason, connection.where() + " refused the connection: " + reason);
    return;
  }
  bool again = false;
  {
    const std::lock_guard lock(connection.mutex_);
    again = connection.everConnected_;
    connection.everConnected_ = true;
  }
  if (again) connection.note("connected to " + connection.where() + " again");
  connection.outbox_.hold();
  connection.outbox_.connected();
  connection.claimLine();
}

// Subscribed anew on every connection (a clean session keeps nothing).
void MosquittoConnection::claimLine() {
  const std::lock_guard lock(claimMutex_);
  for (const std::string& topic : claim_.subscriptions()) mosquitto_subscribe(client_, nullptr, topic.c_str(), 1);
  claim_.connected(std::chrono::steady_clock::now());
}

void MosquittoConnection::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto& connection = *static_cast<MosquittoConnection*>(self);
  std::string payload;
  if (message->payload && message->payloadlen > 0)
    payload.assign(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
  const std::lock_guard lock(connection.claimMutex_);
  connection.claim_.received(message->topic, payload, std::chrono::steady_clock::now());
}

void MosquittoConnection::passTime() {
  const std::lock_guard lock(claimMutex_);
  claim_.timePassed(std::chrono::steady_clock::now());
}

// Held at once, so that a state put before the caller hears of it does not go out.
void MosquittoConnection::giveUp(const std::string& reason) {
  outbox_.hold();
  const std::lock_guard lock(mutex_);
  if (!refusal_) refusal_ = reason;
  notes_.push_back(reason);
}

// From libmosquitto, and from the network thread when the loop ends with an
// error (then maybe once more for the same disconnection).
void MosquittoConnection::onDisconnect(mosquitto*, void* self, int rc) {
  auto& connection = *static_cast<MosquittoConnection*>(self);
  const bool wasConnected = connection.outbox_.isConnected();
  connection.outbox_.disconnected();
  {
    const std::lock_guard lock(connection.claimMutex_);
    connection.claim_.disconnected();
  }
  {
    // What was not acknowledged goes out again from the outbox on the next connection.
    const std::lock_guard lock(connection.mutex_);
    connection.unacknowledged_.clear();
  }
  if (rc != 0 && wasConnected)
    connection.note("lost the connection to " + connection.where() + "; reconnecting, latest states kept");
  // A handshake that failed in the network thread, before any connection.
  bool tlsFailed = false;
  if (rc != 0 && connection.options_.address.tls) {
    const std::scoped_lock lock(connection.mutex_, connection.logMutex_);
    tlsFailed = !connection.everConnected_ && !connection.errorLines_.empty();
  }
  if (tlsFailed) connection.refuseForTls();
}

void MosquittoConnection::onLog(mosquitto*, void* self, int level, const char* text) {
  if (!(level & MOSQ_LOG_ERR) || !text) return;
  auto& connection = *static_cast<MosquittoConnection*>(self);
  const std::lock_guard lock(connection.logMutex_);
  if (connection.errorLines_.size() < kMostErrorLines) connection.errorLines_.emplace_back(text);
}

// The reason and its line on stderr together, so that a caller that sees the
// one has the other to print; only the first connection's failure counts.
void MosquittoConnection::refuse(const std::string& reason, std::string text) {
  const std::lock_guard lock(mutex_);
  if (everConnected_) {
    notes_.push_back(std::move(text));
    return;
  }
  if (refusal_) return;
  refusal_ = reason;
  notes_.push_back(std::move(text));
}

void MosquittoConnection::refuseForTls() {
  std::vector<std::string> lines;
  {
    const std::lock_guard lock(logMutex_);
    lines = errorLines_;
  }
  const std::string reason = tlsFailureReason(lines);
  refuse(reason, "no TLS connection to " + where() + ": " + reason);
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

void MosquittoConnection::note(const std::string& text) {
  const std::lock_guard lock(mutex_);
  notes_.push_back(text);
}

std::vector<std::string> MosquittoConnection::takeNotes() {
  const std::lock_guard lock(mutex_);
  return std::exchange(notes_, {});
}

bool MosquittoConnection::ownsLine() const {
  const std::lock_guard lock(claimMutex_);
  return claim_.ownsLine();
}

std::optional<std::string> MosquittoConnection::refusal() const {
  const std::lock_guard lock(mutex_);
  return refusal_;
}

void MosquittoConnection::giveLineBack() {
  const std::lock_guard lock(claimMutex_);
  claim_.giveBack();
}

void MosquittoConnection::finish(std::chrono::milliseconds limit) {
  if (!threadStarted_) return;
  giveLineBack();
  if (outbox_.isConnected()) {
    std::unique_lock lock(mutex_);
    acknowledged_.wait_for(lock, limit, [this] { return unacknowledged_.empty(); });
  }
  disconnecting_ = true;
  mosquitto_disconnect(client_);
  stopNetwork();
}

}  // namespace solwire::fleet
