// The alarm assignment window: the picture list as two rows of picture
// buttons, and the three alarm options (dial out for alarm readings, beep on
// new alarms, how often the alarm inputs are read). It stays on top.
//
// Surface for the main window and the alarm panel:
//   TAssignform(LinkController&, const Configuration& stored, QWidget* parent)
//       created before the alarm panel; takes the alarm beep option from the
//       stored configuration, the alarm rate and the dial option from the
//       link controller's controls (which the controller's alarm poll reads).
//   applyLanguage(language, font)   language index 0..2 and the language's
//       font; applied at once and again on every activation.
//   alarmBeep()                      the beep option, read by the alarm panel.
//   saveTo(Configuration&)           writes "Alarm Beep", "Alarm Dial" and
//       "Alarm Update Rate" into the configuration the main window saves.
//   signal pictureChosen(picture)    a picture button was clicked (the window
//       has hidden itself); the alarm panel assigns it.
#pragma once

#include <QFont>
#include <QWidget>
#include <array>

#include "protocol/status_messages.h"
#include "protocol/link_controller.h"
#include "store/config/config_store.h"

class QCheckBox;
class QLabel;
class QToolButton;

namespace solwire {

class TAssignform : public QWidget {
  Q_OBJECT
 public:
  TAssignform(LinkController& link, const Configuration& stored, QWidget* parent = nullptr);

  void applyLanguage(Language language, const QFont& font);
  bool alarmBeep() const { return alarmBeep_; }
  void saveTo(Configuration& configuration) const;

  // Handlers, named as the window's components and events name them.
  void FormActivate();                  // assigncap: the language texts
  void UpDownaClick(int steps);         // the rate control moved up (+1) or down (-1)
  void beepcheckClick();
  void AlarmdialcheckClick();
  void ToolButton1Click(int picture);   // any picture button but ToolButton26

  int rateIndex() const;

 signals:
  void pictureChosen(int picture);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void buildPictureRows();
  void buildOptionLine();
  void layOutOptionLine();
  void showRateText();

  LinkController& link_;
  bool alarmBeep_ = false;
  Language language_ = Language::English;
  QFont font_;

 public:
  // Components. Picture button p (0..25) is pictureButtons[p]: ToolButton1..12
  // and ToolButton25 hold pictures 1..13, ToolButton13..24 pictures 14..25,
  // ToolButton26 picture 0 (no action).
  std::array<QToolButton*, 26> pictureButtons{};
  QLabel* Label1 = nullptr;
  QLabel* Alarmdiallab = nullptr;
  QCheckBox* Alarmdialcheck = nullptr;
  QLabel* Label2 = nullptr;
  QCheckBox* beepcheck = nullptr;
  QLabel* Updatetext = nullptr;
  QWidget* UpDowna = nullptr;
  QToolButton* UpDownaUp = nullptr;
  QToolButton* UpDownaDown = nullptr;
  QLabel* Alarmratetext = nullptr;
};

}  // namespace solwire
