#include "store/rich_text_qt.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextFragment>

namespace solwire {
namespace {

class RichTextQt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QGuiApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "store_tests";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives until the process ends
  }
};

TEST_F(RichTextQt, TextDocumentHasOneBlockPerParagraphAndTheRunFormats) {
  RichTextDocument source;
  source.setFontName("WenQuanYi Micro Hei");
  source.appendRun("KVRD 数据", 13, kBlue, true);
  source.appendRun("\t10.5", 10.5, kRed, false, true);
  source.endParagraph();
  source.endParagraph();
  source.appendRun("last", 10);

  QTextDocument target;
  target.setPlainText("previous content\nto be replaced");
  fillTextDocument(target, source);
  EXPECT_EQ(target.blockCount(), 3);
  EXPECT_EQ(target.toPlainText(), QString::fromUtf8("KVRD 数据\t10.5\n\nlast"));
  EXPECT_EQ(target.defaultFont().family(), "WenQuanYi Micro Hei");

  std::vector<QTextFragment> fragments;
  for (auto it = target.firstBlock().begin(); !it.atEnd(); ++it) fragments.push_back(it.fragment());
  ASSERT_EQ(fragments.size(), 2u);
  const QTextCharFormat header = fragments[0].charFormat();
  EXPECT_EQ(fragments[0].text(), QString::fromUtf8("KVRD 数据"));
  EXPECT_DOUBLE_EQ(header.fontPointSize(), 13);
  EXPECT_EQ(header.foreground().color(), QColor(0, 0, 255));
  EXPECT_EQ(header.fontWeight(), QFont::Bold);
  EXPECT_FALSE(header.fontItalic());
  const QTextCharFormat value = fragments[1].charFormat();
  EXPECT_DOUBLE_EQ(value.fontPointSize(), 10.5);
  EXPECT_EQ(value.foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(value.fontWeight(), QFont::Normal);
  EXPECT_TRUE(value.fontItalic());
}

TEST_F(RichTextQt, PlainQStringRoundTrip) {
  const QString text = QString::fromUtf8("电池电压\t12.5 V\nline 2");
  const RichTextDocument document = fromPlainQString(text, TextFormat{13, kBlue, false, false});
  ASSERT_EQ(document.paragraphs().size(), 2u);
  EXPECT_EQ(document.paragraphs()[0].runs[0].format, (TextFormat{13, kBlue, false, false}));
  EXPECT_EQ(toPlainQString(document), text);
  EXPECT_EQ(toTextDocument(document)->toPlainText(), text);
}

}  // namespace
}  // namespace solwire
