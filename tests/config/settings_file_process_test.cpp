// Solwire started unattended (--screenshot) on a settings file with a problem:
// it must come up, tell the problem on standard error rather than in a box
// nobody will close, and end by itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace {

struct RunResult {
  int status = -1;  // 124 when the run had to be stopped
  std::string err;
};

class UnattendedStart : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  QString settings() const { return dir_.filePath(QStringLiteral("Solwire.conf")); }

  // Runs Solwire on the settings file until it has taken its picture and
  // closed; a run still going after a minute is stopped.
  RunResult runSolwire() const {
    const std::string picture = dir_.filePath(QStringLiteral("main.png")).toStdString();
    const std::string line = "QT_QPA_PLATFORM=offscreen timeout -s KILL 60 '" +
                             std::string(SOLWIRE_APP_PATH) + "' --settings '" + settings().toStdString() +
                             "' --screenshot '" + picture + "' --screenshot-delay 0 2>&1 >/dev/null";
    RunResult run;
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return run;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, pipe)) run.err += chunk;
    const int wait = pclose(pipe);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    if (run.status == 137) run.status = 124;  // killed by timeout
    return run;
  }

  void write(const QByteArray& contents) const {
    QFile file(settings());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
  }

  QByteArray contents() const {
    QFile file(settings());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
};

TEST_F(UnattendedStart, AFifoIsRefusedAndTheProgramRunsOnItsDefaults) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(settings()).constData(), 0600), 0);
  const RunResult run = runSolwire();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("is not a regular file"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("not a regular file"), run.err.rfind("not a regular file")) << "told once: " << run.err;
  EXPECT_TRUE(QFileInfo::exists(dir_.filePath(QStringLiteral("main.png"))));
  struct stat info {};
  ASSERT_EQ(::lstat(QFile::encodeName(settings()).constData(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(UnattendedStart, AFileReadInPartIsToldAtStartAndStillSavedAtExit) {
  write("=orphan\n[Settings]\nSite%20Number=6\n");
  const RunResult run = runSolwire();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("could not be read"), std::string::npos) << run.err;
  const QSettings saved(settings(), QSettings::IniFormat);
  EXPECT_EQ(saved.status(), QSettings::NoError);
  EXPECT_EQ(saved.value(QStringLiteral("Settings/Site Number")).toString(), QStringLiteral("6"));
  EXPECT_EQ(saved.value(QStringLiteral("Settings/Baud Rate")).toString(), QStringLiteral("4"));
  EXPECT_FALSE(contents().contains("orphan"));
}

TEST_F(UnattendedStart, AReadOnlyFileIsKeptAndTheOperatorToldOnce) {
  write("[Settings]\nSite%20Number=6\n");
  ASSERT_EQ(::chmod(QFile::encodeName(settings()).constData(), 0444), 0);
  const RunResult run = runSolwire();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("is read-only"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("read-only"), run.err.rfind("read-only")) << "told once: " << run.err;
  EXPECT_EQ(contents(), QByteArray("[Settings]\nSite%20Number=6\n"));
}

}  // namespace
