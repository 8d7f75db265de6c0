#include "store/config/qsettings_backend.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>
#include <filesystem>
#include <system_error>

namespace solwire {

namespace {

QString keyOf(std::string_view section, std::string_view name) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + QLatin1Char('/') +
         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

QSettingsBackend::QSettingsBackend()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromLatin1(kSettingsOrganisation),
                                            QString::fromLatin1(kSettingsApplication))) {
  // Only the user's own store: no organisation-wide or system-wide values
  // read in, and none copied into the user's file when it is written.
  settings_->setFallbacksEnabled(false);
}

QSettingsBackend::QSettingsBackend(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QSettingsBackend::~QSettingsBackend() = default;

std::optional<std::string> QSettingsBackend::read(std::string_view section, std::string_view name) const {
  const QString key = keyOf(section, name);
  if (const auto it = pending_.find(key); it != pending_.end()) return it->second.toStdString();
  const QVariant value = settings_->value(key);
  if (!value.isValid()) return std::nullopt;
  // A hand-edited INI line with unquoted commas reads as a list.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
  if (!value.canConvert<QString>()) return std::nullopt;
  return value.toString().toStdString();
}

void QSettingsBackend::write(std::string_view section, std::string_view name, std::string_view value) {
  pending_[keyOf(section, name)] = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

StoreResult QSettingsBackend::commit() {
  if (pending_.empty()) return StoreResult::success();
#ifdef Q_OS_WIN
  if (settings_->format() == QSettings::NativeFormat) {  // the registry: value by value
    for (const auto& [key, value] : pending_) settings_->setValue(key, value);
    pending_.clear();
    settings_->sync();
    return describe("write");
  }
#endif
  return commitToFile();
}

// QSettings writes a file through QSaveFile, which (Qt 6.4) renames a file
// over the old one even when the last part of it could not be written. So the
// new contents go to a file of their own, are read back under yet another
// name (QSettings caches what it wrote by file name), and replace the
// settings file only when every value came back.
StoreResult QSettingsBackend::commitToFile() {
  const QString target = settings_->fileName();
  const auto failure = [&target](const std::string& what) {
    return StoreResult::failure("Cannot " + what + " the settings file " + target.toStdString());
  };

  std::map<QString, QVariant> contents;  // what the file holds now, new values over it
  for (const QString& key : settings_->allKeys()) contents[key] = settings_->value(key);
  for (const auto& [key, value] : pending_) contents[key] = value;

  const QString written = unusedNameBeside(target);
  {
    QSettings out(written, settings_->format());
    for (const auto& [key, value] : contents) out.setValue(key, value);
    out.sync();
    if (out.status() != QSettings::NoError) {
      QFile::remove(written);
      return failure("write");
    }
  }
  const QString checked = unusedNameBeside(target);
  if (!QFile::rename(written, checked)) {
    QFile::remove(written);
    return failure("write");
  }
  bool complete = false;
  {
    const QSettings back(checked, settings_->format());
    complete = back.status() == QSettings::NoError && back.allKeys().size() == static_cast<qsizetype>(contents.size());
    for (auto it = contents.begin(); complete && it != contents.end(); ++it) complete = back.value(it->first) == it->second;
  }
  std::error_code error;
  if (complete) std::filesystem::rename(checked.toStdU16String(), target.toStdU16String(), error);
  if (!complete || error) {
    QFile::remove(checked);
    return failure("write");
  }
  pending_.clear();
  settings_->sync();  // reads the new file
  return StoreResult::success();
}

QString QSettingsBackend::unusedNameBeside(const QString& file) {
  for (;;) {
    const QString name =
        QStringLiteral("%1.%2-%3.tmp").arg(file).arg(QCoreApplication::applicationPid()).arg(temporaryCount_++);
    if (!QFileInfo::exists(name)) return name;
  }
}

StoreResult QSettingsBackend::openStatus() const { return describe("read"); }

QString QSettingsBackend::location() const { return settings_->fileName(); }

StoreResult QSettingsBackend::describe(const char* action) const {
  const std::string where = settings_->fileName().toStdString();
  switch (settings_->status()) {
    case QSettings::NoError:
      return StoreResult::success();
    case QSettings::AccessError:
      return StoreResult::failure(std::string("Cannot ") + action + " the settings file " + where);
    case QSettings::FormatError:
      return StoreResult::failure("The settings file " + where + " is not in a form that can be read");
  }
  return StoreResult::failure("Unknown error with the settings file " + where);
}

}  // namespace solwire
