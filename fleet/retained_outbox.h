// The latest message of every topic a watcher publishes. While the broker is
// connected a message goes out as it comes; while it is not, only the latest
// one per topic is kept (so an outage of any length holds a fixed number of
// messages), and a new connection gets all of them, in the order their
// topics first appeared. Every message is retained, so sending one twice
// changes nothing for a subscriber. A held outbox keeps its messages the same
// way, connected or not, until it is released: a watcher sends nothing until
// the broker has shown that the line is its own.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "fleet/mqtt_message.h"

namespace solwire::fleet {

class RetainedOutbox {
 public:
  using Send = std::function<void(const MqttMessage&)>;
  explicit RetainedOutbox(Send send) : send_(std::move(send)) {}

  // Any thread.
  void put(const MqttMessage& message);
  void connected();
  void disconnected();
  void hold();
  void release();

  bool isConnected() const;
  std::size_t size() const;

 private:
  void sendAll();  // under the lock

  mutable std::mutex mutex_;
  Send send_;
  std::vector<MqttMessage> messages_;
  std::map<std::string, std::size_t> indexOfTopic_;
  bool connected_ = false;
  bool held_ = false;
};

}  // namespace solwire::fleet
