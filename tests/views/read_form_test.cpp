// The file viewer on the offscreen platform: rich text and plain text shown
// as saved, the error line and one beep for a file that is missing, unreadable
// or no data file, the texts of each language, reloading, printing and
// closing; a long log shown while it is read, and given up part way; the
// history table's columns.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "protocol/link_environment.h"
#include "protocol/status_messages.h"
#include "store/report_composer.h"
#include "store/rich_text_file.h"
#include "store/rich_text_qt.h"
#include "store/rtf_writer.h"
#include "views/read_form.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class CountingFeedback : public Feedback {
 public:
  void beep() override { ++beeps; }
  int beeps = 0;
};

class ReadFormTest : public ::testing::Test {
 protected:
  ReadFormTest() {
    form.applyLanguage(Language::English, QFont("Arial", 10));
    QObject::connect(&form, &TReadform::closedByOperator, [this] { ++closed; });
  }

  // Shows the file and lets the event loop run until it is shown whole.
  void showWhole(const QString& file) {
    form.showFile(file);
    EXPECT_TRUE(loaded());
  }
  bool loaded() { return runUntil([this] { return !form.loading(); }); }
  static bool runUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(60s);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }

  QString pathOf(const char* name) const { return dir.filePath(name); }
  QString writeFile(const char* name, const std::string& bytes) const {
    std::ofstream(pathOf(name).toStdString(), std::ios::binary) << bytes;
    return pathOf(name);
  }
  QString shownText() const { return form.Readedit->toPlainText(); }

  // The first fragment whose text contains `text`.
  QTextFragment fragmentWith(const QString& text) const {
    for (QTextBlock block = form.Readedit->document()->begin(); block.isValid(); block = block.next())
      for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().text().contains(text)) return it.fragment();
    return {};
  }

  QTemporaryDir dir;
  CountingFeedback feedback;
  TReadform form{feedback};
  int closed = 0;
};

RichTextDocument reportWithChinese() {
  RichTextDocument document;
  document.appendRun("站位 3", 13, kBlue);
  document.appendRun("\t25.0 V", 10, kRed);
  document.endParagraph();
  document.appendRun("second line", 10);
  return document;
}

TEST_F(ReadFormTest, ShowsASavedReportWithItsTextColoursAndSizes) {
  const QString file = pathOf("REPORT.RTF");
  saveRichTextFile(file.toStdString(), reportWithChinese());
  showWhole(file);

  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(shownText(), QString::fromUtf8("站位 3\t25.0 V\nsecond line"));
  const QTextFragment chinese = fragmentWith(QString::fromUtf8("站位"));
  ASSERT_TRUE(chinese.isValid());
  EXPECT_EQ(chinese.charFormat().foreground().color(), QColor(0, 0, 255));
  EXPECT_DOUBLE_EQ(chinese.charFormat().fontPointSize(), 13);
  EXPECT_EQ(fragmentWith("25.0").charFormat().foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(form.filelab->text(), "Data in file:  " + file);
  EXPECT_EQ(feedback.beeps, 0);
}

TEST_F(ReadFormTest, EachLanguageHasItsTextsAndFont) {
  const QString file = writeFile("LOG.TXT", "x");
  form.applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  showWhole(file);
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("查看存档的数据"));
  EXPECT_EQ(form.filelab->text(), QString::fromUtf8("存档的数据:  ") + file);
  EXPECT_EQ(form.filelab->toolTip(), QString::fromUtf8("数据文档的名称"));
  EXPECT_EQ(form.BitBtn1->toolTip(), QString::fromUtf8("打印文档"));
  EXPECT_EQ(form.BitBtn2->toolTip(), QString::fromUtf8("关闭窗口"));
  EXPECT_EQ(form.Readedit->font().family(), "WenQuanYi Micro Hei");
  EXPECT_EQ(form.filelab->font().pointSize(), 12);

  // A language chosen while the window is open shows at once.
  form.applyLanguage(Language::French, QFont("Arial", 10));
  EXPECT_EQ(form.windowTitle(), "Regard Data en file");
  EXPECT_EQ(form.filelab->text(), "Data en file: " + file);
  EXPECT_EQ(form.BitBtn2->toolTip(), "Sortie");
}

