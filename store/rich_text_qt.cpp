#include "store/rich_text_qt.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextOption>

namespace solwire {

namespace {

// Indents and spacing are in twips; a text document lays out in pixels at
// the resolution its fonts' point sizes are turned into pixels with.
double pixelsOfTwips(int twips) { return twips * QFontMetricsF(QFont()).fontDpi() / 1440.0; }

Qt::Alignment qtAlignment(Alignment alignment) {
  switch (alignment) {
    case Alignment::Centre: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    case Alignment::Justify: return Qt::AlignJustify;
    case Alignment::Left: break;
  }
  return Qt::AlignLeft;
}

QTextBlockFormat blockFormat(const ParagraphFormat& paragraph) {
  QTextBlockFormat format;
  format.setAlignment(qtAlignment(paragraph.alignment));
  format.setLeftMargin(pixelsOfTwips(paragraph.leftIndent));
  format.setRightMargin(pixelsOfTwips(paragraph.rightIndent));
  format.setTextIndent(pixelsOfTwips(paragraph.firstLineIndent));
  format.setTopMargin(pixelsOfTwips(paragraph.spaceBefore));
  format.setBottomMargin(pixelsOfTwips(paragraph.spaceAfter));
  return format;
}

QFont::StyleHint styleHint(FontKind kind) {
  switch (kind) {
    case FontKind::Serif: return QFont::Serif;
    case FontKind::SansSerif: return QFont::SansSerif;
    case FontKind::Monospace: return QFont::TypeWriter;
    case FontKind::Script: return QFont::Cursive;
    case FontKind::Decorative: return QFont::Decorative;
    case FontKind::Symbol:
    case FontKind::Any: break;
  }
  return QFont::AnyStyle;
}

// A run's own face: its name first, then for a monospaced run the platform's
// fixed-pitch face, so that a snippet stays aligned where the named face is
// not installed.
void setRunFace(QTextCharFormat& format, const TextFormat& run) {
  QStringList families;
  if (!run.fontName.empty()) families << QString::fromStdString(run.fontName);
  if (run.fontKind == FontKind::Monospace) {
    families << QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    format.setFontFixedPitch(true);
  }
  if (!families.isEmpty()) format.setFontFamilies(families);
  format.setFontStyleHint(styleHint(run.fontKind));
}

QTextCharFormat charFormat(const TextFormat& run) {
  QTextCharFormat format;
  format.setFontPointSize(run.pointSize);
  format.setForeground(toQColor(run.colour));
  format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(run.italic);
  if (!run.fontName.empty() || run.fontKind != FontKind::Any) setRunFace(format, run);
  return format;
}

}  // namespace

QColor toQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

void setDocumentDefaults(QTextDocument& target, const std::string& fontName, int defaultTabTwips) {
  if (!fontName.empty()) {
    QFont font = target.defaultFont();
    font.setFamily(QString::fromStdString(fontName));
    target.setDefaultFont(font);
  }
  QTextOption option = target.defaultTextOption();
  option.setTabStopDistance(pixelsOfTwips(defaultTabTwips));
  target.setDefaultTextOption(option);
}

void appendParagraphs(QTextCursor& cursor, std::span<const Paragraph> paragraphs, bool continuesFirstBlock) {
  bool first = continuesFirstBlock;
  for (const Paragraph& paragraph : paragraphs) {
    if (first) {
      cursor.setBlockFormat(blockFormat(paragraph.format));
    } else {
      cursor.insertBlock(blockFormat(paragraph.format));
    }
    first = false;
    for (const TextRun& run : paragraph.runs) cursor.insertText(QString::fromStdString(run.text), charFormat(run.format));
  }
}

void fillTextDocument(QTextDocument& target, const RichTextDocument& source) {
  target.clear();
  setDocumentDefaults(target, source.fontName(), source.defaultTabTwips());
  QTextCursor cursor(&target);
  cursor.beginEditBlock();
  appendParagraphs(cursor, source.paragraphs(), true);
  cursor.endEditBlock();
}

std::unique_ptr<QTextDocument> toTextDocument(const RichTextDocument& source) {
  auto document = std::make_unique<QTextDocument>();
  fillTextDocument(*document, source);
  return document;
}

QString toPlainQString(const RichTextDocument& source) { return QString::fromStdString(source.plainText()); }

RichTextDocument fromPlainQString(const QString& text, const TextFormat& format) {
  RichTextDocument document;
  document.appendRun(text.toStdString(), format);
  return document;
}

}  // namespace solwire
