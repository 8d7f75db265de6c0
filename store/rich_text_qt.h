// Qt glue for the rich-text document: a QTextDocument to show and print it,
// and plain text as QString.
#pragma once

#include <QColor>
#include <QString>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <span>
#include <string>

#include "store/rich_text_document.h"

namespace solwire {

QColor toQColor(Rgb colour);

// Replaces the content of `target` with the document: one block per
// paragraph with its alignment, indents and spacing, one fragment per run
// with its point size, colour, bold, italic and face; the document's font
// name becomes the default font family and its tab spacing the distance
// between the default tab stops.
void fillTextDocument(QTextDocument& target, const RichTextDocument& source);

// The same in parts, for a document shown while it is read: the default
// font family and tab spacing ...
void setDocumentDefaults(QTextDocument& target, const std::string& fontName, int defaultTabTwips);
// ... then the paragraphs, a piece at a time, at the cursor (the document's
// end). The first paragraph of the first piece goes into the empty first
// block (`continuesFirstBlock`); every other one starts a block of its own.
void appendParagraphs(QTextCursor& cursor, std::span<const Paragraph> paragraphs, bool continuesFirstBlock);
std::unique_ptr<QTextDocument> toTextDocument(const RichTextDocument& source);

// Paragraphs joined with '\n'.
QString toPlainQString(const RichTextDocument& source);

// One paragraph per line of `text`, all in `format`.
RichTextDocument fromPlainQString(const QString& text, const TextFormat& format = {});

}  // namespace solwire
