#include "store/rich_text_document.h"

#include <iterator>

#include "store/code_page.h"

namespace solwire {

std::string Paragraph::plainText() const {
  std::string text;
  for (const TextRun& run : runs) {
    std::size_t pos = 0;
    while (pos < run.text.size()) {
      const std::size_t start = pos;
      if (nextUtf8(run.text, pos) == kLineSeparator) {
        text += '\n';
      } else {
        text.append(run.text, start, pos - start);
      }
    }
  }
  return text;
}

RichTextDocument::RichTextDocument() : paragraphs_(1) {}

RichTextDocument::RichTextDocument(std::vector<Paragraph> paragraphs) : paragraphs_(std::move(paragraphs)) {
  if (paragraphs_.empty()) paragraphs_.emplace_back();
}

void RichTextDocument::clear() {
  paragraphs_.assign(1, Paragraph{});
}

std::vector<Paragraph> RichTextDocument::takeFinishedParagraphs() {
  const auto current = paragraphs_.end() - 1;
  std::vector<Paragraph> finished(std::make_move_iterator(paragraphs_.begin()), std::make_move_iterator(current));
  paragraphs_.erase(paragraphs_.begin(), current);
  return finished;
}

std::vector<Paragraph> RichTextDocument::takeAllParagraphs() {
  std::vector<Paragraph> all = std::move(paragraphs_);
  paragraphs_.assign(1, Paragraph{});
  return all;
}

void RichTextDocument::appendRun(std::string_view text, double pointSize, Rgb colour, bool bold,
                                 bool italic) {
  appendRun(text, TextFormat{pointSize, colour, bold, italic});
}

void RichTextDocument::appendRun(std::string_view text, const TextFormat& format) {
  std::string clean;
  clean.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = nextUtf8(text, pos);
    if (cp == '\r' || cp == '\n') {
      if (cp == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      appendClean(clean, format);
      clean.clear();
      endParagraph();
    } else if (cp == '\t' || (cp >= 0x20 && !(cp >= 0x7F && cp <= 0x9F))) {
      appendUtf8(clean, cp);
    }
  }
  appendClean(clean, format);
}

void RichTextDocument::appendClean(std::string_view text, const TextFormat& format) {
  if (text.empty()) return;
  std::vector<TextRun>& runs = paragraphs_.back().runs;
  if (!runs.empty() && runs.back().format == format) {
    runs.back().text += text;
  } else {
    runs.push_back(TextRun{std::string(text), format});
  }
}

void RichTextDocument::endParagraph() { paragraphs_.emplace_back(); }

void RichTextDocument::append(const RichTextDocument& other) {
  if (&other == this) {
    const RichTextDocument copy = other;
    append(copy);
    return;
  }
  bool first = true;
  for (const Paragraph& paragraph : other.paragraphs_) {
    if (!first) {
      endParagraph();
      setParagraphFormat(paragraph.format);
    }
    first = false;
    for (const TextRun& run : paragraph.runs) appendClean(run.text, run.format);
  }
}

std::string RichTextDocument::plainText() const {
  std::string text;
  bool first = true;
  for (const Paragraph& paragraph : paragraphs_) {
    if (!first) text += '\n';
    first = false;
    text += paragraph.plainText();
  }
  return text;
}

}  // namespace solwire
