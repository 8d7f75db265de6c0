#include "views/phone_book_form.h"

#include <QAbstractItemDelegate>
#include <QCloseEvent>
#include <QCollator>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "modem/csv_writer.h"
#include "modem/phone_book_file.h"
#include "views/phone_book_rules.h"

namespace solwire {

namespace {

constexpr int kPositionColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kNumberColumn = 2;
constexpr int kInitialWidth = 432;  // the Name and Number columns at 220 and 150
constexpr int kInitialHeight = 260;

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

PhoneBookDialogs standardPhoneBookDialogs() {
  PhoneBookDialogs dialogs;
  dialogs.openFile = [](QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), fromUtf8(kPhoneBookFileFilter));
  };
  dialogs.saveFile = [](QWidget* parent) -> std::optional<QString> {
    QFileDialog dialog(parent, QString(), QString(), fromUtf8(kPhoneBookFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv");
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
  };
  dialogs.confirm = [](QWidget* parent, const QString& question) {
    return QMessageBox::warning(parent, fromUtf8(kPhoneBookTitle), question, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  dialogs.ask = [](QWidget* parent, const QString& question) {
    switch (QMessageBox::warning(parent, fromUtf8(kPhoneBookTitle), question,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel)) {
      case QMessageBox::Yes:
        return PhoneBookAnswer::Yes;
      case QMessageBox::No:
        return PhoneBookAnswer::No;
      default:
        return PhoneBookAnswer::Cancel;
    }
  };
  dialogs.inform = [](QWidget* parent, const QString& message) {
    QMessageBox::information(parent, fromUtf8(kPhoneBookTitle), message);
  };
  return dialogs;
}

TfrmPhoneBook::TfrmPhoneBook(const QString& fileName, QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("frmPhoneBook");
  resize(kInitialWidth, kInitialHeight);
  setMinimumWidth(kPhoneBookMinimumWidth);
  if (owner != nullptr) {
    const QRect frame = owner->frameGeometry();
    move(frame.left(), frame.top() + frame.height());
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  buildMenus();
  layout->setMenuBar(PhoneBookMenu);

  PhoneGrid = new QTableWidget(0, 3, this);
  PhoneGrid->setObjectName("PhoneGrid");
  PhoneGrid->setHorizontalHeaderLabels({QString(), "Name", "Number"});
  PhoneGrid->verticalHeader()->hide();
  PhoneGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  PhoneGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
  PhoneGrid->installEventFilter(this);
  layout->addWidget(PhoneGrid, 1);

  auto* buttons = new QHBoxLayout;
  btnDial = new QPushButton("Dial", this);
  btnDial->setObjectName("btnDial");
  btnHang = new QPushButton("Hangup", this);
  btnHang->setObjectName("btnHang");
  buttons->addWidget(btnDial);
  buttons->addWidget(btnHang);
  buttons->addStretch(1);
  buttons->setContentsMargins(6, 4, 6, 6);
  layout->addLayout(buttons);

  connect(btnDial, &QPushButton::clicked, this, &TfrmPhoneBook::DialbuttonClick);
  connect(btnHang, &QPushButton::clicked, this, &TfrmPhoneBook::HangupNumber1Click);
  connect(PhoneGrid, &QTableWidget::cellClicked, this, [this] { PhoneGridClick(); });
  connect(PhoneGrid, &QTableWidget::cellDoubleClicked, this, [this](int, int column) {
    if (column == kPositionColumn) DialbuttonClick();
  });
  connect(PhoneGrid, &QTableWidget::cellChanged, this, &TfrmPhoneBook::PhoneGridSetEditText);

  if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
    SetFileName(fileName);
    LoadFile(fileName_);  // throws when the file cannot be loaded
  } else {
    SetFileName(QString());
    rows_ = newPhoneBookRows();
    showRows();
  }
  modified_ = false;
}

void TfrmPhoneBook::buildMenus() {
  PhoneBookMenu = new QMenuBar(this);
  PhoneBookMenu->setObjectName("PhoneBookMenu");
  QMenu* file = PhoneBookMenu->addMenu("&File");
  file->addAction("&Open", this, &TfrmPhoneBook::Open1Click)->setObjectName("Open1");
  file->addAction("&Save", this, &TfrmPhoneBook::Save1Click)->setObjectName("Save1");
  file->addAction("Sa&ve As", this, &TfrmPhoneBook::SaveAs1Click)->setObjectName("SaveAs1");
  file->addAction("E&xit", this, &TfrmPhoneBook::Exit1Click)->setObjectName("Exit1");
  QMenu* edit = PhoneBookMenu->addMenu("&Edit");
  edit->addAction("&Add Number", this, &TfrmPhoneBook::AddNumber1Click)->setObjectName("AddNumber1");
  edit->addAction("De&lete Number", this, &TfrmPhoneBook::DeleteNumber1Click)->setObjectName("DeleteNumber1");
  QMenu* tools = PhoneBookMenu->addMenu("&Tools");
  tools->addAction("&Dial Number", this, &TfrmPhoneBook::DialbuttonClick)->setObjectName("DialNumber1");
  tools->addAction("&Hangup Number", this, &TfrmPhoneBook::HangupNumber1Click)->setObjectName("HangupNumber1");
}

TextCollation TfrmPhoneBook::localeCollation() {
  auto collator = std::make_shared<QCollator>();
  collator->setCaseSensitivity(Qt::CaseInsensitive);
  return [collator](std::string_view left, std::string_view right) {
    return collator->compare(fromUtf8(left), fromUtf8(right));
  };
}

void TfrmPhoneBook::SetFileName(const QString& name) {
  fileName_ = name;
  setWindowTitle(fromUtf8(phoneBookCaption(name.toStdString())));
}

bool TfrmPhoneBook::LoadFile(const QString& name) {
  if (name.isEmpty()) return false;
  T_PhoneBookFile(rows_, name.toStdString()).Load();
  Refresh();
  modified_ = false;
  SelectRow(0);
  return true;
}

void TfrmPhoneBook::showRows() {
  showing_ = true;
  PhoneGrid->setRowCount(static_cast<int>(rows_.size()));
  for (int row = 0; row < static_cast<int>(rows_.size()); ++row) {
    const PhoneBookRow& entry = rows_[static_cast<std::size_t>(row)];
    auto* position = new QTableWidgetItem(fromUtf8(entry.position));
    position->setFlags(position->flags() & ~Qt::ItemIsEditable);
    PhoneGrid->setItem(row, kPositionColumn, position);
    PhoneGrid->setItem(row, kNameColumn, new QTableWidgetItem(fromUtf8(entry.name)));
    PhoneGrid->setItem(row, kNumberColumn, new QTableWidgetItem(fromUtf8(entry.number)));
  }
  showing_ = false;
}

void TfrmPhoneBook::Refresh() {
  const int column = PhoneGrid->currentColumn();
  const int row = PhoneGrid->currentRow();
  cells_.Refresh(row);
  showRows();
  if (row >= 0 && row < PhoneGrid->rowCount()) PhoneGrid->setCurrentCell(row, std::max(column, 0));
}

void TfrmPhoneBook::SelectRow(int row) {
  cells_.SelectRow(row);
  Refresh();
}

void TfrmPhoneBook::PhoneGridSetEditText(int row, int column) {
  if (showing_ || row < 0 || row >= static_cast<int>(rows_.size())) return;
  QTableWidgetItem* cell = PhoneGrid->item(row, column);
  const std::string text = withLineBreaksAsSpaces(cell->text().toStdString());
  PhoneBookRow& entry = rows_[static_cast<std::size_t>(row)];
  if (column == kNameColumn) entry.name = text;
  if (column == kNumberColumn) entry.number = text;
  showCellText(*cell, text);
  modified_ = true;
  cells_.noteEdit(row);
}

void TfrmPhoneBook::showCellText(QTableWidgetItem& cell, const std::string& text) {
  const QString shown = fromUtf8(text);
  if (cell.text() == shown) return;
  showing_ = true;
  cell.setText(shown);
  showing_ = false;
}

void TfrmPhoneBook::commitOpenEdit() {
  const QModelIndex cell = PhoneGrid->currentIndex();
  QWidget* editor = PhoneGrid->indexWidget(cell);
  if (editor == nullptr) return;
  // The view's own slots take the editor's text into the cell and close it,
  // as leaving the cell would.
  QAbstractItemDelegate* delegate = PhoneGrid->itemDelegateForIndex(cell);
  emit delegate->commitData(editor);
  emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TfrmPhoneBook::PhoneGridClick() {
  Refresh();
  SelectRow(PhoneGrid->currentRow());
}

void TfrmPhoneBook::PhoneGridEnter() { Refresh(); }

QString TfrmPhoneBook::SelectedNumber() const {
  int row = PhoneGrid->currentRow();
  const QList<QTableWidgetSelectionRange> ranges = PhoneGrid->selectedRanges();
  if (!ranges.isEmpty()) row = ranges.front().topRow();
  if (row < 0 || row >= PhoneGrid->rowCount() || PhoneGrid->item(row, kNumberColumn) == nullptr) return {};
  return PhoneGrid->item(row, kNumberColumn)->text();
}

void TfrmPhoneBook::DialbuttonClick() {
  commitOpenEdit();
  const QString number = SelectedNumber();
  const std::string digits = dialledDigits(number.toStdString());
  if (digits.empty()) {
    dialogs.inform(this, fromUtf8(kNotAValidNumber));
    return;
  }
  if (OnDial) OnDial(number, QString::fromStdString(digits));
}

void TfrmPhoneBook::HangupNumber1Click() {
  commitOpenEdit();
  if (OnHangup) OnHangup();
}

void TfrmPhoneBook::AddNumber1Click() {
  const int added = cells_.AddRow();
  showRows();
  SelectRow(added);
}

void TfrmPhoneBook::DeleteNumber1Click() {
  if (!dialogs.confirm(this, fromUtf8(kConfirmDelete))) return;
  const int row = PhoneGrid->currentRow() >= 0 ? PhoneGrid->currentRow() : cells_.CurrentRow;
  cells_.DeleteRow(std::max(row, 0));
  showRows();
  Refresh();
  modified_ = true;
}

void TfrmPhoneBook::Open1Click() {
  commitOpenEdit();
  if (modified_ && !dialogs.confirm(this, fromUtf8(kConfirmOpenOverChanges))) return;
  const QString name = dialogs.openFile(this);
  try {
    LoadFile(name);
  } catch (const std::exception& error) {
    // The list is loaded whole or not at all: it stays as it was.
    dialogs.inform(this, QString::fromStdString(error.what()));
    return;
  }
  SetFileName(name);
}

void TfrmPhoneBook::Save1Click() { saveChanges(); }

void TfrmPhoneBook::SaveAs1Click() { saveUnderNewName(); }

bool TfrmPhoneBook::saveChanges() {
  commitOpenEdit();
  if (fileName_.isEmpty() || !QFileInfo::exists(fileName_)) return saveUnderNewName();
  if (!saveTo(fileName_)) return false;
  modified_ = false;
  return true;
}

bool TfrmPhoneBook::saveUnderNewName() {
  commitOpenEdit();
  const std::optional<QString> name = dialogs.saveFile(this);
  if (!name) return false;
  if (name->isEmpty()) {
    dialogs.inform(this, fromUtf8(kInvalidFileName));
    return false;
  }
  if (!saveTo(*name)) return false;
  modified_ = false;
  SetFileName(*name);
  return true;
}

bool TfrmPhoneBook::saveTo(const QString& name) {
  try {
    T_PhoneBookFile(rows_, name.toStdString()).Save();
  } catch (const std::exception& error) {
    dialogs.inform(this, "The phone book was not saved: " + QString::fromStdString(error.what()));
    return false;
  }
  return true;
}

void TfrmPhoneBook::Exit1Click() { close(); }

bool TfrmPhoneBook::closeForExit() {
  commitOpenEdit();
  if (!modified_) return true;
  switch (dialogs.ask(this, fromUtf8(kAskSaveBeforeExit))) {
    case PhoneBookAnswer::Yes:
      return saveChanges();
    case PhoneBookAnswer::No:
      return true;
    case PhoneBookAnswer::Cancel:
      break;
  }
  return false;
}

void TfrmPhoneBook::closeEvent(QCloseEvent* event) {
  commitOpenEdit();
  if (modified_ && !dialogs.confirm(this, fromUtf8(kConfirmCloseOverChanges))) {
    event->ignore();
    return;
  }
  modified_ = false;
  event->accept();
  emit closedByOperator();
}

void TfrmPhoneBook::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const PhoneBookColumns columns = phoneBookColumnsFor(width());
  PhoneGrid->setColumnWidth(kPositionColumn, columns.position);
  PhoneGrid->setColumnWidth(kNameColumn, std::max(columns.name, 0));
  PhoneGrid->setColumnWidth(kNumberColumn, columns.number);
}

bool TfrmPhoneBook::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PhoneGrid && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Only the grid's own key presses come here, not those of an open editor.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      QTimer::singleShot(0, this, &TfrmPhoneBook::PhoneGridEnter);
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace solwire
