// Takes arbitrary bytes as the settings file through the real QSettings
// backend, as the program does at start and at close: load, save, load again.
// Whatever the file held, the save must succeed (what cannot be written back
// is left out), the saved file must read whole and give back the
// configuration that was saved, and saving that again must change nothing.
#include <QByteArray>
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

// QSettings keeps files it has read by name: each input gets a name of its own.
QString freshSettingsFile() {
  static const QTemporaryDir folder;
  static unsigned long count = 0;
  return folder.filePath(QStringLiteral("case%1.conf").arg(count++));
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
  const QString path = freshSettingsFile();
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) __builtin_trap();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }

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
  QFile::remove(path);
  return 0;
}
