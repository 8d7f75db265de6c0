#include "fleet/value_templates.h"

namespace solwire::fleet {

namespace {

// Anything but a JSON object on the state topic (an empty payload clearing
// it) leaves value_json itself undefined.
std::string present(const std::string& key) {
  return "value_json is defined and value_json." + key + " is defined";
}

std::string chosen(const std::string& value, const std::string& key, const std::string& otherwise) {
  return "{{ " + value + " if " + present(key) + " else " + otherwise + " }}";
}

}  // namespace

std::string valueTemplate(const std::string& key) { return chosen("value_json." + key, key, "none"); }

std::string alarmTemplate(int input) {
  return chosen("('ON' if value_json.alarms[" + std::to_string(input) + "] else 'OFF')", "alarms", "none");
}

std::string prefixedTemplate(const std::string& prefix, const std::string& key) {
  return chosen("('" + prefix + "' ~ value_json." + key + ")", key, "none");
}

std::string textTemplate(const std::string& key) { return chosen("value_json." + key, key, "''"); }

}  // namespace solwire::fleet