TEST_F(ReadFormTest, AMissingFileShowsTheErrorLineAndBeepsOnce) {
  showWhole(pathOf("REPORT.RTF"));
  EXPECT_EQ(shownText(), "Error -file does not exist");
  EXPECT_EQ(feedback.beeps, 1);

  form.hide();
  form.applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  showWhole(pathOf("REPORT.RTF"));
  EXPECT_EQ(shownText(), QString::fromUtf8("错误 - 文件不存在"));
  EXPECT_EQ(feedback.beeps, 2);
}

TEST_F(ReadFormTest, APlainTextFileShowsAsTextInTheLanguageFont) {
  form.applyLanguage(Language::English, QFont("DejaVu Sans", 11));
  showWhole(writeFile("NOTES.TXT", "first\tline\r\nsecond line\n"));
  EXPECT_EQ(shownText(), "first\tline\nsecond line\n");
  const QTextCharFormat format = fragmentWith("first").charFormat();
  EXPECT_TRUE(format.fontFamilies().toStringList().contains("DejaVu Sans"));
  EXPECT_DOUBLE_EQ(format.fontPointSize(), 11);
  EXPECT_EQ(feedback.beeps, 0);
}

TEST_F(ReadFormTest, WhatIsNoDataFileShowsALineAndBeepsWithoutHanging) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 37 + 11) % 256));
  const QString fifo = pathOf("PIPE");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

  int beeps = 0;
  for (const QString& file : {writeFile("JUNK.BIN", junk), dir.path(), fifo}) {
    SCOPED_TRACE(file.toStdString());
    showWhole(file);
    EXPECT_EQ(shownText(), "Error -not a data file");
    EXPECT_EQ(feedback.beeps, ++beeps);
  }
}

// A file whose reading fails after it opened (the system refuses the read
// for every user, root included): the reason goes below the line.
TEST_F(ReadFormTest, AFileThatFailsToReadShowsTheReason) {
  showWhole("/proc/self/mem");
  EXPECT_EQ(shownText(), "Error -file cannot be read\ncannot read: Input/output error");
  EXPECT_EQ(feedback.beeps, 1);
}

