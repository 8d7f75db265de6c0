#include "store/rich_text_print.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTextDocument>
#include <QThread>
#include <utility>

#include "store/rich_text_qt.h"

namespace solwire {

namespace {

const QString kCreator = QStringLiteral("Solwire");

PrintOutcome fileProblem(const QSaveFile& file) {
  return {PrintProblem::CannotWriteFile, file.fileName(), file.errorString()};
}

PrintOutcome printToPdf(QTextDocument& document, const QString& title, const QString& fileName) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return fileProblem(file);
  {
    QPdfWriter writer(&file);
    writer.setTitle(title);
    writer.setCreator(kCreator);
    writer.setPageSize(QPageSize(QPageSize::A4));
    document.print(&writer);
  }  // the last page is written as the writer goes
  if (file.error() != QFileDevice::NoError) {
    PrintOutcome outcome = fileProblem(file);
    file.cancelWriting();
    return outcome;
  }
  if (!file.commit()) return fileProblem(file);
  return {PrintProblem::None, fileName, {}};
}

PrintOutcome printToDefaultPrinter(QTextDocument& document, const QString& title) {
  const QPrinterInfo target = QPrinterInfo::defaultPrinter();
  if (target.isNull()) return {PrintProblem::NoDefaultPrinter, {}, {}};
  QPrinter printer(target, QPrinter::HighResolution);
  printer.setDocName(title);
  printer.setCreator(kCreator);
  if (!printer.isValid()) return {PrintProblem::PrinterFailed, target.printerName(), {}};
  document.print(&printer);
  if (printer.printerState() == QPrinter::Error) return {PrintProblem::PrinterFailed, target.printerName(), {}};
  return {PrintProblem::None, target.printerName(), {}};
}

}  // namespace

PrintDestination printDestinationFromEnvironment() { return {qEnvironmentVariable(kPrintToVariable)}; }

PrintOutcome printTextDocument(QTextDocument& document, const QString& title, const PrintDestination& destination) {
  if (!destination.pdfFile.isEmpty()) return printToPdf(document, title, destination.pdfFile);
  return printToDefaultPrinter(document, title);
}

// ---- Background printing ---------------------------------------------------

struct BackgroundPrinter::Job {
  // One of the two: a Qt document, or ours to make one of in the worker.
  std::unique_ptr<QTextDocument> document;
  std::optional<RichTextDocument> source;
  QString title;
  PrintDestination destination;
  Done done;
  PrintOutcome outcome;  // written by the worker, read after it has ended

  void run() {
    if (!document) document = toTextDocument(*source);
    outcome = printTextDocument(*document, title, destination);
    document.reset();  // deleted in the thread it belongs to
  }
};

BackgroundPrinter::BackgroundPrinter(QObject* parent) : QObject(parent) {}

BackgroundPrinter::~BackgroundPrinter() {
  if (worker_) worker_->wait();
  for (const std::shared_ptr<Job>& job : waiting_) job->run();
}

void BackgroundPrinter::print(RichTextDocument document, const QString& title, const PrintDestination& destination,
                              Done done) {
  auto job = std::make_shared<Job>();
  job->source = std::move(document);
  job->title = title;
  job->destination = destination;
  job->done = std::move(done);
  enqueue(std::move(job));
}

void BackgroundPrinter::print(const QTextDocument& document, const QString& title, const PrintDestination& destination,
                              Done done) {
  print(std::unique_ptr<QTextDocument>(document.clone()), title, destination, std::move(done));
}

void BackgroundPrinter::print(std::unique_ptr<QTextDocument> document, const QString& title,
                              const PrintDestination& destination, Done done) {
  auto job = std::make_shared<Job>();
  job->document = std::move(document);
  job->title = title;
  job->destination = destination;
  job->done = std::move(done);
  enqueue(std::move(job));
}

void BackgroundPrinter::enqueue(std::shared_ptr<Job> job) {
  waiting_.push_back(std::move(job));
  startNext();
}

int BackgroundPrinter::pendingJobs() const { return static_cast<int>(waiting_.size()) + (running_ ? 1 : 0); }

void BackgroundPrinter::startNext() {
  if (running_ || waiting_.empty()) return;
  running_ = std::move(waiting_.front());
  waiting_.pop_front();
  std::shared_ptr<Job> job = running_;
  worker_.reset(QThread::create([job] { job->run(); }));
  if (job->document) job->document->moveToThread(worker_.get());
  connect(worker_.get(), &QThread::finished, this, &BackgroundPrinter::finishRunning, Qt::QueuedConnection);
  worker_->start();
}

void BackgroundPrinter::finishRunning() {
  worker_->wait();
  worker_.reset();
  const std::shared_ptr<Job> job = std::move(running_);
  running_.reset();
  // The next job starts before this one's callback, which may open a dialog.
  startNext();
  if (job->done) job->done(job->outcome);
}

}  // namespace solwire
