#include "store/config/qsettings_backend.h"

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "store/config/config_store.h"
#include "tests/support/file_size_limit.h"

namespace solwire {
namespace {

class QSettingsBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString iniPath() const { return dir_.filePath(QStringLiteral("Solwire.conf")); }
  QTemporaryDir dir_;
};

TEST_F(QSettingsBackendTest, WholeConfigurationSurvivesAFileRoundTrip) {
  Configuration original;
  original.siteNumber = 30;
  original.baudRateIndex = 2;
  original.languageNumber = 2;
  original.tapiSelection = false;
  original.alarmBeep = true;
  original.currentPhoneListLine = "not a number";
  original.dialString = " 0,123;456 ";
  original.phoneBook = "/home/op/My Sites/book, 2024.csv";
  original.selectedTapiDevice = "@Modem \"A\" = 1";
  original.phoneList[15] = {"站位 16", "+86 10 1234#"};
  original.fonts[2] = {"WenQuanYi Micro Hei", 14};
  original.alarms[3] = {22, 7, false, true};
  original.portPaths[0] = "sim";
  {
    QSettingsBackend backend(iniPath());
    ASSERT_TRUE(saveConfiguration(backend, original).ok);
  }
  QSettingsBackend reopened(iniPath());
  EXPECT_TRUE(reopened.openStatus().ok);
  EXPECT_EQ(loadConfiguration(reopened), original);
}

TEST_F(QSettingsBackendTest, ValueNamesAreStoredExactlyTrailingSpacesIncluded) {
  {
    QSettingsBackend backend(iniPath());
    ASSERT_TRUE(saveConfiguration(backend, Configuration{}).ok);
  }
  // A plain QSettings sees the names as written, not something only our
  // backend knows how to map back.
  QSettings plain(iniPath(), QSettings::IniFormat);
  plain.beginGroup(QStringLiteral("Font"));
  EXPECT_TRUE(plain.childKeys().contains(QStringLiteral("Lang 0 Name ")));
  EXPECT_TRUE(plain.childKeys().contains(QStringLiteral("Lang 2 Size ")));
  EXPECT_FALSE(plain.childKeys().contains(QStringLiteral("Lang 0 Name")));
  EXPECT_EQ(plain.value(QStringLiteral("Lang 2 Name ")).toString(), QStringLiteral("UWPSTJ (GB)"));
  plain.endGroup();
  EXPECT_TRUE(plain.contains(QStringLiteral("Alarm State/Alarm3Old State")));
  EXPECT_FALSE(plain.contains(QStringLiteral("Alarm State/Alarm3 Old State")));
  EXPECT_TRUE(plain.contains(QStringLiteral("Phone List/id name 1")));
  EXPECT_EQ(plain.value(QStringLiteral("Save Options/Tapi selection")).toString(), QStringLiteral("1"));
  EXPECT_EQ(plain.value(QStringLiteral("Settings/Baud Rate")).toString(), QStringLiteral("4"));
}

TEST_F(QSettingsBackendTest, AwkwardTextsSurviveTheIniEscaping) {
  const std::vector<std::string> texts{"",         " leading",   "trailing ", "a,b",     "a, b, c", "x;y",
                                       "k=v",      "\"quoted\"", "@at",       "@@",      "back\\slash", "tab\there",
                                       "line\nbreak", "#hash",   "[group]",   "电话号码 KVR", "Français é"};
  {
    QSettingsBackend backend(iniPath());
    for (std::size_t i = 0; i < texts.size(); ++i) backend.write("Phone List", "id name " + std::to_string(i + 1), texts[i]);
    ASSERT_TRUE(backend.commit().ok);
  }
  QSettingsBackend reopened(iniPath());
  for (std::size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(reopened.read("Phone List", "id name " + std::to_string(i + 1)), texts[i]) << i;
  EXPECT_EQ(reopened.read("Phone List", "id name 99"), std::nullopt);
  EXPECT_EQ(reopened.read("No Such Section", "id name 1"), std::nullopt);
}

TEST_F(QSettingsBackendTest, HandEditedFileIsReadWithTheStoreRules) {
  {
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\n"
               "Baud%20Rate=abc\n"
               "Site%20Number=12\n"
               "Dial%20String=1, 2\n"
               "[Save%20Options]\n"
               "Day%20Data=2\n");
  }
  QSettingsBackend backend(iniPath());
  const Configuration c = loadConfiguration(backend);
  EXPECT_EQ(c.baudRateIndex, 4);
  EXPECT_EQ(c.siteNumber, 12);
  EXPECT_EQ(c.dialString, "1, 2");
  EXPECT_TRUE(c.dayData);
}

TEST_F(QSettingsBackendTest, SaveReportsAFileThatCannotBeWritten) {
  // A regular file where the folder should be: no user, root included, can
  // create the settings file below it.
  const QString blocker = dir_.filePath(QStringLiteral("not-a-folder"));
  {
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QSettingsBackend backend(blocker + QStringLiteral("/Solwire.conf"));
  const StoreResult result = saveConfiguration(backend, Configuration{});
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.problem, StoreProblem::CannotWrite);
  EXPECT_EQ(result.location, (blocker + QStringLiteral("/Solwire.conf")).toStdString());
  EXPECT_EQ(result.reason, "Not a directory");
}

TEST_F(QSettingsBackendTest, SaveReplacesTheFileWholeAndLeavesNoTemporaryFiles) {
  {
    QSettingsBackend backend(iniPath());
    ASSERT_TRUE(saveConfiguration(backend, Configuration{}).ok);
  }
  Configuration changed;
  changed.siteNumber = 5;
  {
    QSettingsBackend backend(iniPath());
    ASSERT_TRUE(saveConfiguration(backend, changed).ok);
  }
  const QStringList files = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(files, QStringList{QStringLiteral("Solwire.conf")});
  QSettingsBackend reopened(iniPath());
  EXPECT_EQ(loadConfiguration(reopened).siteNumber, 5);
}

using test::FileSizeLimit;

QByteArray bytesOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(QSettingsBackendTest, AWriteCutShortIsReportedAndLeavesThePreviousFile) {
  Configuration before;
  before.siteNumber = 3;
  {
    QSettingsBackend backend(iniPath());
    ASSERT_TRUE(saveConfiguration(backend, before).ok);
  }
  const QByteArray saved = bytesOf(iniPath());
  ASSERT_GT(saved.size(), 1024);

  Configuration changed = before;
  changed.siteNumber = 9;
  changed.phoneList[0] = {"North Tower", "5550123"};
  StoreResult result;
  {
    QSettingsBackend backend(iniPath());
    const FileSizeLimit limit(1024);
    result = saveConfiguration(backend, changed);
  }
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.problem, StoreProblem::CannotWrite);
  EXPECT_EQ(result.location, iniPath().toStdString());
  EXPECT_EQ(bytesOf(iniPath()), saved);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Solwire.conf")});
  QSettingsBackend reopened(iniPath());
  EXPECT_EQ(loadConfiguration(reopened), before);
}

