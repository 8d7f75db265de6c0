// The main window's data reports: the save button appends one report to the
// data file, the print button prints one (here to SOLWIRE_PRINT_TO), the
// viewer prints the file it shows, and each log reading becomes an entry of
// the log file named at that moment.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "protocol/status_messages.h"
#include "tests/support/link_state_access.h"
#include "app/main_form_log_writer.h"
#include "app/status_panels.h"
#include "app/up_down.h"
#include "store/rich_text_file.h"
#include "store/rich_text_print.h"
#include "tests/app/main_form_fakes.h"
#include "tests/support/reply_bytes.h"
#include "views/read_form.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::currentStateReply;

// A 48 V regulator in state 3, 25 V on the battery.
const std::vector<int> kSiteValues{0x4B, 0, 0, 0x40, 0, 0, 141, 120, 0, 5, 0, 6, 3};

std::string fileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

void writeBytes(const QString& path, const std::string& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string documentText(const QString& path) {
  return loadRichTextFile(std::filesystem::path(path.toStdString())).plainText();
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The text of a PDF, as pdftotext reads it.
QString pdfText(const QString& pdf) {
  const QString tool = QStandardPaths::findExecutable("pdftotext");
  if (tool.isEmpty()) {
    ADD_FAILURE() << "pdftotext is missing (poppler-utils, see scripts/setup.sh)";
    return {};
  }
  QProcess process;
  process.start(tool, {"-enc", "UTF-8", "-layout", pdf, "-"});
  if (!process.waitForFinished(30000)) {
    ADD_FAILURE() << "pdftotext did not finish";
    return {};
  }
  return QString::fromUtf8(process.readAllStandardOutput());
}

class MainFormReportsTest : public ::testing::Test, public test::MainFormFakes {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    form = std::make_unique<Tmainform>(MainFormServices{store, clock, feedback, log, dial},
                                       LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher});
    log.attach(form.get());
    form->reportError = [this](const QString& message) { errors.push_back(message); };
    form->Timer1Timer();  // the start-up hold ends with the first tick
    LinkStateAccess::of(form->link()).Deferred = DeferredRequest::None;
  }

  void TearDown() override {
    qunsetenv(kPrintToVariable);
    form->attachDataWindows(DataWindows{});
    log.attach(nullptr);
    form.reset();
  }

  QString path(const QString& name) const { return dir.filePath(name); }

  // The selected site's current state, and its box ticked.
  void receiveCurrentState() {
    form->Getdata(Requester::CurrentStateView);
    directMatcher.deliver(currentStateReply(2, kSiteValues));
    form->Currsavecheck->setChecked(true);
    feedback.beeps = 0;
  }

  // A log reading of the log site, as the hour's request brings it.
  void receiveLogReading() {
    form->Getdata(Requester::MainWindow);
    directMatcher.deliver(currentStateReply(2, kSiteValues));
  }

  // Printing runs in a worker; its outcome comes back through the event loop.
  bool printsFinish() {
    QDeadlineTimer deadline(60s);
    while (form->printer().pendingJobs() > 0 && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return form->printer().pendingJobs() == 0;
  }

  QTemporaryDir dir;
  MainFormLogWriter log;
  std::unique_ptr<Tmainform> form;
  std::vector<QString> errors;
};

// ---- Save --------------------------------------------------------------------

TEST_F(MainFormReportsTest, SavingTwiceLeavesTwoReportsTheSecondAfterTheFirst) {
  EXPECT_TRUE(form->Savebutton->isEnabled());
  receiveCurrentState();
  form->fileedit->setText(path("TOWER"));
  form->SavebuttonClick();  // the fakes' clock starts at 10:30:00
  clock.advance(65s);
  form->SavebuttonClick();

  const std::string text = documentText(path("TOWER"));
  EXPECT_EQ(count(text, std::string(101, '-')), 2u);
  EXPECT_EQ(count(text, "KVRD DATA"), 2u);
  EXPECT_EQ(count(text, "Battery Voltage"), 2u);
  const std::size_t first = text.find("10:30:00");
  const std::size_t second = text.find("10:31:05");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_LT(first, text.find("Battery Voltage"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(feedback.beeps, 0);
}

// On this system "report.rtf" and "REPORT.RTF" are two files.
TEST_F(MainFormReportsTest, AFileNameKeepsTheCaseItWasTypedIn) {
  receiveCurrentState();
  const QString typed = path("reports/Tower-3.rtf");
  ASSERT_TRUE(QDir(dir.path()).mkdir("reports"));
  form->fileedit->setText(typed);
  emit form->fileedit->textEdited(typed);  // as when typed
  EXPECT_EQ(form->fileedit->text(), typed);
  form->SavebuttonClick();
  EXPECT_TRUE(QFile::exists(typed));
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? std::string() : errors.front().toStdString());
}

TEST_F(MainFormReportsTest, ARelativeNameIsTakenFromTheWorkingDirectory) {
  receiveCurrentState();
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  form->fileedit->setText("SAVEFILE");
  form->SavebuttonClick();
  QDir::setCurrent(before);
  EXPECT_TRUE(QFile::exists(path("SAVEFILE")));
}

TEST_F(MainFormReportsTest, ASectionIsWrittenOnlyWhenItsBoxIsEnabledAndTicked) {
  struct Case {
    bool enabled;
    bool ticked;
  };
  const std::vector<std::pair<QCheckBox*, std::string>> sections{{form->Currsavecheck, "Battery Voltage"},
                                                                 {form->Datasavecheck, "LOGGED DATA"},
                                                                 {form->Setsavecheck, "Control Settings"},
                                                                 {form->Calsavecheck, "Calibration"}};
  int file = 0;
  for (const Case c : {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
    for (const auto& [box, heading] : sections) {
      for (const auto& [other, unused] : sections) {
        other->setEnabled(false);
        other->setChecked(true);
      }
      box->setEnabled(c.enabled);
      box->setChecked(c.ticked);
      const QString name = path(QString("REPORT%1").arg(++file));
      form->fileedit->setText(name);
      form->SavebuttonClick();
      if (!(c.enabled && c.ticked)) {
        // Nothing to report: no file with a header over a state never read.
        EXPECT_FALSE(QFile::exists(name)) << heading << " enabled " << c.enabled << " ticked " << c.ticked;
        EXPECT_TRUE(form->statusBar().panelText(5).startsWith("Nothing was saved: no data of site 0"))
            << form->statusBar().panelText(5).toStdString();
        continue;
      }
      const std::string text = documentText(name);
      EXPECT_NE(text.find(heading), std::string::npos) << heading;
      EXPECT_EQ(count(text, "KVRD DATA"), 1u);
    }
  }
}

TEST_F(MainFormReportsTest, SaveAndPrintSayWhereTheReportWent) {
  receiveCurrentState();
  form->fileedit->setText(path("TOWER"));
  form->SavebuttonClick();
  const QString size = QLocale().toString(QFileInfo(path("TOWER")).size());
  EXPECT_EQ(form->statusBar().panelText(5), "The data were saved to " + path("TOWER") + " (now " + size + " bytes).");
  const QString pdf = path("OUT.PDF");
  qputenv(kPrintToVariable, pdf.toLocal8Bit());
  form->englishselectClick(Language::Chinese);
  form->PrintbuttonClick();
  ASSERT_TRUE(printsFinish());
  EXPECT_EQ(form->statusBar().panelText(5), QString::fromUtf8("报告已打印到 ") + pdf + QString::fromUtf8("。"));
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormReportsTest, NothingReadForTheSiteIsNeitherSavedNorPrinted) {
  form->sitesel->stepBy(3);
  form->fileedit->setText(path("EMPTY"));
  form->SavebuttonClick();
  EXPECT_FALSE(QFile::exists(path("EMPTY")));
  EXPECT_EQ(form->statusBar().panelText(5),
            "Nothing was saved: no data of site 3 have been read yet, or no section is ticked.");
  const QString pdf = path("EMPTY.PDF");
  qputenv(kPrintToVariable, pdf.toLocal8Bit());
  form->PrintbuttonClick();
  EXPECT_EQ(form->printer().pendingJobs(), 0);
  ASSERT_TRUE(printsFinish());
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(form->statusBar().panelText(5).startsWith("Nothing was printed: no data of site 3"));
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainFormReportsTest, TheBoxesAreEnabledByTheirRepliesAndAllDisabledBySiteChange) {
  for (QCheckBox* box : {form->Currsavecheck, form->Datasavecheck, form->Setsavecheck, form->Calsavecheck})
    EXPECT_FALSE(box->isEnabled());
  receiveCurrentState();
  EXPECT_TRUE(form->Currsavecheck->isEnabled());
  EXPECT_FALSE(form->Setsavecheck->isEnabled());

  form->Getdata(Requester::SettingsView);
  directMatcher.deliver(test::memoryReply(std::vector<int>(16, 0)));
  EXPECT_TRUE(form->Setsavecheck->isEnabled());
  EXPECT_FALSE(form->Calsavecheck->isEnabled());
  form->Getdata(Requester::CalibrationButton);
  directMatcher.deliver(test::memoryReply(std::vector<int>(16, 0)));
  EXPECT_TRUE(form->Calsavecheck->isEnabled());

  EXPECT_FALSE(form->Datasavecheck->isEnabled());
  form->Getdata(Requester::HistoryView);
  directMatcher.deliver(test::historyReply(std::vector<int>(24, 0)));
  clock.advance(1000ms);  // the block is taken in once its wait is over
  EXPECT_TRUE(form->Datasavecheck->isEnabled());

  form->sitesel->stepBy(1);
  for (QCheckBox* box : {form->Currsavecheck, form->Datasavecheck, form->Setsavecheck, form->Calsavecheck})
    EXPECT_FALSE(box->isEnabled());
}

TEST_F(MainFormReportsTest, ANewFileIsWrittenInTheLanguagesFontAndTheBufferFollowsIt) {
  receiveCurrentState();
  form->englishselectClick(Language::Chinese);
  const std::string chineseFace = form->languages().qfont().family().toStdString();
  EXPECT_EQ(form->Saveedit().fontName(), chineseFace);
  form->fileedit->setText(path("CHINESE"));
  form->SavebuttonClick();
  const RichTextDocument saved = loadRichTextFile(path("CHINESE").toStdString());
  EXPECT_EQ(saved.fontName(), chineseFace);
  EXPECT_NE(saved.plainText().find("KVRD 数据"), std::string::npos);

  form->englishselectClick(Language::English);
  EXPECT_EQ(form->Saveedit().fontName(), form->languages().qfont().family().toStdString());
}

TEST_F(MainFormReportsTest, AFileThatIsNoDocumentIsLeftAsItWasAndTheOperatorIsTold) {
  receiveCurrentState();
  const std::vector<std::pair<const char*, std::string>> hostile{
      {"UNBALANCED", "{\\rtf1\\ansi {\\b unfinished"},
      {"JUNK", std::string("\x7f" "ELF\0\x01\x02\xff\xfe junk", 15)}};
  for (const auto& [name, bytes] : hostile) {
    errors.clear();
    const QString file = path(name);
    writeBytes(file, bytes);
    form->fileedit->setText(file);
    form->SavebuttonClick();
    EXPECT_EQ(fileBytes(file), bytes) << name;
    ASSERT_EQ(errors.size(), 1u) << name;
    EXPECT_TRUE(errors.front().startsWith("The data were not saved to " + file + ": ")) << errors.front().toStdString();
    EXPECT_EQ(form->statusBar().panelText(5), errors.front());
  }
  // The program goes on working.
  form->fileedit->setText(path("GOOD"));
  form->SavebuttonClick();
  EXPECT_EQ(count(documentText(path("GOOD")), "KVRD DATA"), 1u);
}

TEST_F(MainFormReportsTest, AFileInAMissingFolderIsToldInTheCurrentLanguage) {
  receiveCurrentState();
  form->englishselectClick(Language::Chinese);
  const QString file = path("NO-SUCH-FOLDER/DATA");
  form->fileedit->setText(file);
  form->SavebuttonClick();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors.front().startsWith(QString::fromUtf8("数据未能保存到 ") + file)) << errors.front().toStdString();
  EXPECT_FALSE(QFile::exists(file));
}

TEST_F(MainFormReportsTest, AFullDiskBeepsThreeTimesForANewFileButAnExistingOneGrows) {
  receiveCurrentState();
  form->freeDiskBytes = [](const std::filesystem::path&) -> std::uintmax_t { return kMinFreeBytesForNewFile; };
  form->fileedit->setText(path("FULL"));
  form->SavebuttonClick();
  EXPECT_EQ(feedback.beeps, 3);
  EXPECT_FALSE(QFile::exists(path("FULL")));
  EXPECT_EQ(form->statusBar().panelText(5),
            "The data were not saved: the disk that would hold " + path("FULL") + " is full.");
  EXPECT_TRUE(errors.empty());

  form->freeDiskBytes = [](const std::filesystem::path&) -> std::uintmax_t { return kMinFreeBytesForNewFile + 1; };
  form->SavebuttonClick();
  EXPECT_EQ(feedback.beeps, 3);
  form->freeDiskBytes = [](const std::filesystem::path&) -> std::uintmax_t { return 0; };
  form->SavebuttonClick();
  EXPECT_EQ(count(documentText(path("FULL")), "KVRD DATA"), 2u);
  EXPECT_EQ(feedback.beeps, 3);
}

// ---- Print -------------------------------------------------------------------

TEST_F(MainFormReportsTest, APrintoutHoldsTheReportInEnglishAndChinese) {
  receiveCurrentState();
  const std::vector<std::pair<int, QString>> languages{{0, "KVRD DATA"}, {2, QString::fromUtf8("KVRD 数据")}};
  for (const auto& [language, title] : languages) {
    const QString pdf = path(QString("PRINTOUT%1.PDF").arg(language));
    qputenv(kPrintToVariable, pdf.toLocal8Bit());
    form->englishselectClick(languageFromIndex(language));
    form->PrintbuttonClick();
    ASSERT_TRUE(printsFinish());
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(title)) << text.toStdString();
    EXPECT_EQ(text.count(title), 1);
    EXPECT_TRUE(text.contains(language == 0 ? "Battery Voltage" : QString::fromUtf8("电池电压"))) << text.toStdString();
  }
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(form->Printbutton->isEnabled());
}

TEST_F(MainFormReportsTest, APrintoutThatCannotBeWrittenIsToldAndLeavesNoFile) {
  receiveCurrentState();
  const QString pdf = path("NO-SUCH-FOLDER/OUT.PDF");
  qputenv(kPrintToVariable, pdf.toLocal8Bit());
  form->PrintbuttonClick();
  ASSERT_TRUE(printsFinish());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(errors.front().startsWith("The printout was not written to " + pdf + ": ")) << errors.front().toStdString();
  EXPECT_EQ(form->statusBar().panelText(5), errors.front());
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(MainFormReportsTest, TheViewersPrintButtonPrintsTheFileItShows) {
  TReadform viewer(feedback);
  form->attachDataWindows(DataWindows{.viewer = &viewer});
  writeBytes(path("NOTES"), "Tower 7 battery bank replaced\n");
  form->fileedit->setText(path("NOTES"));
  form->ReadbuttonClick();
  ASSERT_TRUE(viewer.isVisible());
  ASSERT_TRUE(viewer.BitBtn1->isEnabled());
  // The viewer reads the file in the background.
  QDeadlineTimer deadline(60s);
  while (viewer.loading() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_FALSE(viewer.loading());
  const QString pdf = path("VIEWED.PDF");
  qputenv(kPrintToVariable, pdf.toLocal8Bit());
  viewer.BitBtn1Click();
  ASSERT_TRUE(printsFinish());
  const QString text = pdfText(pdf);
  EXPECT_TRUE(text.contains("Tower 7 battery bank replaced")) << text.toStdString();
  EXPECT_FALSE(text.contains("KVRD DATA"));
  EXPECT_TRUE(errors.empty());
  form->attachDataWindows(DataWindows{});
  EXPECT_FALSE(viewer.BitBtn1->isEnabled());
}

// ---- Periodic log ------------------------------------------------------------

class PeriodicLogTest : public MainFormReportsTest {
 protected:
  void SetUp() override {
    MainFormReportsTest::SetUp();
    form->logedit->setText(path("LOG1"));
    form->logsite->setValue(2);
  }
};

TEST_F(PeriodicLogTest, TheHoursRequestBringsAnEntryOnTheTickAfterTheReply) {
  form->Samplecheck->setChecked(true);
  form->SamplecheckClick();
  form->rateedit->setValue(1);
  clock.advance(29min + 59s);  // 10:59:59
  form->Timer1Timer();
  const std::size_t sentBefore = directPort.sent.size();
  clock.advance(1000ms);
  form->Timer1Timer();  // the hour changes: the log site is asked
  ASSERT_EQ(directPort.sent.size(), sentBefore + 1);
  EXPECT_FALSE(QFile::exists(path("LOG1")));
  directMatcher.deliver(currentStateReply(2, kSiteValues));
  EXPECT_FALSE(QFile::exists(path("LOG1")));  // written on the next tick
  clock.advance(1000ms);
  form->Timer1Timer();
  const std::string text = documentText(path("LOG1"));
  EXPECT_EQ(count(text, "KVRD DATA"), 1u);
  EXPECT_NE(text.find("11:00:01"), std::string::npos) << text;
  EXPECT_EQ(count(text, "Battery Voltage"), 1u);
  EXPECT_EQ(text.find("LOGGED DATA"), std::string::npos);
}

TEST_F(PeriodicLogTest, AFailedReadingWritesNothingAndANewNameStartsANewFile) {
  receiveLogReading();
  form->Timer1Timer();
  const std::string first = fileBytes(path("LOG1"));
  ASSERT_EQ(count(documentText(path("LOG1")), "KVRD DATA"), 1u);

  form->Getdata(Requester::MainWindow);
  directMatcher.timeOutNow();
  clock.advance(form->link().guardTime());  // the line falls quiet again
  form->Timer1Timer();
  form->Timer1Timer();
  EXPECT_EQ(fileBytes(path("LOG1")), first);

  receiveLogReading();
  form->Timer1Timer();
  EXPECT_EQ(count(documentText(path("LOG1")), "KVRD DATA"), 2u);
  const std::string second = fileBytes(path("LOG1"));

  form->logedit->setText(path("LOG2"));
  receiveLogReading();
  form->Timer1Timer();
  EXPECT_EQ(fileBytes(path("LOG1")), second);
  EXPECT_EQ(count(documentText(path("LOG2")), "KVRD DATA"), 1u);
}

TEST_F(PeriodicLogTest, AFullDiskLosesTheSampleWithThreeBeeps) {
  form->freeDiskBytes = [](const std::filesystem::path&) -> std::uintmax_t { return 100; };
  receiveLogReading();
  feedback.beeps = 0;
  form->Timer1Timer();
  EXPECT_EQ(feedback.beeps, 3);
  EXPECT_FALSE(QFile::exists(path("LOG1")));
}

TEST_F(PeriodicLogTest, ProblemsShowOneMessageBoxAtATimeWithTheLatestText) {
  form->logedit->setText(path("NO-SUCH-FOLDER/LOG"));
  for (int reading = 0; reading < 3; ++reading) {
    receiveLogReading();
    form->Timer1Timer();
  }
  const auto boxes = form->findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes.front()->isVisible());
  EXPECT_FALSE(boxes.front()->isModal());
  EXPECT_TRUE(boxes.front()->text().startsWith("The log entry was not written to " + path("NO-SUCH-FOLDER/LOG")))
      << boxes.front()->text().toStdString();
  EXPECT_EQ(form->statusBar().panelText(5), boxes.front()->text());

  // Once the operator has closed it, the next problem opens a box again.
  boxes.front()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form->findChildren<QMessageBox*>().isEmpty());
  form->logedit->setText(dir.path());  // a folder
  receiveLogReading();
  form->Timer1Timer();
  ASSERT_EQ(form->findChildren<QMessageBox*>().size(), 1);
  EXPECT_TRUE(form->findChildren<QMessageBox*>().front()->text().contains(dir.path()));
  EXPECT_TRUE(errors.empty());  // the save path's box is not used for the log
}

}  // namespace
}  // namespace solwire
