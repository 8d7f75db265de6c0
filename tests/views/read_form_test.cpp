// The file viewer on the offscreen platform: rich text and plain text shown
// as saved, the error line and one beep for a file that is missing, unreadable
// or no data file, the texts of each language, reloading, printing and
// closing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>
#include <fstream>
#include <string>

#include "protocol/link_environment.h"
#include "store/rich_text_file.h"
#include "views/read_form.h"

namespace solwire {
namespace {

class CountingFeedback : public Feedback {
 public:
  void beep() override { ++beeps; }
  int beeps = 0;
};

class ReadFormTest : public ::testing::Test {
 protected:
  ReadFormTest() {
    form.applyLanguage(0, QFont("Arial", 10));
    QObject::connect(&form, &TReadform::closedByOperator, [this] { ++closed; });
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
  form.showFile(file);

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
  form.applyLanguage(2, QFont("WenQuanYi Micro Hei", 12));
  form.showFile(file);
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("查看存档的数据"));
  EXPECT_EQ(form.filelab->text(), QString::fromUtf8("存档的数据:  ") + file);
  EXPECT_EQ(form.filelab->toolTip(), QString::fromUtf8("数据文档的名称"));
  EXPECT_EQ(form.BitBtn1->toolTip(), QString::fromUtf8("打印文档"));
  EXPECT_EQ(form.BitBtn2->toolTip(), QString::fromUtf8("关闭窗口"));
  EXPECT_EQ(form.Readedit->font().family(), "WenQuanYi Micro Hei");
  EXPECT_EQ(form.filelab->font().pointSize(), 12);

  // A language chosen while the window is open shows at once.
  form.applyLanguage(1, QFont("Arial", 10));
  EXPECT_EQ(form.windowTitle(), "Regard Data en file");
  EXPECT_EQ(form.filelab->text(), "Data en file: " + file);
  EXPECT_EQ(form.BitBtn2->toolTip(), "Sortie");
}

TEST_F(ReadFormTest, AMissingFileShowsTheErrorLineAndBeepsOnce) {
  form.showFile(pathOf("REPORT.RTF"));
  EXPECT_EQ(shownText(), "Error -file does not exist");
  EXPECT_EQ(feedback.beeps, 1);

  form.hide();
  form.applyLanguage(2, QFont("WenQuanYi Micro Hei", 12));
  form.showFile(pathOf("REPORT.RTF"));
  EXPECT_EQ(shownText(), QString::fromUtf8("错误 - 文件不存在"));
  EXPECT_EQ(feedback.beeps, 2);
}

TEST_F(ReadFormTest, APlainTextFileShowsAsTextInTheLanguageFont) {
  form.applyLanguage(0, QFont("DejaVu Sans", 11));
  form.showFile(writeFile("NOTES.TXT", "first\tline\r\nsecond line\n"));
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
    form.showFile(file);
    EXPECT_EQ(shownText(), "Error -not a data file");
    EXPECT_EQ(feedback.beeps, ++beeps);
  }
}

// A file whose reading fails after it opened (the system refuses the read
// for every user, root included): the reason goes below the line.
TEST_F(ReadFormTest, AFileThatFailsToReadShowsTheReason) {
  form.showFile("/proc/self/mem");
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
    form.showFile(writeFile(name, bytes));
    EXPECT_EQ(shownText(), text);
  }
  EXPECT_EQ(feedback.beeps, 0);
}

TEST_F(ReadFormTest, ShowingAgainReadsTheFileAgain) {
  const QString first = writeFile("FIRST.TXT", "first file");
  const QString second = writeFile("SECOND.TXT", "second file");
  form.showFile(first);
  form.showFile(second);  // while open
  EXPECT_EQ(shownText(), "second file");
  EXPECT_EQ(form.filelab->text(), "Data in file:  " + second);

  writeFile("SECOND.TXT", "second file, one more entry");
  form.hide();
  form.show();
  EXPECT_EQ(shownText(), "second file, one more entry");

  // Back to a missing name after a good file: nothing of the old file stays.
  form.showFile(pathOf("GONE.TXT"));
  EXPECT_EQ(shownText(), "Error -file does not exist");
}

TEST_F(ReadFormTest, PrintsTheShownDocumentWithTheLanguageTitle) {
  form.showFile(writeFile("DATA.TXT", "to paper"));
  EXPECT_FALSE(form.BitBtn1->isEnabled());

  QString printedText;
  QString printedTitle;
  form.setPrintAction([&](const QTextDocument& document, const QString& title) {
    printedText = document.toPlainText();
    printedTitle = title;
  });
  form.applyLanguage(2, QFont("WenQuanYi Micro Hei", 12));
  form.BitBtn1->click();
  EXPECT_EQ(printedText, "to paper");
  EXPECT_EQ(printedTitle, QString::fromUtf8("KVRD 数据印出"));
}

TEST_F(ReadFormTest, TheCloseButtonHidesTheWindowAndTellsTheMainWindow) {
  form.showFile(writeFile("DATA.TXT", "x"));
  form.BitBtn2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(closed, 1);
}

}  // namespace
}  // namespace solwire
