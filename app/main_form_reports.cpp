// The main window's data reports: saving one at the end of the data file,
// printing one, the periodic log entry, and telling the operator when a file
// or the printer would not take them.
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <filesystem>

#include "app/main_form.h"
#include "views/qt_text.h"
#include "app/status_panels.h"
#include "app/texts/report_output_texts.h"
#include "app/up_down.h"
#include "store/periodic_log_writer.h"
#include "store/rich_text_print.h"
#include "views/texts/read_texts.h"

namespace solwire {

namespace {

constexpr int kMessagePanel = 5;

// The window appends on the user-interface thread: it waits for a logger
// adding to the same file no longer than the longest pause it allows itself.
constexpr std::chrono::milliseconds kWindowLockWait{80};

// The names the operator types are file names of this system; relative
// names are relative to the working directory.
std::filesystem::path toPath(const QString& name) { return std::filesystem::path(QFile::encodeName(name).toStdString()); }

QString fromPath(const std::filesystem::path& path) { return QFile::decodeName(path.string().c_str()); }

bool inReport(const QCheckBox* box) { return box->isEnabled() && box->isChecked(); }

}  // namespace

ReportSections Tmainform::reportSections() const {
  return {.currentState = inReport(Currsavecheck),
          .history = inReport(Datasavecheck),
          .settings = inReport(Setsavecheck),
          .calibration = inReport(Calsavecheck)};
}

ReportStamp Tmainform::reportStamp() const {
  const LocalTime now = services_.clock.localNow();
  const QDateTime at(QDate(now.year, now.month, now.day), QTime(now.hour, now.minute, now.second));
  const QLocale locale = QLocale::system();
  return {locale.toString(at, locale.dateFormat(QLocale::ShortFormat)).toStdString(),
          locale.toString(at, locale.timeFormat(QLocale::LongFormat)).toStdString()};
}

AppendOptions Tmainform::appendOptions() const {
  AppendOptions options;
  options.fontName = saveedit_.fontName();
  options.freeBytes = freeDiskBytes;
  options.lockWait = kWindowLockWait;
  return options;
}

void Tmainform::composeReportIntoSaveedit() {
  saveedit_.clear();
  saveedit_.append(composeReport(link_->data(), languageFromIndex(languages_.index), sitesel->position(),
                                 reportSections(), reportStamp()));
}

void Tmainform::beepThreeTimes() {
  for (int beep = 0; beep < 3; ++beep) services_.feedback.beep();
}

void Tmainform::tellOperator(const QString& message) {
  Statusb->setPanelText(kMessagePanel, message);
  Statusb->setMessageDetail(QString());
}

// ---- Save ------------------------------------------------------------------

void Tmainform::SavebuttonClick() {
  const QString file = fileedit->text();
  if (!anySectionToReport()) {
    tellOperator(qtText(kNothingReadToSave[languages_.index]).arg(sitesel->position()));
    return;
  }
  composeReportIntoSaveedit();
  try {
    if (appendToRichTextFile(toPath(file), saveedit_, appendOptions()) == AppendOutcome::NoRoomForNewFile) {
      beepThreeTimes();
      tellOperator(qtText(kReportNoRoom[languages_.index]).arg(file));
      return;
    }
    tellOperator(qtText(kReportSaved[languages_.index]).arg(file, QLocale().toString(QFileInfo(file).size())));
  } catch (const RichTextFileError& error) {
    const QString message = qtText(kReportNotSaved[languages_.index]).arg(file, qtText(error.reason()));
    tellOperator(message);
    reportError(message);
  }
}

bool Tmainform::anySectionToReport() const {
  const ReportSections sections = reportSections();
  return sections.currentState || sections.history || sections.settings || sections.calibration;
}

// ---- Print -----------------------------------------------------------------

void Tmainform::PrintbuttonClick() {
  if (!anySectionToReport()) {
    tellOperator(qtText(kNothingReadToPrint[languages_.index]).arg(sitesel->position()));
    return;
  }
  composeReportIntoSaveedit();
  printDocument(saveedit_, qtText(readText(ReadText::PrintTitle)[languages_.index]));
}

void Tmainform::printDocument(RichTextDocument document, const QString& jobTitle) {
  printer_->print(std::move(document), jobTitle, printDestinationFromEnvironment(),
                  [this](const PrintOutcome& outcome) { printed(outcome); });
}

void Tmainform::printed(const PrintOutcome& outcome) {
  const int language = languages_.index;
  if (outcome.ok()) {
    tellOperator(qtText(kReportPrinted[language]).arg(outcome.where));
    return;
  }
  QString message;
  switch (outcome.problem) {
    case PrintProblem::NoDefaultPrinter: message = qtText(kNoDefaultPrinter[language]); break;
    case PrintProblem::PrinterFailed: message = qtText(kPrinterFailed[language]).arg(outcome.where); break;
    case PrintProblem::CannotWriteFile:
      message = qtText(kPrintFileFailed[language]).arg(outcome.where, outcome.reason);
      break;
    case PrintProblem::None: return;
  }
  tellOperator(message);
  reportError(message);
}

// ---- Periodic log ------------------------------------------------------------

void Tmainform::writePeriodicLogEntry(const LogReading& reading) {
  PeriodicLogEnvironment log;
  log.fileName = [this] { return toPath(logedit->text()); };
  log.language = [this] { return languageFromIndex(languages_.index); };
  log.stamp = [this] { return reportStamp(); };
  log.written = [this](const std::filesystem::path&, AppendOutcome outcome) {
    if (outcome == AppendOutcome::NoRoomForNewFile) beepThreeTimes();
  };
  log.failed = [this](const RichTextFileError& error) {
    const QString message =
        qtText(kLogEntryNotWritten[languages_.index]).arg(fromPath(error.path()), qtText(error.reason()));
    tellOperator(message);
    reportLogProblem(message);
  };
  log.append = appendOptions();
  PeriodicLogWriter(std::move(log)).writeLogEntry(reading);
}

void Tmainform::showLogProblemBox(const QString& message) {
  if (logProblemBox_) {
    logProblemBox_->setText(message);
    return;
  }
  logProblemBox_ = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
  logProblemBox_->setAttribute(Qt::WA_DeleteOnClose);
  logProblemBox_->setWindowModality(Qt::NonModal);
  logProblemBox_->show();
}

}  // namespace solwire
