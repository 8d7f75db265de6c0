// Takes arbitrary bytes as the settings file through the real QSettings
// backend, as the program does at start and at close: load, save, load again.
// Whatever the file held, the save must succeed (what cannot be written back
// is left out), the saved file must read whole and give back the
// configuration that was saved, and saving that again must change nothing.
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

#include "store/config/config_store.h"
#include "store/config/qsettings_backend.h"

namespace {

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every input goes to the same file, so QSettings meets one name, not a new
// one per input. It keeps what it read of a file by name and reads the file
// again only when its size or modification time has changed; two inputs of
// one size written within a millisecond would look unchanged, so each input
// is stamped with a time of its own, long past, which neither the previous
// input nor a file QSettings saved can have.
QString settingsFileWith(const std::uint8_t* data, std::size_t size) {
  static const QTemporaryDir folder;
  static const QString path = folder.filePath(QStringLiteral("settings.conf"));
  static qint64 inputs = 0;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) __builtin_trap();
  file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  if (!file.setFileTime(QDateTime::fromSecsSinceEpoch(++inputs, Qt::UTC), QFileDevice::FileModificationTime))
    __builtin_trap();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // QSettings and QVariant complain about odd values on standard error.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  // Every save is flushed to disk; in memory that costs nothing.
  if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) qputenv("TMPDIR", "/dev/shm");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = settingsFileWith(data, size);

  solwire::Configuration loaded;
  {
    solwire::QSettingsBackend backend(path);
    loaded = solwire::loadConfiguration(backend);
    if (!solwire::saveConfiguration(backend, loaded).ok) __builtin_trap();
  }
  const QByteArray saved = bytesOf(path);
  {
    solwire::QSettingsBackend again(path);
    if (!again.openStatus().ok) __builtin_trap();
    if (!(solwire::loadConfiguration(again) == loaded)) __builtin_trap();
    if (!solwire::saveConfiguration(again, loaded).ok) __builtin_trap();
  }
  if (bytesOf(path) != saved) __builtin_trap();
  return 0;
}
