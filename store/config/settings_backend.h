// Where the configuration lives: named string values grouped in sections under
// one per-user root. The configuration store applies its own rules (defaults,
// parsing, ranges) on top; a backend only keeps strings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace solwire {

// What kept the store from being read whole or written.
enum class StoreProblem {
  None,
  // The file exists but could not be read: every value takes its default.
  CannotRead,
  // Some of the file could not be read, or cannot be written back as it
  // stands: those values take their defaults and are left out when saving.
  PartlyRead,
  // The path names something other than a regular file (a FIFO, a device, a
  // folder): it is neither read nor written.
  NotAFile,
  // The file is marked read-only: it is kept as it is and nothing is saved.
  ReadOnly,
  // The new values could not be written; the file is left as it was.
  CannotWrite,
};

// The outcome of opening the store or making written values durable. The user
// interface words it in its own language from these parts.
struct StoreResult {
  bool ok = true;
  StoreProblem problem = StoreProblem::None;
  std::string location;  // the settings file, or the registry key
  std::string reason;    // the system's own words ("Permission denied"); may be empty

  static StoreResult success() { return {}; }
  static StoreResult failure(StoreProblem problem, std::string location, std::string reason = {}) {
    return {false, problem, std::move(location), std::move(reason)};
  }
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

  // Whether everything the store held when it was opened could be read.
  virtual StoreResult openStatus() const { return StoreResult::success(); }
};

}  // namespace solwire
