// Takes arbitrary bytes as the settings file through the real QSettings
// backend, as the program does at start and at close: open, read, save a few
// values of its own, open again. What QSettings is handed holds text values
// only; the save must succeed (what cannot be written back is left out), the
// program's own values must come back exactly, the saved file must read
// whole, and saving the same values again must change nothing. Reading the whole configuration from arbitrary values is the
// configuration-store target's; this one saves a handful of values, so that
// each input costs one file round trip, not a whole configuration's.
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/config/qsettings_backend.h"
#include "store/config/settings_text_filter.h"

namespace {

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QTemporaryDir& folder() {
  static const QTemporaryDir made;
  return made;
}

// Every input goes to the same file, so QSettings meets one name, not a new
// one per input. It keeps what it read of a file by name and reads the file
// again only when its size or modification time has changed; two inputs of
// one size written within a millisecond would look unchanged, so each input
// is stamped with a time of its own, long past, which neither the previous
// input nor a file QSettings saved can have.
QString fileWith(const QString& name, std::string_view bytes) {
  static qint64 inputs = 0;
  const QString path = folder().filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) __builtin_trap();
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (!file.setFileTime(QDateTime::fromSecsSinceEpoch(++inputs, Qt::UTC), QFileDevice::FileModificationTime))
    __builtin_trap();
  return path;
}

// Text, or nothing at all (a key QSettings cannot even ask for: a section's
// empty name).
bool isText(const QVariant& value) {
  if (!value.isValid()) return true;
  if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QStringList) return true;
  if (value.typeId() != QMetaType::QVariantList) return false;
  const QVariantList elements = value.toList();
  for (const QVariant& element : elements)
    if (element.typeId() != QMetaType::QString) return false;
  return true;
}

// Whatever the filter lets through, QSettings makes nothing but text of it.
void checkFilterLeavesTextOnly(std::string_view input) {
  const solwire::FilteredSettingsText filtered = solwire::withoutTypedValues(input);
  const QSettings read(fileWith(QStringLiteral("filtered.conf"), filtered.text), QSettings::IniFormat);
  const QStringList keys = read.allKeys();
  for (const QString& key : keys)
    if (!isText(read.value(key))) __builtin_trap();
}

struct OwnValue {
  const char* section;
  const char* name;
  std::string value;
};

// The program's own values: fixed ones, and one made of the input's first
// bytes, so that odd characters in a value of ours are saved too. QSettings
// cannot keep a U+FEFF that opens a stretch of text between escapes (its
// reader takes it for a byte-order mark), so none is put in.
std::vector<OwnValue> ownValues(std::string_view input) {
  const QString text = QString::fromUtf8(input.substr(0, 24)).remove(QChar(0xFEFF));
  return {{"Site", "Number", "4"}, {"Ports", "COM1", "sim"}, {"Options", "Log File Name ", text.toStdString()}};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // QSettings, QVariant and the backend complain about odd values on standard error.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  // Every save is flushed to disk; in memory that costs nothing.
  if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) qputenv("TMPDIR", "/dev/shm");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkFilterLeavesTextOnly(input);

  const QString path = fileWith(QStringLiteral("settings.conf"), input);
  const std::vector<OwnValue> own = ownValues(input);
  {
    solwire::QSettingsBackend backend(path);
    for (const OwnValue& value : own) backend.write(value.section, value.name, value.value);
    if (!backend.commit().ok) __builtin_trap();
  }
  // The save read back what it wrote under another name before it replaced
  // the file, so the file reads whole; it must also pass the filter whole.
  const QByteArray saved = bytesOf(path);
  if (!solwire::withoutTypedValues(saved.toStdString()).leftOut.empty()) __builtin_trap();
  {
    solwire::QSettingsBackend again(path);
    for (const OwnValue& value : own)
      if (again.read(value.section, value.name) != value.value) __builtin_trap();
    for (const OwnValue& value : own) again.write(value.section, value.name, value.value);
    if (!again.commit().ok) __builtin_trap();
  }
  if (bytesOf(path) != saved) __builtin_trap();
  return 0;
}
