// Printing documents to PDF files in the background: every job is printed
// once, in the order given, from a copy taken when it was handed over; its
// outcome comes back once on the caller's thread; a file that cannot be
// written leaves nothing behind.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "store/rich_text_print.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<QTextDocument> documentOf(const QString& marker, int lines) {
  QString text = marker;
  for (int line = 1; line < lines; ++line) text += QString("\nline %1 of %2").arg(line).arg(marker);
  return std::make_unique<QTextDocument>(text);
}

QString pdfText(const QString& pdf) {
  const QString tool = QStandardPaths::findExecutable("pdftotext");
  if (tool.isEmpty()) {
    ADD_FAILURE() << "pdftotext is missing (poppler-utils, see scripts/setup.sh)";
    return {};
  }
  QProcess process;
  process.start(tool, {"-enc", "UTF-8", pdf, "-"});
  process.waitForFinished(30000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

RichTextDocument richTextOf(const QString& marker, int lines) {
  RichTextDocument document;
  document.appendRun(marker.toStdString(), 12, Rgb{0, 0, 255});
  for (int line = 1; line < lines; ++line) {
    document.endParagraph();
    document.appendRun(QString("line %1 of %2").arg(line).arg(marker).toStdString(), 10);
  }
  return document;
}

bool isPdf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

bool settle(const BackgroundPrinter& printer) {
  QDeadlineTimer deadline(120s);
  while (printer.pendingJobs() > 0 && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return printer.pendingJobs() == 0;
}

struct Reported {
  int job;
  PrintOutcome outcome;
  bool onCallerThread;
};

TEST(BackgroundPrinterTest, RandomJobsAreEachReportedOnceInOrderAndBadFilesLeaveNothing) {
  for (std::uint32_t seed : {1u, 2u, 3u, std::random_device{}()}) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    BackgroundPrinter printer;
    std::vector<Reported> reported;
    std::vector<QString> files;
    std::vector<bool> writable;
    const int jobs = 6 + static_cast<int>(random() % 6);
    for (int job = 0; job < jobs; ++job) {
      const bool good = random() % 4 != 0;
      const QString file = good ? dir.filePath(QString("JOB%1.PDF").arg(job))
                                : dir.filePath(QString("MISSING/JOB%1.PDF").arg(job));
      files.push_back(file);
      writable.push_back(good);
      const int lines = 1 + static_cast<int>(random() % 300);
      auto done = [&reported, job](const PrintOutcome& outcome) {
        reported.push_back({job, outcome, QThread::currentThread() == QCoreApplication::instance()->thread()});
      };
      const QString marker = QString("MARK%1").arg(job);
      switch (random() % 3) {
        case 0: printer.print(documentOf(marker, lines), "job", {file}, done); break;
        case 1: {
          auto original = documentOf(marker, lines);
          printer.print(*original, "job", {file}, done);
          original->setPlainText("CHANGED AFTER THE JOB WAS HANDED OVER");  // the job has its own copy
          break;
        }
        default: printer.print(richTextOf(marker, lines), "job", {file}, done); break;
      }
      // Sometimes let jobs finish before the next arrives.
      for (int spin = static_cast<int>(random() % 3); spin > 0; --spin) QCoreApplication::processEvents();
    }
    ASSERT_TRUE(settle(printer));

    ASSERT_EQ(static_cast<int>(reported.size()), jobs);
    for (int job = 0; job < jobs; ++job) {
      const Reported& r = reported[static_cast<std::size_t>(job)];
      const QString& file = files[static_cast<std::size_t>(job)];
      EXPECT_EQ(r.job, job);
      EXPECT_TRUE(r.onCallerThread);
      if (writable[static_cast<std::size_t>(job)]) {
        EXPECT_TRUE(r.outcome.ok()) << r.outcome.reason.toStdString();
        EXPECT_TRUE(isPdf(file)) << file.toStdString();
      } else {
        EXPECT_EQ(r.outcome.problem, PrintProblem::CannotWriteFile);
        EXPECT_EQ(r.outcome.where, file);
        EXPECT_FALSE(r.outcome.reason.isEmpty());
        EXPECT_FALSE(QFile::exists(file));
      }
    }
    // Nothing but the finished PDFs: no temporary files stay behind.
    const QStringList left = QDir(dir.path()).entryList(QDir::Files);
    for (const QString& name : left) EXPECT_TRUE(name.startsWith("JOB") && name.endsWith(".PDF")) << name.toStdString();

    // One job of each kind, read back.
    for (int job = 0; job < jobs; ++job) {
      if (!writable[static_cast<std::size_t>(job)]) continue;
      const QString text = pdfText(files[static_cast<std::size_t>(job)]);
      EXPECT_TRUE(text.contains(QString("MARK%1").arg(job))) << text.left(200).toStdString();
      EXPECT_FALSE(text.contains("CHANGED"));
    }
  }
}

TEST(BackgroundPrinterTest, AJobsStillWaitingWhenThePrinterGoesArePrintedWithoutCallingBack) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  int callbacks = 0;
  {
    BackgroundPrinter printer;
    for (int job = 0; job < 4; ++job) {
      const QString file = dir.filePath(QString("LAST%1.PDF").arg(job));
      const auto done = [&callbacks](const PrintOutcome&) { ++callbacks; };
      if (job % 2 == 0) {
        printer.print(documentOf(QString("LAST%1").arg(job), 50), "job", {file}, done);
      } else {
        printer.print(richTextOf(QString("LAST%1").arg(job), 50), "job", {file}, done);
      }
    }
    EXPECT_EQ(printer.pendingJobs(), 4);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(callbacks, 0);
  for (int job = 0; job < 4; ++job) EXPECT_TRUE(isPdf(dir.filePath(QString("LAST%1.PDF").arg(job)))) << job;
}

TEST(BackgroundPrinterTest, AnExistingFileIsReplacedWhole) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("OLD.PDF");
  {
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(200000, 'x'));
  }
  auto document = documentOf("NEW", 1);
  EXPECT_TRUE(printTextDocument(*document, "job", {file}).ok());
  EXPECT_TRUE(isPdf(file));
  EXPECT_LT(QFile(file).size(), 200000);
  EXPECT_TRUE(pdfText(file).contains("NEW"));
}

TEST(BackgroundPrinterTest, WithoutAPrintServerThereIsNoDefaultPrinter) {
  const QByteArray before = qgetenv("CUPS_SERVER");
  qputenv("CUPS_SERVER", "/nonexistent/solwire-test.sock");
  auto document = documentOf("NONE", 1);
  const PrintOutcome outcome = printTextDocument(*document, "job", {});
  if (before.isNull()) {
    qunsetenv("CUPS_SERVER");
  } else {
    qputenv("CUPS_SERVER", before);
  }
  EXPECT_EQ(outcome.problem, PrintProblem::NoDefaultPrinter);
}

}  // namespace
}  // namespace solwire
