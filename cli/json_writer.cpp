#include "cli/json_writer.h"

#include <cstdio>

namespace solwire::cli {

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

JsonObject& JsonObject::addRaw(std::string_view key, std::string value) {
  members_.emplace_back(jsonString(key), std::move(value));
  return *this;
}

JsonObject& JsonObject::add(std::string_view key, std::int64_t value) { return addRaw(key, std::to_string(value)); }
JsonObject& JsonObject::add(std::string_view key, bool value) { return addRaw(key, value ? "true" : "false"); }
JsonObject& JsonObject::add(std::string_view key, std::string_view value) { return addRaw(key, jsonString(value)); }

JsonObject& JsonObject::addObjects(std::string_view key, const std::vector<JsonObject>& objects) {
  std::string text = "[";
  for (std::size_t i = 0; i < objects.size(); ++i) text += (i ? ", " : "") + objects[i].text();
  return addRaw(key, text + "]");
}

std::string JsonObject::text() const {
  std::string out = "{";
  for (std::size_t i = 0; i < members_.size(); ++i)
    out += (i ? ", " : "") + members_[i].first + ": " + members_[i].second;
  return out + "}";
}

}  // namespace solwire::cli
