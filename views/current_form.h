// The current-state window: the latest current-state reading of the selected
// site (battery voltage, charge and load current, the day's amp-hours, the
// day's voltage range, the voltage class and the state code).
//
// What the main window does with it:
//   - create it once, after itself: TCurrentform(mainform.link(), &mainform);
//   - ToolButton4 shows it and activates it (activation asks for a reading)
//     or hides it;
//   - forward the link controller's view callbacks labelupdate() and
//     hideCurrentStateWait() to the methods of the same name, and call
//     labelupdate() after the site selector has changed the site;
//   - call applyLanguage(index, font) at start and whenever the language or
//     its font changes;
//   - release ToolButton4 on closedByOperator(), emitted when the window is
//     closed with its own close box (hiding it from the tool bar emits
//     nothing).
#pragma once

#include <QFont>
#include <QWidget>

#include "protocol/status_messages.h"
#include "views/window_activation.h"

class QFrame;
class QLabel;

namespace solwire {

class LinkController;

class TCurrentform : public QWidget {
  Q_OBJECT
 public:
  explicit TCurrentform(LinkController& link, QWidget* parent = nullptr);

  // Rewrites the captions and every value from the site data model.
  void labelupdate();
  // The reading the window waited for has come, or failed.
  void hideCurrentStateWait();
  // The language index (0 English, 1 French, 2 Chinese) and its font; shown
  // at once.
  void applyLanguage(Language language, const QFont& font);

  // Activation and every click: the language's font and captions, then a
  // reading unless the line is busy.
  void FormClick();

  bool waiting() const;

  // Components, named as the program names them.
  QFrame* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Typelab = nullptr;
  QLabel* Statelab = nullptr;
  QLabel* statenumlab = nullptr;
  QLabel* Chargelab = nullptr;
  QLabel* Camphrlab = nullptr;
  QLabel* Loadlab = nullptr;
  QLabel* Lamphrlab = nullptr;
  QLabel* batvlab = nullptr;
  QLabel* maxminlab = nullptr;
  QLabel* Waitlab = nullptr;
  // Whose values these are and how old: "Site 3 · 14:02:11", or greyed with
  // the values when they are not the selected site's as last read.
  QLabel* originlab = nullptr;

 signals:
  // FormClose: the operator closed the window with its close box.
  void closedByOperator();

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  QLabel* addLabel(const char* name, int left, int top);
  void applyCaptions();
  void fitWindowToLabels();
  void showOrigin();
  void applyHints();
  // The label under `position` (in window coordinates) that has a hint.
  QLabel* hintedLabelAt(const QPoint& position) const;

  LinkController& link_;
  Language language_ = Language::English;
  QFont font_;
  // Activation as a click: not the program's return from another program.
  WindowActivation activation_{this, [this] { FormClick(); }};
};

}  // namespace solwire
