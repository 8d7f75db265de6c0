// A settings backend held in memory. It records every read and write in the
// order they happen, so tests can check what the store asked for and wrote,
// and it can be told to fail its next commit or to have been opened with a
// problem.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "store/config/settings_backend.h"

namespace solwire {

class MemorySettingsBackend final : public SettingsBackend {
 public:
  struct Access {
    std::string section;
    std::string name;
    std::string value;  // empty for reads
    bool operator==(const Access&) const = default;
  };

  std::optional<std::string> read(std::string_view section, std::string_view name) const override;
  void write(std::string_view section, std::string_view name, std::string_view value) override;
  StoreResult commit() override;
  StoreResult openStatus() const override { return openStatus_; }

  // Presets a stored value without recording a write.
  void set(std::string_view section, std::string_view name, std::string_view value);
  // The stored value, without recording a read.
  std::optional<std::string> peek(std::string_view section, std::string_view name) const;
  std::size_t size() const { return values_.size(); }

  const std::vector<Access>& reads() const { return reads_; }
  const std::vector<Access>& writes() const { return writes_; }
  int commits() const { return commits_; }
  void clearLog();

  void failNextCommit(StoreResult failure) { pendingFailure_ = std::move(failure); }
  void setOpenStatus(StoreResult status) { openStatus_ = std::move(status); }

 private:
  using Key = std::pair<std::string, std::string>;
  std::map<Key, std::string> values_;
  mutable std::vector<Access> reads_;
  std::vector<Access> writes_;
  int commits_ = 0;
  std::optional<StoreResult> pendingFailure_;
  StoreResult openStatus_;
};

}  // namespace solwire
