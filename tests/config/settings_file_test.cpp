// What the settings file's path names on disk: a read-only file, a symbolic
// link, a FIFO. Each is kept as it is; only a link's target is replaced.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <memory>

#include "store/config/config_store.h"
#include "store/config/qsettings_backend.h"
#include "store/config/settings_file.h"

namespace solwire {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  static QByteArray bytesOf(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
  }
  static void link(const char* target, const QString& at) {
    ASSERT_EQ(::symlink(target, QFile::encodeName(at).constData()), 0);
  }
  QStringList filesIn(const QString& folder) const {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }
  QTemporaryDir dir_;
};

Configuration withSite(int site) {
  Configuration c;
  c.siteNumber = site;
  return c;
}

TEST_F(SettingsFileTest, AReadOnlyFileIsKeptAsItIsAndTheSaveSaysSo) {
  const QString file = path("Solwire.conf");
  {
    QSettingsBackend backend(file);
    ASSERT_TRUE(saveConfiguration(backend, withSite(4)).ok);
  }
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
  const QByteArray before = bytesOf(file);

  QSettingsBackend backend(file);
  EXPECT_TRUE(backend.openStatus().ok);  // it reads as usual
  EXPECT_EQ(loadConfiguration(backend).siteNumber, 4);
  const StoreResult result = saveConfiguration(backend, withSite(9));
  EXPECT_EQ(result.problem, StoreProblem::ReadOnly);
  EXPECT_EQ(result.location, file.toStdString());
  EXPECT_EQ(bytesOf(file), before);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
  EXPECT_EQ(filesIn(dir_.path()), QStringList{QStringLiteral("Solwire.conf")});
}

TEST_F(SettingsFileTest, ALinkIsWrittenThroughToItsTargetAndStaysALink) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("real")));
  const QString target = path("real/Solwire.conf");
  {
    QSettingsBackend backend(target);
    ASSERT_TRUE(saveConfiguration(backend, withSite(2)).ok);
  }
  ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
  // A chain of two links, one relative and one absolute.
  link("real/Solwire.conf", path("middle.conf"));
  link(QFile::encodeName(path("middle.conf")).constData(), path("Solwire.conf"));

  {
    QSettingsBackend backend(path("Solwire.conf"));
    EXPECT_EQ(loadConfiguration(backend).siteNumber, 2);
    ASSERT_TRUE(saveConfiguration(backend, withSite(30)).ok);
  }
  EXPECT_TRUE(QFileInfo(path("Solwire.conf")).isSymLink());
  EXPECT_TRUE(QFileInfo(path("middle.conf")).isSymLink());
  EXPECT_EQ(QFileInfo(path("Solwire.conf")).symLinkTarget(), path("middle.conf"));
  QSettingsBackend throughTarget(target);
  EXPECT_EQ(loadConfiguration(throughTarget).siteNumber, 30);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);  // the target keeps its permissions
  EXPECT_EQ(filesIn(path("real")), QStringList{QStringLiteral("Solwire.conf")});
}

TEST_F(SettingsFileTest, ALinkToAMissingFileCreatesThatFile) {
  link("made-by-save.conf", path("Solwire.conf"));
  {
    QSettingsBackend backend(path("Solwire.conf"));
    EXPECT_TRUE(backend.openStatus().ok);
    ASSERT_TRUE(saveConfiguration(backend, withSite(7)).ok);
  }
  EXPECT_TRUE(QFileInfo(path("Solwire.conf")).isSymLink());
  QSettingsBackend created(path("made-by-save.conf"));
  EXPECT_EQ(loadConfiguration(created).siteNumber, 7);
}

TEST_F(SettingsFileTest, ALinkLoopCannotBeReadAndSaysWhy) {
  link("b.conf", path("a.conf"));
  link("a.conf", path("b.conf"));
  QSettingsBackend backend(path("a.conf"));
  EXPECT_EQ(backend.openStatus().problem, StoreProblem::CannotRead);
  EXPECT_EQ(backend.openStatus().reason, systemReason(ELOOP));
  EXPECT_EQ(loadConfiguration(backend), Configuration{});
  const StoreResult result = saveConfiguration(backend, withSite(3));
  EXPECT_EQ(result.problem, StoreProblem::CannotWrite);
  EXPECT_EQ(result.reason, systemReason(ELOOP));
  EXPECT_TRUE(QFileInfo(path("a.conf")).isSymLink());
}

// Opening a FIFO for reading waits for a writer. Should the backend open
// it, the guard below plays the writer, so the test fails instead of hanging.
std::unique_ptr<QSettingsBackend> openWithoutWaiting(const QString& file) {
  auto opening = std::async(std::launch::async, [file] { return std::make_unique<QSettingsBackend>(file); });
  if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "opening " << file.toStdString() << " waited for a writer";
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  return opening.get();
}

TEST_F(SettingsFileTest, AFifoIsRefusedUnopenedAndEveryValueTakesItsDefault) {
  const QString fifo = path("Solwire.conf");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  link("Solwire.conf", path("link.conf"));

  for (const QString& file : {fifo, path("link.conf")}) {
    SCOPED_TRACE(file.toStdString());
    const auto backend = openWithoutWaiting(file);
    EXPECT_EQ(backend->openStatus().problem, StoreProblem::NotAFile);
    EXPECT_EQ(backend->openStatus().location, file.toStdString());
    EXPECT_EQ(loadConfiguration(*backend), Configuration{});
    const StoreResult result = saveConfiguration(*backend, withSite(5));
    EXPECT_EQ(result.problem, StoreProblem::NotAFile);
  }
  struct stat info {};
  ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_TRUE(QFileInfo(path("link.conf")).isSymLink());
  EXPECT_EQ(filesIn(dir_.path()), (QStringList{QStringLiteral("Solwire.conf"), QStringLiteral("link.conf")}));
}

TEST_F(SettingsFileTest, AFolderIsNoSettingsFileEither) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("Solwire.conf")));
  QSettingsBackend backend(path("Solwire.conf"));
  EXPECT_EQ(backend.openStatus().problem, StoreProblem::NotAFile);
  EXPECT_EQ(saveConfiguration(backend, withSite(5)).problem, StoreProblem::NotAFile);
  EXPECT_TRUE(QFileInfo(path("Solwire.conf")).isDir());
}

}  // namespace
}  // namespace solwire
