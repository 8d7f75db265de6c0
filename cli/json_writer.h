// A small writer for the one-object JSON that the command-line tool prints.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace solwire::cli {

class JsonObject {
 public:
  JsonObject& add(std::string_view key, std::int64_t value);
  JsonObject& add(std::string_view key, bool value);
  JsonObject& add(std::string_view key, std::string_view value);
  JsonObject& add(std::string_view key, const char* value) { return add(key, std::string_view(value)); }
  JsonObject& add(std::string_view key, int value) { return add(key, static_cast<std::int64_t>(value)); }
  template <typename Container>
  JsonObject& addNumbers(std::string_view key, const Container& values) {
    std::string text = "[";
    for (const auto& v : values) {
      if (text.size() > 1) text += ", ";
      text += std::to_string(v);
    }
    return addRaw(key, text + "]");
  }
  JsonObject& addObjects(std::string_view key, const std::vector<JsonObject>& objects);
  std::string text() const;

 private:
  JsonObject& addRaw(std::string_view key, std::string value);
  std::vector<std::pair<std::string, std::string>> members_;
};

std::string jsonString(std::string_view text);

}  // namespace solwire::cli
