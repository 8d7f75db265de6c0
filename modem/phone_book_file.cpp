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

}  // namespace

PhoneBookRows loadPhoneBook(const std::filesystem::path& path) {
  TCsvParser reader;
  reader.Open(path);
  PhoneBookRows rows;
  while (reader.Next()) rows.push_back(rowOf(reader.Fields, path));
  reader.Close();
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