TEST_F(ReadFormTest, HostileRtfShowsWhatTextItHas) {
  const std::string deep = "{\\rtf1 " + std::string(200'000, '{') + "deep text" + std::string(5, '}');
  const std::string unbalanced = "{\\rtf1 {\\fs99999999999999999 loose} {\\cf999999 end}}}}}";
  const std::string truncatedBinary = "{\\rtf1 before\\bin2000000000 \x01\x02";
  for (const auto& [name, bytes, text] : {std::tuple{"DEEP.RTF", deep, "deep text"},
                                         std::tuple{"UNBALANCED.RTF", unbalanced, "loose end"},
                                         std::tuple{"BIN.RTF", truncatedBinary, "before"}}) {
    SCOPED_TRACE(name);
    showWhole(writeFile(name, bytes));
    EXPECT_EQ(shownText(), text);
  }
  EXPECT_EQ(feedback.beeps, 0);
}

TEST_F(ReadFormTest, ShowingAgainReadsTheFileAgain) {
  const QString first = writeFile("FIRST.TXT", "first file");
  const QString second = writeFile("SECOND.TXT", "second file");
  form.showFile(first);
  showWhole(second);  // while open
  EXPECT_EQ(shownText(), "second file");
  EXPECT_EQ(form.filelab->text(), "Data in file:  " + second);

  writeFile("SECOND.TXT", "second file, one more entry");
  form.hide();
  form.show();
  ASSERT_TRUE(loaded());
  EXPECT_EQ(shownText(), "second file, one more entry");

  // Back to a missing name after a good file: nothing of the old file stays.
  showWhole(pathOf("GONE.TXT"));
  EXPECT_EQ(shownText(), "Error -file does not exist");
}

TEST_F(ReadFormTest, PrintsTheShownDocumentWithTheLanguageTitle) {
  showWhole(writeFile("DATA.TXT", "to paper"));
  EXPECT_FALSE(form.BitBtn1->isEnabled());

  QString printedText;
  QString printedTitle;
  form.setPrintAction([&](const QTextDocument& document, const QString& title) {
    printedText = document.toPlainText();
    printedTitle = title;
  });
  form.applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  form.BitBtn1->click();
  EXPECT_EQ(printedText, "to paper");
  EXPECT_EQ(printedTitle, QString::fromUtf8("KVRD 数据印出"));
}

// ---- Long files: read in the background, shown a piece at a time ----

LogReading readingAt(int hour) {
  LogReading reading;
  reading.site = 4;
  reading.scaling = Scaling{2, 4, 4, false};
  reading.current.batteryVoltageReading = 25 * 1280 + hour * 41;
  reading.current.chargeCurrentReading = 640 * 4 + hour;
  reading.current.loadCurrentReading = 640 + hour;
  reading.current.dailyMaxVoltage = 143;
  reading.current.dailyMinVoltage = 116;
  reading.current.chargeAh = 20 + hour;
  reading.current.loadAh = 7 + hour;
  reading.current.stateCode = hour % 16;
  return reading;
}

// A log of entries in the three languages, of at least `bytes` bytes.
void writeLongLog(const QString& file, std::size_t bytes) {
  RichTextDocument log;
  for (int entry = 0; writeRtf(log).size() < bytes; entry += 500) {
    for (int i = entry; i < entry + 500; ++i) {
      log.append(composeLogEntry(readingAt(i % 24), static_cast<Language>(i % 3),
                                 ReportStamp{"07/12/2026", std::to_string(i) + ":00:00"}));
    }
  }
  saveRichTextFile(file.toStdString(), log);
}

class LongFileTest : public ReadFormTest {
 protected:
  static void SetUpTestSuite() {
    longLog_ = new QTemporaryDir;
    writeLongLog(longLog(), 3'000'000);
  }
  static void TearDownTestSuite() { delete longLog_; }
  static QString longLog() { return longLog_->filePath("LONG.LOG"); }

  // Shows the long log and runs the event loop until its start is shown.
  void showStartOfLongLog() {
    form.showFile(longLog());
    ASSERT_TRUE(runUntil([this] { return !form.Readedit->document()->isEmpty(); }));
    ASSERT_TRUE(form.loading());
  }

 private:
  static inline QTemporaryDir* longLog_ = nullptr;
};

TEST_F(LongFileTest, TheStartShowsAtOnceWithTheBarAndTheWholeFileEndsUpAsALoadWouldShowIt) {
  form.showFile(longLog());
  EXPECT_TRUE(form.loading());
  EXPECT_TRUE(form.Loadbar->isVisible());
  EXPECT_TRUE(form.shownDocument().empty());

  // Each turn of the event loop shows a little more, the bar follows.
  int turnsWhileShowing = 0;
  int lastBar = 0;
  bool barRose = false;
  ASSERT_TRUE(runUntil([&] {
    if (form.loading() && !form.Readedit->document()->isEmpty()) {
      ++turnsWhileShowing;
      barRose = barRose || (form.Loadbar->value() > lastBar && form.Loadbar->value() < 100);
      lastBar = form.Loadbar->value();
      EXPECT_TRUE(form.Loadbar->isVisible());
    }
    return !form.loading();
  }));
  EXPECT_GT(turnsWhileShowing, 10);
  EXPECT_TRUE(barRose);
  EXPECT_FALSE(form.Loadbar->isVisible());

  const RichTextDocument whole = loadRichTextFile(longLog().toStdString());
  EXPECT_EQ(form.shownDocument(), whole);
  const std::unique_ptr<QTextDocument> expected = toTextDocument(whole);
  EXPECT_EQ(form.Readedit->document()->blockCount(), expected->blockCount());
  EXPECT_EQ(shownText(), expected->toPlainText());
  EXPECT_EQ(form.Readedit->document()->defaultTextOption().tabStopDistance(),
            expected->defaultTextOption().tabStopDistance());
  EXPECT_EQ(form.Readedit->textCursor().position(), 0);  // the view stays at the start
  EXPECT_EQ(feedback.beeps, 0);
}

TEST_F(LongFileTest, AnotherFileOrClosingWhileReadingDropsTheReadUnderWay) {
  showStartOfLongLog();
  const QString notes = writeFile("NOTES.TXT", "short notes");
  showWhole(notes);
  EXPECT_EQ(shownText(), "short notes");
  EXPECT_EQ(form.filelab->text(), "Data in file:  " + notes);
  EXPECT_FALSE(form.Loadbar->isVisible());

  showStartOfLongLog();
  form.BitBtn2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(form.loading());
  EXPECT_TRUE(form.Readedit->document()->isEmpty());
  EXPECT_EQ(closed, 1);

  showWhole(notes);
  EXPECT_EQ(shownText(), "short notes");

  // Shown again, the log is read from its start.
  showWhole(longLog());
  EXPECT_EQ(form.shownDocument(), loadRichTextFile(longLog().toStdString()));
}

TEST_F(LongFileTest, AWindowDestroyedWhileReadingLeavesNothingBehind) {
  auto viewer = std::make_unique<TReadform>(feedback);
  viewer->showFile(longLog());
  ASSERT_TRUE(runUntil([&] { return !viewer->Readedit->document()->isEmpty(); }));
  ASSERT_TRUE(viewer->loading());
  viewer.reset();
  // The event loop runs on without the window.
  showWhole(writeFile("AFTER.TXT", "after"));
  EXPECT_EQ(shownText(), "after");
}

TEST_F(LongFileTest, PrintingAskedForWhileReadingPrintsTheWholeFile) {
  int printed = 0;
  int printedBlocks = 0;
  form.setPrintAction([&](const QTextDocument& document, const QString&) {
    ++printed;
    printedBlocks = document.blockCount();
  });
  showStartOfLongLog();
  form.BitBtn1->click();
  EXPECT_EQ(printed, 0);
  ASSERT_TRUE(loaded());
  EXPECT_EQ(printed, 1);
  EXPECT_EQ(printedBlocks, static_cast<int>(form.shownDocument().paragraphs().size()));

  // Given up with the window closed: nothing is printed.
  showStartOfLongLog();
  form.BitBtn1->click();
  form.hide();
  showWhole(writeFile("NOTES.TXT", "notes"));
  EXPECT_EQ(printed, 1);
}

// ---- Columns ----

// Where a block's columns start: the first character and each one that
// follows a tab without being one.
std::vector<int> columnXs(const QTextEdit& edit, const QTextBlock& block) {
  std::vector<int> xs;
  const QString text = block.text();
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '\t' || (i > 0 && text[i - 1] != '\t')) continue;
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + i);
    xs.push_back(edit.cursorRect(cursor).left());
  }
  return xs;
}

