// One message for the broker.
#pragma once

#include <string>

namespace solwire::fleet {

struct MqttMessage {
  std::string topic;
  std::string payload;
  int qos = 1;
  bool retained = true;

  bool operator==(const MqttMessage&) const = default;
};

}  // namespace solwire::fleet
