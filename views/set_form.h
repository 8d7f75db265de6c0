// The settings editor: the selected site's control settings, or its
// calibration bytes, as a three-column list (labels, values, units; in the
// calibration list labels, G and O), one entry at a time written back to the
// regulator's memory and read back 24 ticks later. The written entry's cell
// turns green when the read-back holds the byte written and red when it does
// not, until the next edit.
//
// What the main window does with it:
//   - create it once, right after itself:
//     Tsetform(mainform.link(), feedback, &mainform);
//   - ToolButton6 shows it and activates it (activation shows the settings
//     list and reads it unless it has been read) or hides it;
//   - forward the link controller's view callbacks setdisplay() and
//     caldisplay() to the methods of the same name (the controller calls them
//     after a list reply, and when a write's 24 ticks are over);
//   - call applyLanguage(index, font) at start and whenever the language or
//     its font changes;
//   - release ToolButton6 on closedByOperator(), emitted when the window is
//     closed with its own close box.
// The status texts of a write ("Sending Data", "Port Not Open", "No
// connection") reach the status bar through the controller's showLinkStatus.
#pragma once

#include <QFont>
#include <QWidget>
#include <optional>

#include "views/set_rules.h"

class QFrame;
class QLabel;
class QTableWidget;
class QToolButton;

namespace solwire {

class Feedback;
class LinkController;

class Tsetform : public QWidget {
  Q_OBJECT
 public:
  Tsetform(LinkController& link, Feedback& feedback, QWidget* parent = nullptr);

  // The controller's callbacks: a list is in (or a write is over). Each shows
  // its list only when the window is in that list's mode.
  void setdisplay();
  void caldisplay();
  // The language index (0 English, 1 French, 2 Chinese) and its font.
  void applyLanguage(int language, const QFont& font);

  // Handlers, named as the program names them.
  void FormActivate();
  void conbuttonClick();
  void CalbuttonClick();
  void sgrid1Click();
  void sendbuttonClick();

  EditorList list() const { return list_; }
  // The send button is held down: a write is on its way.
  bool sending() const { return sendState_ == SendState::Sending; }
  // The tint of a cell of sgrid2 or sgrid3.
  CellTint cellTint(EditorGrid grid, int row) const;

  // Components, named as the program names them.
  QFrame* Panel1 = nullptr;
  QToolButton* conbutton = nullptr;
  QToolButton* Calbutton = nullptr;
  QToolButton* sendbutton = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QTableWidget* sgrid1 = nullptr;
  QTableWidget* sgrid2 = nullptr;
  QTableWidget* sgrid3 = nullptr;

 signals:
  // FormClose: the operator closed the window with its close box.
  void closedByOperator();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class SetEntryDelegate;
  enum class SendState { Disabled, Ready, Sending };

  // The accepted entry the send button would write.
  struct PendingWrite {
    int site = 0;
    EditorList list = EditorList::Settings;
    EditorGrid grid = EditorGrid::Values;
    int row = 0;
    int address = 0;
    int data = 0;
  };
  // The cell of the write on its way, until its read-back is judged.
  struct WrittenCell {
    int number = 0;
    EditorList list = EditorList::Settings;
    EditorGrid grid = EditorGrid::Values;
    int row = 0;
  };
  struct Tint {
    int site = 0;
    EditorList list = EditorList::Settings;
    EditorGrid grid = EditorGrid::Values;
    int row = 0;
    CellTint tint = CellTint::None;
  };

  QTableWidget* addGrid(const char* name, EditorGrid grid);
  QToolButton* addListButton(const char* name);
  void watchMouse(QWidget* widget, std::optional<EditorGrid> grid);
  void pointerOver(std::optional<EditorGrid> grid);
  void applyEditability();

  void showList(EditorList list);
  void placeComponents(const EditorLayout& layout);
  void applyCaptions();
  void fillSettings();
  void fillCalibration();
  void setCell(QTableWidget* grid, int row, const QString& text, bool editable);
  void paintTint();
  void endEditing();

  // Entry handling, on each commit of a cell's text (sgrid2SetEditText,
  // sgrid3SetEditText); gives the text the cell keeps.
  QString sgridSetEditText(EditorGrid grid, int row, const QString& value);
  void editStarted(const QString& cellText);
  void cellSelected();

  void followWrite();
  void setSendState(SendState state);
  bool calibrationWriteOnItsWay() const;

  LinkController& link_;
  Feedback& feedback_;
  EditorList list_ = EditorList::Settings;
  std::optional<EditorGrid> underMouse_;
  int language_ = 0;
  QFont font_;
  SendState sendState_ = SendState::Disabled;
  QString editRevertText_;
  std::optional<PendingWrite> pending_;
  std::optional<WrittenCell> written_;
  std::optional<Tint> tint_;
  bool filling_ = false;
};

}  // namespace solwire
