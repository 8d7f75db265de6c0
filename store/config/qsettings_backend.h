// The configuration store's backend over QSettings. The per-user store is
// organisation "Veltrane", application "Solwire": the registry key
// "Software\Veltrane\Solwire" on Windows, ~/.config/Veltrane/Solwire.conf on
// Linux. Sections are QSettings groups; value names are kept exactly, spaces
// included.
#pragma once

#include <QString>
#include <map>
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
  // Held back until commit: nothing reaches the medium before then.
  void write(std::string_view section, std::string_view name, std::string_view value) override;

  // Writes the pending values to the medium. A settings file is written whole
  // to a temporary file beside it, read back, and only then renamed over the
  // old one, so a failed or cut-short write (a full disk) is reported and
  // leaves the previous file as it was.
  StoreResult commit() override;

  // Whether the store could be read when it was opened (an unreadable or
  // malformed file reads as empty, so every value takes its default).
  StoreResult openStatus() const;

  // Where the values live: a file path, or the registry path on Windows.
  QString location() const;

 private:
  StoreResult describe(const char* action) const;
  StoreResult commitToFile();
  QString unusedNameBeside(const QString& file);

  std::unique_ptr<QSettings> settings_;  // read only; a file is replaced whole at commit
  std::map<QString, QString> pending_;   // written since the last commit
  int temporaryCount_ = 0;
};

}  // namespace solwire
