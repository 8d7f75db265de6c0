// The settings editor: the selected site's control settings, or its
// calibration bytes, as a three-column list (labels, values, units; in the
// calibration list labels, G and O), one entry at a time written back to the
// regulator's memory and read back 24 ticks later. Two lines under the list
// say whose values it shows (greyed when they are not the selected site's as
// last read) and what became of an entry. An accepted entry stays until it is
// sent or replaced, and goes only to the site it was typed for once that
// site's list has been read. The written cell shows the value written, tinted
// as waiting, until the read-back is in; then green when the regulator holds
// the byte written and red when it does not, until the next edit.
//
// What the main window does with it:
//   - create it once, right after itself:
//     Tsetform(mainform.link(), feedback, &mainform);
//   - ToolButton6 shows it and activates it (activation shows the settings
//     list and reads it unless it has been read) or hides it;
//   - forward the link controller's view callbacks setdisplay() and
//     caldisplay() to the methods of the same name (the controller calls them
//     after a list reply, and when a write's 24 ticks are over), and call
//     setdisplay() when the site selector has changed the site;
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
#include <string>

#include "protocol/status_messages.h"
#include "protocol/entry_rules.h"
#include "views/set_rules.h"
#include "views/window_activation.h"

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
  // the list on view afresh, as does a site change.
  void setdisplay();
  void caldisplay();
  // The language index (0 English, 1 French, 2 Chinese) and its font.
  void applyLanguage(Language language, const QFont& font);

  // Handlers, named as the program names them.
  void FormActivate();
  void conbuttonClick();
  void CalbuttonClick();
  void sgrid1Click();
  void sendbuttonClick();

  EditorList list() const { return list_; }
  // The send button is held down: a write is on its way.
  bool sending() const { return sending_; }
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
  QLabel* Originlab = nullptr;  // whose values the list shows
  QLabel* Statuslab = nullptr;  // the editor's notice

 signals:
  // FormClose: the operator closed the window with its close box.
  void closedByOperator();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class SetEntryDelegate;

  struct Cell {
    EditorList list = EditorList::Settings;
    EditorGrid grid = EditorGrid::Values;
    int row = 0;

    bool operator==(const Cell&) const = default;
  };
  // The accepted entry the send button would write: the text as typed. Its
  // byte is worked out from the values on view when it is shown and sent.
  struct Entry {
    int site = 0;
    Cell cell;
    std::string text;
  };
  // The cell of the write on its way, until its read-back is judged.
  struct WrittenCell {
    int number = 0;
    int site = 0;
    Cell cell;
    QString text;
  };
  struct Tint {
    int site = 0;
    Cell cell;
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
  void showEntryAndWrite();
  void paintTint();
  void showStatus();
  void endEditing();
  QTableWidget* table(EditorGrid grid) const;

  // Entry handling, on each commit of a cell's text (sgrid2SetEditText,
  // sgrid3SetEditText); gives the text the cell keeps.
  QString sgridSetEditText(EditorGrid grid, int row, const QString& value);
  void editStarted(const QString& cellText);
  MemoryEntry evaluate(const Cell& cell, const std::string& text) const;

  void followWrite();
  // A write is on its way or waits for its read-back.
  bool writing() const;
  SendCheck sendCheck() const;
  void updateSendButton();
  bool calibrationOnHold() const;
  int selectedSite() const;

  LinkController& link_;
  Feedback& feedback_;
  EditorList list_ = EditorList::Settings;
  std::optional<EditorGrid> underMouse_;
  Language language_ = Language::English;
  QFont font_;
  bool sending_ = false;  // the send button held down for the write's 24 ticks
  QString editRevertText_;
  std::optional<Entry> entry_;
  std::optional<WrittenCell> written_;
  std::optional<Tint> tint_;
  bool refusedDuringWrite_ = false;
  WindowActivation activation_{this, [this] { FormActivate(); }};
};

}  // namespace solwire