TEST_F(QSettingsBackendTest, AFileThatCouldNotBeParsedIsReplacedWithoutAFalseError) {
  {
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings\nSite%20Number=3\n");
  }
  Configuration changed;
  changed.siteNumber = 7;
  {
    QSettingsBackend backend(iniPath());
    EXPECT_FALSE(backend.openStatus().ok);
    EXPECT_EQ(backend.openStatus().problem, StoreProblem::PartlyRead);
    EXPECT_TRUE(saveConfiguration(backend, changed).ok);
  }
  QSettingsBackend reopened(iniPath());
  EXPECT_TRUE(reopened.openStatus().ok);
  EXPECT_EQ(loadConfiguration(reopened), changed);
}

// File permissions as an ordinary user meets them. The superuser may write
// anywhere, so it checks them as "nobody" for the scope (this thread only).
class AsOrdinaryUser {
 public:
  AsOrdinaryUser() : superuser_(::geteuid() == 0) {
    if (superuser_) ::setfsuid(kNobody);
  }
  ~AsOrdinaryUser() {
    if (superuser_) ::setfsuid(0);
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  static constexpr uid_t kNobody = 65534;
  bool superuser_;
};

TEST_F(QSettingsBackendTest, AFailedSaveGivesTheSystemsReason) {
  const QString folder = dir_.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString path = folder + QStringLiteral("/Solwire.conf");
  {
    QSettingsBackend backend(path);
    ASSERT_TRUE(saveConfiguration(backend, Configuration{}).ok);
  }
  const QByteArray before = bytesOf(path);
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
  ::chmod(QFile::encodeName(folder).constData(), 0555);  // no new file can go beside the settings
  Configuration changed;
  changed.siteNumber = 17;
  StoreResult result;
  {
    const AsOrdinaryUser ordinary;
    QSettingsBackend backend(path);
    result = saveConfiguration(backend, changed);
  }
  ::chmod(QFile::encodeName(folder).constData(), 0755);
  EXPECT_EQ(result.problem, StoreProblem::CannotWrite);
  EXPECT_EQ(result.location, path.toStdString());
  EXPECT_EQ(result.reason, "Permission denied");
  EXPECT_EQ(bytesOf(path), before);
}

// A name QSettings cannot write (an empty one, from a "=value" line before
// the first section) and a value it cannot read (an unknown stored type) must
// not keep every later save from succeeding.
TEST_F(QSettingsBackendTest, WhatCannotBeWrittenBackIsLeftOutAndEverythingElseSaved) {
  {
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("=orphan\n"
               "[Settings]\n"
               "Site%20Number=12\n"
               "Odd=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QThing)\n"
               "[Notes]\n"
               "kept=as it was, with a comma\n"
               "slashed\\=a name that ends in a slash\n"
               "slashed=a name that does not\n");
  }
  Configuration changed;
  changed.siteNumber = 21;
  {
    QSettingsBackend backend(iniPath());
    EXPECT_EQ(backend.openStatus().problem, StoreProblem::PartlyRead);
    EXPECT_EQ(loadConfiguration(backend).siteNumber, 12);
    const StoreResult result = saveConfiguration(backend, changed);
    EXPECT_TRUE(result.ok) << result.reason;
  }
  QSettingsBackend reopened(iniPath());
  EXPECT_TRUE(reopened.openStatus().ok);  // what was saved reads whole
  EXPECT_EQ(loadConfiguration(reopened), changed);
  EXPECT_EQ(reopened.read("Notes", "kept"), "as it was, with a comma");
  EXPECT_EQ(reopened.read("Settings", "Odd"), std::nullopt);
  const QSettings plain(iniPath(), QSettings::IniFormat);
  EXPECT_FALSE(plain.allKeys().contains(QString()));
  EXPECT_FALSE(bytesOf(iniPath()).contains("orphan"));
}

QStringList& warnings() {
  static QStringList said;
  return said;
}

ino_t inodeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// A value QSettings would decode as data never reaches it: a length in a
// damaged "@Variant(" asks for gigabytes. Such values are left out, said once,
// and gone after the next save; texts that merely start with "@" stay. A
// save that changes nothing leaves the file as it is.
TEST_F(QSettingsBackendTest, TypedValuesAreLeftOutBeforeQSettingsReadsThem) {
  {
    QFile file(iniPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\n"
               "Site%20Number=12\n"
               "Odd=@Variant(\\0\\0\\0\\n\\0\\x7f\\xff\\xff\\xfe)\n"
               "[Notes]\n"
               "bytes=@ByteArray(ab)\n"
               "at=@home\n"
               "escaped=@@Variant(x)\n"
               "nul=@String(a\\0b)\n");
  }
  warnings().clear();
  const QtMessageHandler before = qInstallMessageHandler(
      [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings() << text; });
  Configuration changed;
  changed.siteNumber = 21;
  {
    QSettingsBackend backend(iniPath());
    EXPECT_EQ(backend.openStatus().problem, StoreProblem::PartlyRead);
    EXPECT_EQ(loadConfiguration(backend).siteNumber, 12);
    EXPECT_EQ(backend.read("Settings", "Odd"), std::nullopt);
    EXPECT_EQ(backend.read("Notes", "bytes"), std::nullopt);
    EXPECT_EQ(backend.read("Notes", "at"), "@home");
    EXPECT_EQ(backend.read("Notes", "escaped"), "@Variant(x)");
    EXPECT_EQ(backend.read("Notes", "nul"), std::string("a\0b", 3));
    EXPECT_TRUE(saveConfiguration(backend, changed).ok);
  }
  qInstallMessageHandler(before);
  ASSERT_EQ(warnings().size(), 1);
  EXPECT_TRUE(warnings()[0].contains(QStringLiteral("[Settings] Odd (@Variant), [Notes] bytes (@ByteArray)")))
      << warnings()[0].toStdString();
  EXPECT_FALSE(bytesOf(iniPath()).contains("@Variant(\\0"));
  EXPECT_FALSE(bytesOf(iniPath()).contains("@ByteArray"));

  const ino_t saved = inodeOf(iniPath());
  QSettingsBackend reopened(iniPath());
  EXPECT_TRUE(reopened.openStatus().ok);
  EXPECT_EQ(reopened.read("Notes", "at"), "@home");
  EXPECT_TRUE(saveConfiguration(reopened, changed).ok);
  EXPECT_EQ(inodeOf(iniPath()), saved);  // not replaced
}

TEST_F(QSettingsBackendTest, PerUserStoreIsVeltraneSolwire) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
  {
    QSettingsBackend backend;
    EXPECT_EQ(backend.location(), dir_.filePath(QStringLiteral("Veltrane/Solwire.conf")));
    Configuration c;
    c.logSite = 9;
    ASSERT_TRUE(saveConfiguration(backend, c).ok);
  }
  QSettingsBackend byPath(dir_.filePath(QStringLiteral("Veltrane/Solwire.conf")));
  EXPECT_EQ(loadConfiguration(byPath).logSite, 9);
}

}  // namespace
}  // namespace solwire
