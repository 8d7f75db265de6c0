#include "store/rich_text_qt.h"

#include <QFont>
#include <QTextCharFormat>
#include <QTextCursor>

namespace solwire {

QColor toQColor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

void fillTextDocument(QTextDocument& target, const RichTextDocument& source) {
  target.clear();
  if (!source.fontName().empty()) {
    QFont font = target.defaultFont();
    font.setFamily(QString::fromStdString(source.fontName()));
    target.setDefaultFont(font);
  }
  QTextCursor cursor(&target);
  bool first = true;
  for (const Paragraph& paragraph : source.paragraphs()) {
    if (!first) cursor.insertBlock();
    first = false;
    for (const TextRun& run : paragraph.runs) {
      QTextCharFormat format;
      format.setFontPointSize(run.format.pointSize);
      format.setForeground(toQColor(run.format.colour));
      format.setFontWeight(run.format.bold ? QFont::Bold : QFont::Normal);
      format.setFontItalic(run.format.italic);
      cursor.insertText(QString::fromStdString(run.text), format);
    }
  }
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
