// The configuration store's backend over QSettings. The per-user store is
// organisation "Veltrane", application "Solwire": the registry key
// "Software\Veltrane\Solwire" on Windows, ~/.config/Veltrane/Solwire.conf on
// Linux. Sections are QSettings groups; value names are kept exactly, spaces
// included.
//
// A settings file is examined before it is opened: one that is not a regular
// file (a FIFO, a device) is neither read nor written, and every value takes
// its default. A read-only file is read but never replaced. A symbolic link
// is followed: the file it names is replaced, and the link stays. QSettings
// itself reads only a private copy, without the values it would decode as
// data of another type (settings_text_filter.h).
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <map>
#include <memory>
#include <optional>
#include <set>

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

  // Writes the pending values to the medium. A settings file is composed
  // whole in a scratch folder and read back there; values of the old file
  // that do not come back as they were are left out (the program's own
  // values must all come back). Only then are the contents written beside
  // the file and renamed over it, so a failed or cut-short write (a full
  // disk) is reported and leaves the previous file as it was. When every
  // pending value is stored already, as it is, nothing is written.
  StoreResult commit() override;

  // Whether the store could be read whole when it was opened: an unreadable
  // file reads as empty, and values that could not be read or cannot be
  // written back take their defaults.
  StoreResult openStatus() const override;

  // Where the values live: a file path, or the registry path on Windows.
  QString location() const { return location_; }

 private:
  // The INI text of some contents, and which of them had to be left out.
  struct Composition {
    StoreResult result;
    QByteArray text;
    QStringList leftOut;
  };

  void openFile(const QString& path);
  bool readPrivateCopy(const QByteArray& text);
  StoreResult examineContents() const;
  std::map<QString, QVariant> storedContents() const;
  bool pendingAlreadyStored() const;
  Composition compose(std::map<QString, QVariant> contents, const std::set<QString>& mustKeep) const;
  StoreResult commitToFile();
  StoreResult failure(StoreProblem problem, std::string reason = {}) const;

  QString location_;
  QTemporaryDir scratch_;                // the private copy QSettings reads, and saves being composed
  mutable int scratchFiles_ = 0;         // files made in it so far
  QString readCopy_;
  std::unique_ptr<QSettings> settings_;  // read only; null when the file was refused
  mutable std::optional<StoreResult> openStatus_;  // examined when first asked
  bool readCleanly_ = false;                       // read without a fault or a value left out
  std::map<QString, QString> pending_;  // written since the last commit
};

}  // namespace solwire
