// Where the configuration lives: named string values grouped in sections under
// one per-user root. The configuration store applies its own rules (defaults,
// parsing, ranges) on top; a backend only keeps strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace solwire {

// The outcome of making written values durable. `message` says what went wrong
// in words the user interface can show as it stands.
struct StoreResult {
  bool ok = true;
  std::string message;

  static StoreResult success() { return {}; }
  static StoreResult failure(std::string text) { return {false, std::move(text)}; }
};

class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;

  // The stored text of `name` in `section`, or nothing when the section or the
  // value does not exist.
  virtual std::optional<std::string> read(std::string_view section, std::string_view name) const = 0;

  // Stores `value` as the text of `name` in `section`, creating the section
  // when needed. May be held back until `commit`.
  virtual void write(std::string_view section, std::string_view name, std::string_view value) = 0;

  // Makes every write so far durable, all at once or not at all where the
  // medium allows it.
  virtual StoreResult commit() = 0;
};

}  // namespace solwire
