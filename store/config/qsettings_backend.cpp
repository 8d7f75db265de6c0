#include "store/config/qsettings_backend.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <string_view>

#include "store/config/settings_file.h"

namespace solwire {

namespace {

// Rounds of leaving out values that did not read back; each round leaves out
// at least one, and values broken in more than one way are rare.
constexpr int kComposeRounds = 4;

QString keyOf(std::string_view section, std::string_view name) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + QLatin1Char('/') +
         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

std::filesystem::path filePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

#ifndef Q_OS_WIN
// QSettings keeps the per-user folder to itself; the organisation's own file
// lives in it, and naming that file reads nothing of ours.
QString perUserSettingsFile() {
  const QSettings organisation(QSettings::NativeFormat, QSettings::UserScope,
                               QString::fromLatin1(kSettingsOrganisation));
  return QFileInfo(organisation.fileName()).absolutePath() + QLatin1Char('/') +
         QString::fromLatin1(kSettingsOrganisation) + QLatin1Char('/') + QString::fromLatin1(kSettingsApplication) +
         QStringLiteral(".conf");
}
#endif

bool readWhole(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  bytes = file.readAll();
  return file.error() == QFileDevice::NoError;
}

// Whether `file` holds exactly `contents`; the keys it does not hold as they
// were go to `lost`.
bool readsBackWhole(const QString& file, const std::map<QString, QVariant>& contents, QStringList& lost) {
  const QSettings back(file, QSettings::IniFormat);
  for (const auto& [key, value] : contents)
    if (back.value(key) != value) lost << key;
  return lost.isEmpty() && back.status() == QSettings::NoError &&
         back.allKeys().size() == static_cast<qsizetype>(contents.size());
}

}  // namespace

QSettingsBackend::QSettingsBackend() {
#ifdef Q_OS_WIN
  settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          QString::fromLatin1(kSettingsOrganisation),
                                          QString::fromLatin1(kSettingsApplication));
  // Only the user's own store: no organisation-wide or system-wide values.
  settings_->setFallbacksEnabled(false);
  location_ = settings_->fileName();
  if (settings_->status() != QSettings::NoError) openStatus_ = failure(StoreProblem::CannotRead);
#else
  // The per-user file as a plain INI file: no organisation-wide or
  // system-wide files read in, and none copied into the user's file.
  openFile(perUserSettingsFile());
#endif
}

QSettingsBackend::QSettingsBackend(const QString& iniPath) { openFile(iniPath); }

QSettingsBackend::~QSettingsBackend() = default;

void QSettingsBackend::openFile(const QString& path) {
  location_ = path;
  const SettingsFileState file = examineSettingsFile(filePath(path));
  if (file.kind == SettingsFileKind::NotAFile) {
    openStatus_ = failure(StoreProblem::NotAFile);
    return;
  }
  if (file.kind == SettingsFileKind::Unreachable) {
    openStatus_ = failure(StoreProblem::CannotRead, systemReason(file.error));
    return;
  }
  settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
  openStatus_ = examineContents();
}

StoreResult QSettingsBackend::examineContents() const {
  switch (settings_->status()) {
    case QSettings::NoError:
      break;
    case QSettings::AccessError:
      return failure(StoreProblem::CannotRead,
                     ::access(filePath(location_).c_str(), R_OK) != 0 ? systemReason(errno) : std::string());
    case QSettings::FormatError:
      return failure(StoreProblem::PartlyRead);
  }
  // What would be left out at the next save is what could not be read whole.
  const Composition trial = compose(contentsWithPending(), {});
  if (trial.result.ok && !trial.leftOut.isEmpty()) return failure(StoreProblem::PartlyRead);
  return StoreResult::success();
}

std::optional<std::string> QSettingsBackend::read(std::string_view section, std::string_view name) const {
  const QString key = keyOf(section, name);
  if (const auto it = pending_.find(key); it != pending_.end()) return it->second.toStdString();
  if (!settings_) return std::nullopt;
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
  if (settings_ && settings_->format() == QSettings::NativeFormat) {  // the registry: value by value
    for (const auto& [key, value] : pending_) settings_->setValue(key, value);
    pending_.clear();
    settings_->sync();
    return settings_->status() == QSettings::NoError ? StoreResult::success() : failure(StoreProblem::CannotWrite);
  }
#endif
  return commitToFile();
}

std::map<QString, QVariant> QSettingsBackend::contentsWithPending() const {
  std::map<QString, QVariant> contents;
  if (settings_) {
    // An empty name (a "=value" line before the first section) cannot even be asked for.
    for (const QString& key : settings_->allKeys()) contents[key] = key.isEmpty() ? QVariant() : settings_->value(key);
  }
  for (const auto& [key, value] : pending_) contents[key] = value;
  return contents;
}

// The contents are written by QSettings itself, so the file is in its own
// form, then read back under another name: QSettings keeps what it wrote
// under the file's name and would not read the file again.
QSettingsBackend::Composition QSettingsBackend::compose(std::map<QString, QVariant> contents,
                                                       const std::set<QString>& mustKeep) const {
  Composition composition;
  for (auto it = contents.begin(); it != contents.end();) {
    const bool unreadable = it->first.isEmpty() || !it->second.isValid();
    if (unreadable) composition.leftOut << it->first;
    it = unreadable ? contents.erase(it) : std::next(it);
  }
  const QTemporaryDir scratch;
  if (!scratch.isValid()) {
    composition.result = failure(StoreProblem::CannotWrite, scratch.errorString().toStdString());
    return composition;
  }
  for (int round = 0; round < kComposeRounds; ++round) {
    const QString written = scratch.filePath(QStringLiteral("written%1.conf").arg(round));
    {
      QSettings out(written, QSettings::IniFormat);
      for (const auto& [key, value] : contents) out.setValue(key, value);
      out.sync();
      if (out.status() != QSettings::NoError) break;
    }
    const QString checked = scratch.filePath(QStringLiteral("checked%1.conf").arg(round));
    if (!QFile::rename(written, checked)) break;
    QStringList lost;
    if (readsBackWhole(checked, contents, lost)) {
      if (!readWhole(checked, composition.text)) break;
      return composition;
    }
    const bool ownValueLost =
        std::any_of(lost.begin(), lost.end(), [&mustKeep](const QString& key) { return mustKeep.count(key) != 0; });
    if (lost.isEmpty() || ownValueLost) break;
    for (const QString& key : lost) {
      contents.erase(key);
      composition.leftOut << key;
    }
  }
  composition.result = failure(StoreProblem::CannotWrite);
  return composition;
}

StoreResult QSettingsBackend::commitToFile() {
  std::set<QString> own;
  for (const auto& [key, value] : pending_) own.insert(key);
  const Composition composition = compose(contentsWithPending(), own);
  if (!composition.result.ok) return composition.result;

  const StoreResult written = replaceSettingsFile(
      filePath(location_),
      std::string_view(composition.text.constData(), static_cast<std::size_t>(composition.text.size())));
  if (!written.ok) return written;
  pending_.clear();
  if (settings_)
    settings_->sync();  // reads the new file
  else
    settings_ = std::make_unique<QSettings>(location_, QSettings::IniFormat);
  return StoreResult::success();
}

StoreResult QSettingsBackend::failure(StoreProblem problem, std::string reason) const {
  return StoreResult::failure(problem, location_.toStdString(), std::move(reason));
}

}  // namespace solwire
