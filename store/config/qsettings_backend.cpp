#include "store/config/qsettings_backend.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <string_view>

#include "store/config/settings_file.h"
#include "store/config/settings_text_filter.h"

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

// The file's bytes; the system's error number when it cannot be read.
int readFileText(const std::filesystem::path& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  char buffer[65536];
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      if (n < 0) error = errno;
      break;
    }
  }
  ::close(fd);
  return error;
}

bool readWhole(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  bytes = file.readAll();
  return file.error() == QFileDevice::NoError;
}

// Whether `file` holds exactly `contents`; the keys it does not hold as they
// were go to `lost`. A key that comes back under another name is lost too: a
// name that ends in "/" is written without it, onto another key or a new one.
bool readsBackWhole(const QString& file, const std::map<QString, QVariant>& contents, QStringList& lost) {
  const QSettings back(file, QSettings::IniFormat);
  const QStringList keysBack = back.allKeys();
  const QSet<QString> namesBack(keysBack.begin(), keysBack.end());
  for (const auto& [key, value] : contents)
    if (!namesBack.contains(key) || back.value(key) != value) lost << key;
  return lost.isEmpty() && back.status() == QSettings::NoError &&
         keysBack.size() == static_cast<qsizetype>(contents.size());
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
  openStatus_ = settings_->status() == QSettings::NoError ? StoreResult::success() : failure(StoreProblem::CannotRead);
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
  std::string text;
  const int readError = file.kind == SettingsFileKind::Missing ? 0 : readFileText(filePath(path), text);
  const FilteredSettingsText filtered = withoutTypedValues(text);
  if (!filtered.leftOut.empty()) {
    std::string which;
    for (const std::string& entry : filtered.leftOut) which += (which.empty() ? "" : ", ") + entry;
    qWarning("Settings file %s: left out values that are not plain text, as this program never writes them: %s",
             qUtf8Printable(path), which.c_str());
  }
  if (!readPrivateCopy(QByteArray::fromStdString(filtered.text))) {
    openStatus_ = failure(StoreProblem::CannotRead, scratch_.errorString().toStdString());
  } else if (readError != 0) {
    openStatus_ = failure(StoreProblem::CannotRead, systemReason(readError));
  } else if (!filtered.leftOut.empty()) {
    openStatus_ = failure(StoreProblem::PartlyRead);
  } else {
    readCleanly_ = true;  // whether values would be left out at a save is found when asked
  }
}

// QSettings reads only what passed the filter: a private copy, under a new
// name each time, since QSettings keeps what it read of a file by its name.
bool QSettingsBackend::readPrivateCopy(const QByteArray& text) {
  if (!scratch_.isValid()) return false;
  const QString copy = scratch_.filePath(QStringLiteral("read%1.conf").arg(++scratchFiles_));
  QFile file(copy);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush()) return false;
  file.close();
  settings_ = std::make_unique<QSettings>(copy, QSettings::IniFormat);
  if (!readCopy_.isEmpty()) QFile::remove(readCopy_);
  readCopy_ = copy;
  return true;
}

StoreResult QSettingsBackend::openStatus() const {
  if (!openStatus_) openStatus_ = examineContents();
  return *openStatus_;
}

StoreResult QSettingsBackend::examineContents() const {
  switch (settings_->status()) {
    case QSettings::NoError:
      break;
    case QSettings::AccessError:
      return failure(StoreProblem::CannotRead);
    case QSettings::FormatError:
      return failure(StoreProblem::PartlyRead);
  }
  // What would be left out at the next save is what could not be read whole.
  const Composition trial = compose(storedContents(), {});
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

std::map<QString, QVariant> QSettingsBackend::storedContents() const {
  std::map<QString, QVariant> contents;
  if (settings_) {
    // An empty name (a "=value" line before the first section) cannot even be asked for.
    for (const QString& key : settings_->allKeys()) contents[key] = key.isEmpty() ? QVariant() : settings_->value(key);
  }
  return contents;
}

// Whether every pending value is already stored, as text, in a file that was
// read whole: then there is nothing to write.
bool QSettingsBackend::pendingAlreadyStored() const {
  if (!readCleanly_ || !settings_ || (openStatus_ && !openStatus_->ok)) return false;
  return std::all_of(pending_.begin(), pending_.end(), [this](const auto& entry) {
    const QVariant stored = settings_->value(entry.first);
    return stored.typeId() == QMetaType::QString && stored.toString() == entry.second;
  });
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
  if (!scratch_.isValid()) {
    composition.result = failure(StoreProblem::CannotWrite, scratch_.errorString().toStdString());
    return composition;
  }
  // Names never used before in this folder: QSettings would take a reused
  // one for the file it read earlier under that name.
  QStringList made;
  const auto cleanUp = qScopeGuard([&made] {
    for (const QString& file : made) QFile::remove(file);
  });
  for (int round = 0; round < kComposeRounds; ++round) {
    const QString written = scratch_.filePath(QStringLiteral("written%1.conf").arg(++scratchFiles_));
    made << written;
    {
      QSettings out(written, QSettings::IniFormat);
      for (const auto& [key, value] : contents) out.setValue(key, value);
      out.sync();
      if (out.status() != QSettings::NoError) break;
    }
    const QString checked = scratch_.filePath(QStringLiteral("checked%1.conf").arg(scratchFiles_));
    made << checked;
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
  if (pendingAlreadyStored()) {
    pending_.clear();
    return StoreResult::success();
  }
  std::set<QString> own;
  std::map<QString, QVariant> contents = storedContents();
  for (const auto& [key, value] : pending_) {
    own.insert(key);
    contents[key] = value;
  }
  const Composition composition = compose(std::move(contents), own);
  if (!composition.result.ok) return composition.result;
  // Nobody asked before whether the file could be read whole; this save
  // answers it: what it had to leave out could not be.
  if (!openStatus_)
    openStatus_ = composition.leftOut.isEmpty() ? StoreResult::success() : failure(StoreProblem::PartlyRead);

  const StoreResult written = replaceSettingsFile(
      filePath(location_),
      std::string_view(composition.text.constData(), static_cast<std::size_t>(composition.text.size())));
  if (!written.ok) return written;
  // What was just written is read as the file from now on; it passed through
  // QSettings' own writer, so it holds text values only. Should the copy
  // fail, the pending values stay what reads return.
  readCleanly_ = readPrivateCopy(composition.text);
  if (readCleanly_) pending_.clear();
  return StoreResult::success();
}

StoreResult QSettingsBackend::failure(StoreProblem problem, std::string reason) const {
  return StoreResult::failure(problem, location_.toStdString(), std::move(reason));
}

}  // namespace solwire
