// Printing a rich-text document as one job: to the system's default printer,
// or to a PDF file when SOLWIRE_PRINT_TO names one. BackgroundPrinter lays the
// document out and prints it in a worker thread, so that a long file does not
// hold up the window that asked for it. Handed our own document, it builds the
// Qt document in the worker too: copying a QTextDocument of a long log on the
// caller's thread takes longer than copying the runs it was made from.
#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "store/rich_text_document.h"

class QTextDocument;
class QThread;

namespace solwire {

struct PrintDestination {
  // Empty: the system's default printer.
  QString pdfFile;
};

// The environment variable that sends every print job to a PDF file.
inline constexpr const char* kPrintToVariable = "SOLWIRE_PRINT_TO";

// SOLWIRE_PRINT_TO when it is set and not empty, else the default printer.
PrintDestination printDestinationFromEnvironment();

enum class PrintProblem {
  None,
  NoDefaultPrinter,  // the system has no default printer
  CannotWriteFile,   // the PDF file could not be written; `where` is the file
  PrinterFailed      // the printer refused the job; `where` is the printer
};

struct PrintOutcome {
  PrintProblem problem = PrintProblem::None;
  QString where;   // the printer's name or the file, on success too
  QString reason;  // the system's words, when it gave any
  bool ok() const { return problem == PrintProblem::None; }
};

// Prints `document` as one job named `title` and returns once the job has
// been handed to the printer or the file is written. The file is written to
// a temporary name and renamed into place. The document must belong to the
// calling thread; it is laid out for the page.
PrintOutcome printTextDocument(QTextDocument& document, const QString& title, const PrintDestination& destination);

// Print jobs run one after another in worker threads; each outcome is handed
// to its callback on the thread this object belongs to.
class BackgroundPrinter : public QObject {
 public:
  using Done = std::function<void(const PrintOutcome& outcome)>;

  explicit BackgroundPrinter(QObject* parent = nullptr);
  // Finishes the job in progress and prints those still waiting, without
  // calling their callbacks.
  ~BackgroundPrinter() override;

  // Prints `document` (its copy or the moved document itself).
  void print(RichTextDocument document, const QString& title, const PrintDestination& destination, Done done);
  // Prints a copy of `document`, taken now.
  void print(const QTextDocument& document, const QString& title, const PrintDestination& destination, Done done);
  // Prints `document`, which must belong to the calling thread and not have a
  // parent.
  void print(std::unique_ptr<QTextDocument> document, const QString& title, const PrintDestination& destination,
             Done done);

  // Jobs queued or printing whose callback has not been called yet.
  int pendingJobs() const;

 private:
  struct Job;
  void enqueue(std::shared_ptr<Job> job);
  void startNext();
  void finishRunning();

  std::deque<std::shared_ptr<Job>> waiting_;
  std::shared_ptr<Job> running_;
  std::unique_ptr<QThread> worker_;
};

}  // namespace solwire