TEST_F(ReadFormTest, HistoryValuesStartUnderTheirHeadsInEachLanguage) {
  SiteData data;
  data.scaling = Scaling{1, 1, 1, false};
  for (std::size_t day = 0; day < kHistoryDays; ++day) {
    data.history.chargeAh[day] = static_cast<std::int32_t>(day * 41 % 300);
    data.history.dischargeAh[day] = static_cast<std::int32_t>(day * 7 % 60);
    data.history.maxVoltage[day] = 141;
    data.history.minVoltage[day] = 104 + static_cast<std::int32_t>(day % 9);
  }
  for (const auto& [language, font, firstHead] :
       {std::tuple{Language::English, "Arial", QString("Day")},
        std::tuple{Language::Chinese, "WenQuanYi Micro Hei", QString::fromUtf8("天")}}) {
    SCOPED_TRACE(firstHead.toStdString());
    RichTextDocument report;
    report.setFontName(font);
    report.append(composeReport(data, language, 2, ReportSections{false, true, false, false},
                                ReportStamp{"07/12/2026", "09:15:00"}));
    const QString file = pathOf("HISTORY.RTF");
    saveRichTextFile(file.toStdString(), report);
    showWhole(file);

    std::vector<int> heads;
    int rows = 0;
    for (QTextBlock block = form.Readedit->document()->begin(); block.isValid(); block = block.next()) {
      if (block.text().startsWith(firstHead + "\t")) heads = columnXs(*form.Readedit, block);
      if (heads.empty() || !block.text().contains(QRegularExpression("^\\d+\\t"))) continue;
      ++rows;
      EXPECT_EQ(columnXs(*form.Readedit, block), heads) << block.text().toStdString();
    }
    EXPECT_EQ(heads.size(), 5u);
    EXPECT_EQ(rows, static_cast<int>(kHistoryDays));
  }
}

TEST_F(ReadFormTest, TheCloseButtonHidesTheWindowAndTellsTheMainWindow) {
  showWhole(writeFile("DATA.TXT", "x"));
  form.BitBtn2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace solwire
