// The configuration store's backend over QSettings. The per-user store is
// organisation "Veltrane", application "Solwire": the registry key
// "Software\Veltrane\Solwire" on Windows, ~/.config/Veltrane/Solwire.conf on
// Linux. Sections are QSettings groups; value names are kept exactly, spaces
// included.
#pragma once

#include <QString>
#include <memory>

#include "store/config/settings_backend.h"

class QSettings;

namespace solwire {

inline constexpr const char* kSettingsOrganisation = "Veltrane";
inline constexpr const char* kSettingsApplication = "Solwire";

class QSettingsBackend final : public SettingsBackend {
 public:
  // The per-user store of this program.
  QSettingsBackend();
  // An INI file at `iniPath` (a portable install, a test).
  explicit QSettingsBackend(const QString& iniPath);
  ~QSettingsBackend() override;

  QSettingsBackend(const QSettingsBackend&) = delete;
  QSettingsBackend& operator=(const QSettingsBackend&) = delete;

  std::optional<std::string> read(std::string_view section, std::string_view name) const override;
  void write(std::string_view section, std::string_view name, std::string_view value) override;

  // Writes the pending values to the medium. On an INI file the new contents
  // go to a temporary file that then replaces the old one, so an interrupted
  // save leaves the previous file whole.
  StoreResult commit() override;

  // Whether the store could be read when it was opened (an unreadable or
  // malformed file reads as empty, so every value takes its default).
  StoreResult openStatus() const;

  // Where the values live: a file path, or the registry path on Windows.
  QString location() const;

 private:
  StoreResult describe(const char* action) const;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace solwire
