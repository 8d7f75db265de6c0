#include "store/config/qsettings_backend.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

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
  settings_->setAtomicSyncRequired(true);
}

QSettingsBackend::QSettingsBackend(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
  settings_->setAtomicSyncRequired(true);
}

QSettingsBackend::~QSettingsBackend() = default;

std::optional<std::string> QSettingsBackend::read(std::string_view section, std::string_view name) const {
  const QVariant value = settings_->value(keyOf(section, name));
  if (!value.isValid()) return std::nullopt;
  // A hand-edited INI line with unquoted commas reads as a list.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QStringLiteral(", ")).toStdString();
  if (!value.canConvert<QString>()) return std::nullopt;
  return value.toString().toStdString();
}

void QSettingsBackend::write(std::string_view section, std::string_view name, std::string_view value) {
  settings_->setValue(keyOf(section, name), QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

StoreResult QSettingsBackend::commit() {
  settings_->sync();
  return describe("write");
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
