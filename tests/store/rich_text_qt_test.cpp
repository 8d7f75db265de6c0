#include "store/rich_text_qt.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextFragment>
#include <memory>

namespace solwire {
namespace {

class RichTextQt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "store_tests";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  // Gone before the leak check at exit: the font database lets go of the
  // system's font configuration only when the application ends.
  static void TearDownTestSuite() { application_.reset(); }

 private:
  static inline std::unique_ptr<QGuiApplication> application_;
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

// Measured rather than asked: some monospaced faces do not say they are.
bool monospacedFace(const QFont& font) {
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance("iiii") == metrics.horizontalAdvance("MMMM");
}

TEST_F(RichTextQt, BlocksTakeTheParagraphLayoutAndRunsTheirFace) {
  RichTextDocument source;
  source.setParagraphFormat({Alignment::Centre, 0, 0, 0, 240, 120});
  source.appendRun("Title", 18);
  source.endParagraph();
  source.setParagraphFormat({Alignment::Left, 720, 360, -180, 0, 60});
  source.appendRun("[Ports]\u2028COM1=sim", TextFormat{10, kBlack, false, false, "No Such Mono Face", FontKind::Monospace});
  source.endParagraph();
  source.setParagraphFormat({Alignment::Right, 0, 0, 0, 0, 0});
  source.appendRun("right", 10);
  source.endParagraph();
  source.setParagraphFormat({Alignment::Justify, 0, 0, 0, 0, 0});
  source.appendRun("justified", 10);

  QTextDocument target;
  fillTextDocument(target, source);
  ASSERT_EQ(target.blockCount(), 4);
  // Twips become pixels at the screen's resolution, as point sizes do.
  const double pixelsPerTwip = QFontMetricsF(QFont()).fontDpi() / 1440.0;
  const QTextBlockFormat title = target.findBlockByNumber(0).blockFormat();
  EXPECT_EQ(title.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_DOUBLE_EQ(title.topMargin(), 240 * pixelsPerTwip);
  EXPECT_DOUBLE_EQ(title.bottomMargin(), 120 * pixelsPerTwip);
  const QTextBlock snippetBlock = target.findBlockByNumber(1);
  const QTextBlockFormat snippet = snippetBlock.blockFormat();
  EXPECT_EQ(snippet.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  EXPECT_DOUBLE_EQ(snippet.leftMargin(), 720 * pixelsPerTwip);
  EXPECT_DOUBLE_EQ(snippet.rightMargin(), 360 * pixelsPerTwip);
  EXPECT_DOUBLE_EQ(snippet.textIndent(), -180 * pixelsPerTwip);
  EXPECT_EQ(target.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(target.findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);

  // The snippet keeps its line break inside the block and is shown in a
  // fixed-pitch face even though the named one is not installed.
  EXPECT_EQ(snippetBlock.text(), QString("[Ports]") + QChar(QChar::LineSeparator) + "COM1=sim");
  EXPECT_TRUE(monospacedFace(snippetBlock.begin().fragment().charFormat().font()));
  EXPECT_FALSE(monospacedFace(target.findBlockByNumber(2).begin().fragment().charFormat().font()));
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
