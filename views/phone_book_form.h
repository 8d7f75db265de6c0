// The phone book window: a sorted, numbered list of sites with their
// telephone numbers, kept in a CSV file, from which the operator dials a site
// and hangs up.
//
// What the main window does with it:
//   - create it once, hidden: TfrmPhoneBook(file name, &mainform); a file that
//     cannot be loaded throws CsvFileError (the program then has no phone book);
//   - bind OnDial (number as typed, digits to dial) and OnHangup;
//   - show or hide it from its tool bar button; closedByOperator() is emitted
//     when its close box or Exit hides it;
//   - at program exit, ask closeForExit() whether the program may end.
// Dialogs go through `dialogs`, which tests replace.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "modem/phone_book_classes.h"
#include "modem/phone_book_rows.h"

class QAction;
class QMenuBar;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace solwire {

enum class PhoneBookAnswer { Yes, No, Cancel };

struct PhoneBookDialogs {
  // The file to open: empty when cancelled.
  std::function<QString(QWidget* parent)> openFile;
  // The name to save as: nothing when cancelled (an empty name is possible).
  std::function<std::optional<QString>(QWidget* parent)> saveFile;
  // A warning with Yes and No: true for Yes.
  std::function<bool(QWidget* parent, const QString& question)> confirm;
  // A warning with Yes, No and Cancel.
  std::function<PhoneBookAnswer(QWidget* parent, const QString& question)> ask;
  std::function<void(QWidget* parent, const QString& message)> inform;
};

PhoneBookDialogs standardPhoneBookDialogs();

class TfrmPhoneBook : public QWidget {
  Q_OBJECT
 public:
  TfrmPhoneBook(const QString& fileName, QWidget* owner);

  PhoneBookDialogs dialogs = standardPhoneBookDialogs();
  std::function<void(const QString& numberText, const QString& digits)> OnDial;
  std::function<void()> OnHangup;

  void SetFileName(const QString& name);
  bool LoadFile(const QString& name);
  const QString& FileName() const { return fileName_; }
  bool Modified() const { return modified_; }
  const PhoneBookRows& rows() const { return rows_; }
  int CurrentRow() const { return cells_.CurrentRow; }
  QString SelectedNumber() const;

  // At program exit: with unsaved changes, asks whether to save them. True
  // when the program may end (nothing to save, saved, or not to be saved).
  bool closeForExit();

  // Handlers, named as the program names them.
  void DialbuttonClick();
  void HangupNumber1Click();
  void Open1Click();
  void Save1Click();
  void SaveAs1Click();
  void Exit1Click();
  void AddNumber1Click();
  void DeleteNumber1Click();
  void PhoneGridClick();
  void PhoneGridEnter();  // the Enter key in the grid
  void PhoneGridSetEditText(int row, int column);
  void Refresh();
  void SelectRow(int row);

  QTableWidget* PhoneGrid = nullptr;
  QPushButton* btnDial = nullptr;
  QPushButton* btnHang = nullptr;
  QMenuBar* PhoneBookMenu = nullptr;

 signals:
  void closedByOperator();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  // Stores the text of a cell whose editor is still open, so that a command
  // sees what the operator typed.
  void commitOpenEdit();
  void showRows();
  void showCellText(QTableWidgetItem& cell, const std::string& text);
  // Save and Save As; false when nothing was saved (cancelled or failed).
  bool saveChanges();
  bool saveUnderNewName();
  bool saveTo(const QString& name);
  static TextCollation localeCollation();

  PhoneBookRows rows_;
  T_CellControl cells_{rows_, localeCollation()};
  QString fileName_;
  bool modified_ = false;
  bool showing_ = false;  // the grid is being filled: its edits are not the operator's
};

}  // namespace solwire
