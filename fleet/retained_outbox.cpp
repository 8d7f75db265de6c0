#include "fleet/retained_outbox.h"

namespace solwire::fleet {

// Sending under the lock keeps a message put during a reconnection from
// overtaking the older one of its topic that connected() is sending.
void RetainedOutbox::put(const MqttMessage& message) {
  const std::lock_guard lock(mutex_);
  const auto [at, added] = indexOfTopic_.try_emplace(message.topic, messages_.size());
  if (added)
    messages_.push_back(message);
  else
    messages_[at->second] = message;
  if (connected_ && !held_) send_(message);
}

void RetainedOutbox::sendAll() {
  for (const MqttMessage& message : messages_) send_(message);
}

void RetainedOutbox::connected() {
  const std::lock_guard lock(mutex_);
  connected_ = true;
  if (!held_) sendAll();
}

void RetainedOutbox::disconnected() {
  const std::lock_guard lock(mutex_);
  connected_ = false;
}

void RetainedOutbox::hold() {
  const std::lock_guard lock(mutex_);
  held_ = true;
}

void RetainedOutbox::release() {
  const std::lock_guard lock(mutex_);
  if (held_ && connected_) sendAll();
  held_ = false;
}

bool RetainedOutbox::isConnected() const {
  const std::lock_guard lock(mutex_);
  return connected_;
}

std::size_t RetainedOutbox::size() const {
  const std::lock_guard lock(mutex_);
  return messages_.size();
}

}  // namespace solwire::fleet
