#include "modem/csv_fields.h"

namespace solwire {

namespace {

enum class SplitState { FieldStart, InPlainField, InQuotedField, AfterQuote };

constexpr char kQuote = '"';

}  // namespace

std::vector<std::string> splitCsvLine(std::string_view line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  SplitState state = SplitState::FieldStart;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const bool last = i + 1 == line.size();
    switch (state) {
      case SplitState::FieldStart:
        field.clear();
        if (c == kQuote) {
          state = SplitState::InQuotedField;
        } else if (c == separator) {
          fields.push_back(field);
          if (last) fields.emplace_back();
        } else {
          field = c;
          if (last) fields.push_back(field);
          state = SplitState::InPlainField;
        }
        break;
      case SplitState::InPlainField:
        if (c == separator) {
          fields.push_back(field);
          if (last) fields.emplace_back();
          state = SplitState::FieldStart;
        } else {
          field += c;
          if (last) fields.push_back(field);
        }
        break;
      case SplitState::InQuotedField:
        if (c != kQuote) {
          field += c;
        } else if (last) {
          fields.push_back(field);
        } else if (line[i + 1] == separator) {
          state = SplitState::InPlainField;
        } else {
          state = SplitState::AfterQuote;
        }
        break;
      case SplitState::AfterQuote:
        if (c == kQuote) {
          field += kQuote;
          state = SplitState::InQuotedField;
        }
        break;
    }
  }
  return fields;
}

std::string quoteCsvField(std::string_view text) {
  if (text.empty()) return {};
  // A lone double quote is text, not an empty quoted field: written as it
  // is, it would read back as no field at all.
  const bool alreadyQuoted = text.size() >= 2 && text.front() == kQuote && text.back() == kQuote;
  const bool needsQuotes = text.find_first_of(" ,") != std::string_view::npos;
  const std::string_view inner = alreadyQuoted ? text.substr(1, text.size() - 2) : text;
  if (inner.find(kQuote) != std::string_view::npos) {
    std::string quoted(1, kQuote);
    for (char c : inner) {
      if (c == kQuote) quoted += kQuote;
      quoted += c;
    }
    quoted += kQuote;
    return quoted;
  }
  if (alreadyQuoted) return std::string(text);
  if (needsQuotes) return kQuote + std::string(text) + kQuote;
  return std::string(text);
}

}  // namespace solwire
