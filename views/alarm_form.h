// The alarm panel: the 13 alarm inputs of the selected site as picture
// buttons over an owner-drawn status strip. A new alarm (its state changed
// since the reading before) flashes, with a beep at most once a second when
// the alarm beep option is on, until a left click on its button acknowledges
// it; a right click opens the menu Enable / Assign. A click on the window,
// the "Status" caption, the tool bar or the strip reads the alarm inputs.
//
// Surface for the main window:
//   TAlarmform(LinkController&, Feedback&, TAssignform&, const Configuration&
//              stored, QWidget* parent)
//       created after the assignment window, which must outlive it; takes
//       each alarm's picture and enabled flag from the stored configuration
//       (the input states and flash flags are the link controller's data
//       model).
//   repaintAlarmStatus()           LinkViews: an alarm reply was stored; also
//       called after the site selector has changed the site.
//   setAlarmPollPending(pending)   LinkViews: the "Status" caption red while
//       an alarm reading is awaited, normal again when it ended.
//   applyLanguage(language, font)  language index 0..2 and the language's
//       font (its face is used, sizes are the panel's own per language);
//       passed on to the assignment window.
//   saveTo(Configuration&)         writes the whole "Alarm State" section and
//       the alarm options ("Alarm Beep", "Alarm Dial", "Alarm Update Rate")
//       into the configuration the main window saves at close.
//   signal closed()                the operator closed the panel with its
//       close box: release the tool bar button.
// Showing the panel and activating it reads the alarm inputs; hiding it
// (from the tool bar or its close box) hides the assignment window too.
#pragma once

#include <QFont>
#include <QWidget>
#include <array>
#include <functional>

#include "protocol/status_messages.h"
#include "protocol/link_controller.h"
#include "store/config/config_store.h"
#include "views/alarm_rules.h"
#include "views/origin_rules.h"
#include "views/window_activation.h"

class QFrame;
class QLabel;
class QMenu;
class QAction;
class QTimer;
class QToolButton;

namespace solwire {

class TAssignform;

class TAlarmform : public QWidget {
  Q_OBJECT
 public:
  TAlarmform(LinkController& link, Feedback& feedback, TAssignform& assign, const Configuration& stored,
             QWidget* parent = nullptr);
  ~TAlarmform() override;

  // LinkViews callbacks, forwarded by the main window.
  void repaintAlarmStatus();
  void setAlarmPollPending(bool pending);

  void applyLanguage(Language language, const QFont& font);
  void saveTo(Configuration& configuration) const;

  // Handlers, named as the window's components and events name them.
  void FormActivate();
  void AlarmstatusbarClick();
  void ToolButton3Click(int alarm);  // left click on alarm button 0..12
  void openAlarmMenu(int alarm, const QPoint& globalPosition);  // right click
  void EnableClick();
  void AssignClick();
  void ToolButton1Click();
  void helppanelClick();
  void Timer1Timer();                // the 500 ms blink tick

  // What the panel shows, for the strip's painting and for tests.
  int stripPictureOf(int alarm) const;
  int buttonPictureOf(int alarm) const;
  bool flashing() const;
  bool pollPending() const { return pollPending_; }
  bool blinkLit() const { return blink_.lit; }
  int assignedAlarm() const { return assignedAlarm_; }
  const AlarmChoices& choices() const { return choices_; }

  // The blink's time source (monotonic); tests replace it.
  std::function<BlinkTime()> blinkClock = [] { return std::chrono::steady_clock::now(); };

 signals:
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Strip;

  void buildToolBar();
  void buildStatusLine();
  void buildHelpPanel();
  void buildMenu();
  void refreshButtons();
  // An alarm button's hint: its picture's name and what the clicks do.
  QString alarmButtonHint(int picture) const;
  void pictureChosen(int picture);
  void requestReading();
  bool alarmReadingAwaited() const;
  void showPollPending(bool pending);
  void dropPendingMarkIfNothingAwaited();
  void blinkTimeout();
  void layOutHelpPanel();
  void paintStrip(QPainter& painter);
  OriginLine currentOriginLine() const;
  void showOrigin();

  LinkController& link_;
  Feedback& feedback_;
  TAssignform& assign_;
  AlarmChoices choices_;
  BlinkState blink_;
  int assignedAlarm_ = 0;  // the alarm the assignment window assigns to
  int menuAlarm_ = 0;      // the alarm whose button opened the menu
  bool pollPending_ = false;
  Language language_ = Language::English;
  QFont font_;
  std::array<QPixmap, 4> stripPictures_;
  // Not the program's return from another program: that reads nothing.
  WindowActivation activation_{this, [this] { FormActivate(); }};

 public:
  // Components, named as the window's texts and handlers name them.
  QWidget* ToolBar1 = nullptr;
  QToolButton* ToolButton1 = nullptr;                // the help panel
  std::array<QToolButton*, kAlarmInputs> alarmButtons{};  // ToolButton3..14, ToolButton2: alarms 0..12
  QWidget* Alarmstatusbar = nullptr;
  QLabel* Label1 = nullptr;
  QFrame* helppanel = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QMenu* Alarmpopup = nullptr;
  QAction* Enable = nullptr;
  QAction* Assign = nullptr;
  QTimer* Timer1 = nullptr;
  // Under the strip: whose alarm states these are and how old; the strip is
  // greyed while they are not the selected site's as last read.
  QLabel* originlab = nullptr;
};

}  // namespace solwire
