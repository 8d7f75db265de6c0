// Qt glue for the rich-text document: a QTextDocument to show and print it,
// and plain text as QString.
#pragma once

#include <QColor>
#include <QString>
#include <QTextDocument>
#include <memory>

#include "store/rich_text_document.h"

namespace solwire {

QColor toQColor(Rgb colour);

// Replaces the content of `target` with the document: one block per
// paragraph with its alignment, indents and spacing, one fragment per run
// with its point size, colour, bold, italic and face; the document's font
// name becomes the default font family.
void fillTextDocument(QTextDocument& target, const RichTextDocument& source);
std::unique_ptr<QTextDocument> toTextDocument(const RichTextDocument& source);

// Paragraphs joined with '\n'.
QString toPlainQString(const RichTextDocument& source);

// One paragraph per line of `text`, all in `format`.
RichTextDocument fromPlainQString(const QString& text, const TextFormat& format = {});

}  // namespace solwire
