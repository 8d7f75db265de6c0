// The phone book's file binding and its cell controller, as the phone book
// window uses them: T_PhoneBookFile binds the list to one file for one load
// or save; T_CellControl keeps the list sorted and numbered and knows the row
// the next delete applies to.
#pragma once

#include <filesystem>
#include <utility>

#include "modem/phone_book_file.h"
#include "modem/phone_book_rows.h"

namespace solwire {

class T_PhoneBookFile {
 public:
  T_PhoneBookFile(PhoneBookRows& rows, std::filesystem::path fileName)
      : rows_(rows), fileName_(std::move(fileName)) {}

  // Replaces the rows with the file's, whole or not at all. Throws CsvFileError.
  void Load() { rows_ = loadPhoneBook(fileName_); }
  // Replaces the file with the rows. Throws CsvFileError.
  void Save() const { savePhoneBook(fileName_, rows_); }

 private:
  PhoneBookRows& rows_;
  std::filesystem::path fileName_;
};

class T_CellControl {
 public:
  explicit T_CellControl(PhoneBookRows& rows, TextCollation collation = foldedByteCollation)
      : rows_(rows), collation_(std::move(collation)) {}

  // Sorts and renumbers; `currentRow` is the grid's current row.
  void Refresh(int currentRow) {
    if (currentRow >= 0) CurrentRow = currentRow;
    sortAndRenumber(rows_, collation_);
  }
  // An empty row at the end; returns its index after sorting.
  int AddRow() { return static_cast<int>(addBlankRow(rows_, collation_)); }
  void DeleteRow(int row) {
    if (row >= 0) deleteRow(rows_, static_cast<std::size_t>(row), collation_);
  }
  void SelectRow(int row) { CurrentRow = row; }
  // Every cell edit notes the row.
  void noteEdit(int row) { CurrentRow = row; }

  int CurrentRow = 0;

 private:
  PhoneBookRows& rows_;
  TextCollation collation_;
};

}  // namespace solwire
