#include "modem/phone_book_file.h"

#include "modem/csv_parser.h"
#include "store/rich_text_file.h"

namespace solwire {

namespace {

constexpr int kPhoneBookFields = 3;

PhoneBookRow rowOf(const std::vector<std::string>& fields, const std::filesystem::path& path) {
  if (fields.size() < kPhoneBookFields) {
    throw CsvFileError(path, "List index out of bounds (" + std::to_string(fields.size()) + ")");
  }
  return {fields[0], fields[1], fields[2]};
}

struct Record {
  std::vector<std::string> fields;
  bool blank = false;  // the line was empty or only spaces and tabs
};

std::vector<Record> readRecords(const std::filesystem::path& path) {
  TCsvParser reader;
  reader.Open(path);
  std::vector<Record> records;
  while (reader.Next()) {
    const bool blank = reader.CurrentLine.find_first_not_of(" \t") == std::string::npos;
    records.push_back({std::move(reader.Fields), blank});
  }
  reader.Close();
  return records;
}

// Editors often leave an empty line or a line of spaces at the end of a file;
// it holds no entry. A blank line between entries is still a short record.
void dropBlankLinesAtTheEnd(std::vector<Record>& records) {
  while (!records.empty() && records.back().blank) records.pop_back();
}

}  // namespace

PhoneBookRows loadPhoneBook(const std::filesystem::path& path) {
  std::vector<Record> records = readRecords(path);
  dropBlankLinesAtTheEnd(records);
  PhoneBookRows rows;
  for (const Record& record : records) rows.push_back(rowOf(record.fields, path));
  if (rows.empty()) rows.push_back({"1", "", ""});
  return rows;
}

std::string phoneBookText(const PhoneBookRows& rows) {
  T_objCSV writer;
  writer.SetFieldCount(kPhoneBookFields);
  for (const PhoneBookRow& row : rows) {
    writer.AddField(row.position);
    writer.AddField(row.name);
    writer.AddField(row.number);
    writer.EndRecord();
  }
  return writer.Text();
}

void savePhoneBook(const std::filesystem::path& path, const PhoneBookRows& rows) {
  try {
    writeFileAtomically(path, phoneBookText(rows));
  } catch (const RichTextFileError& error) {
    throw CsvFileError(path, error.reason());
  }
}

}  // namespace solwire
