#include "views/assign_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

#include "views/qt_text.h"
#include "views/alarm_pictures.h"
#include "views/alarm_rules.h"
#include "views/texts/alarm_texts.h"

namespace solwire {

namespace {

constexpr int kWindowLeft = 0;
constexpr int kWindowTop = 154;
constexpr int kWindowWidth = 594;
constexpr int kWindowHeight = 179;
constexpr int kButtonWidth = 45;
constexpr int kButtonHeight = 38;
constexpr int kRowHeight = 42;
constexpr int kButtonsPerRow = 13;
constexpr int kLabel1Left = 8;
constexpr int kLabel1Top = 88;
constexpr int kOptionLineTop = 120;
constexpr int kUpDownWidth = 17;
constexpr int kUpDownHeight = 22;
constexpr int kGap = 2;
constexpr int kSymbolPicture = 0;  // ToolButton26: shows the alarm symbol, does nothing

// Left edges of the option line's texts as laid out at the default fonts; a
// text that needs more room pushes what follows it to the right. A check box
// has no place of its own: it follows its label at kBoxGap, whatever the
// label's width in the language and font, and the next text keeps at least
// kGroupGap from it, so that each box is seen as its own label's.
constexpr int kDialLabelLeft = 8;
constexpr int kSoundLabelLeft = 152;
constexpr int kUpdateTextLeft = 290;
constexpr int kUpDownLeft = 473;
constexpr int kRateTextLeft = 492;
constexpr int kBoxGap = 4;
constexpr int kGroupGap = 14;

// The picture of each button position, row by row.
int pictureAt(int row, int column) {
  if (row == 0) return column + 1;                      // 1..13
  return column < kButtonsPerRow - 1 ? column + 14 : kSymbolPicture;  // 14..25, then 0
}

int placeAfter(QWidget* previous, int wanted, int gap = kGap) {
  return previous ? std::max(wanted, previous->geometry().right() + 1 + gap) : wanted;
}

// A label as wide as its text in its own font.
void fitToText(QLabel* label) {
  const QFontMetrics metrics(label->font());
  const QMargins margins = label->contentsMargins();
  const int width = metrics.horizontalAdvance(label->text()) + 2 * label->margin() + margins.left() + margins.right();
  label->resize(width, label->sizeHint().height());
}

}  // namespace

TAssignform::TAssignform(LinkController& link, const Configuration& stored, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), link_(link), alarmBeep_(stored.alarmBeep) {
  setGeometry(kWindowLeft, kWindowTop, kWindowWidth, kWindowHeight);
  buildPictureRows();
  buildOptionLine();
  // FormCreate: the options as they stand.
  beepcheck->setChecked(alarmBeep_);
  Alarmdialcheck->setChecked(link_.controls().alarmDial);
  showRateText();
  applyLanguage(languageFromIndex(stored.languageNumber), font());
}

void TAssignform::buildPictureRows() {
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < kButtonsPerRow; ++column) {
      const int picture = pictureAt(row, column);
      auto* button = new QToolButton(this);
      button->setAutoRaise(true);
      button->setIcon(alarmIcon(picture));
      button->setIconSize(QSize(kAlarmPictureWidth, kAlarmPictureHeight));
      button->setGeometry(column * kButtonWidth, row * kRowHeight + 2, kButtonWidth, kButtonHeight);
      if (picture != kSymbolPicture) connect(button, &QToolButton::clicked, this, [this, picture] { ToolButton1Click(picture); });
      pictureButtons[static_cast<std::size_t>(picture)] = button;
    }
  }
}

void TAssignform::buildOptionLine() {
  Label1 = new QLabel(this);
  Label1->move(kLabel1Left, kLabel1Top);
  Alarmdiallab = new QLabel(this);
  Alarmdialcheck = new QCheckBox(this);
  Label2 = new QLabel(this);
  beepcheck = new QCheckBox(this);
  Updatetext = new QLabel(this);
  UpDowna = new QWidget(this);
  UpDownaUp = new QToolButton(UpDowna);
  UpDownaDown = new QToolButton(UpDowna);
  UpDownaUp->setArrowType(Qt::UpArrow);
  UpDownaDown->setArrowType(Qt::DownArrow);
  UpDownaUp->setGeometry(0, 0, kUpDownWidth, kUpDownHeight / 2);
  UpDownaDown->setGeometry(0, kUpDownHeight / 2, kUpDownWidth, kUpDownHeight / 2);
  UpDowna->resize(kUpDownWidth, kUpDownHeight);
  Alarmratetext = new QLabel(this);

  connect(Alarmdialcheck, &QCheckBox::clicked, this, [this] { AlarmdialcheckClick(); });
  connect(beepcheck, &QCheckBox::clicked, this, [this] { beepcheckClick(); });
  connect(UpDownaUp, &QToolButton::clicked, this, [this] { UpDownaClick(1); });
  connect(UpDownaDown, &QToolButton::clicked, this, [this] { UpDownaClick(-1); });
}

// Every text at its own width, so that no font the operator picks clips one;
// at the default fonts each control sits where the layout puts it.
void TAssignform::layOutOptionLine() {
  fitToText(Label1);
  for (QLabel* label : {Alarmdiallab, Label2, Updatetext, Alarmratetext}) fitToText(label);
  for (QCheckBox* box : {Alarmdialcheck, beepcheck}) box->resize(box->sizeHint());
  Alarmdiallab->move(kDialLabelLeft, kOptionLineTop);
  Alarmdialcheck->move(placeAfter(Alarmdiallab, 0, kBoxGap), kOptionLineTop);
  Label2->move(placeAfter(Alarmdialcheck, kSoundLabelLeft, kGroupGap), kOptionLineTop);
  beepcheck->move(placeAfter(Label2, 0, kBoxGap), kOptionLineTop);
  Updatetext->move(placeAfter(beepcheck, kUpdateTextLeft, kGroupGap), kOptionLineTop);
  UpDowna->move(placeAfter(Updatetext, kUpDownLeft), kOptionLineTop);
  Alarmratetext->move(placeAfter(UpDowna, kRateTextLeft), kOptionLineTop);
  const int needed = std::max(Alarmratetext->geometry().right() + 1 + kGap, Label1->geometry().right() + 1);
  const int lineBottom = std::max({Alarmdiallab->geometry().bottom(), Alarmratetext->geometry().bottom(),
                                   Updatetext->geometry().bottom()}) + 1;
  resize(std::max(kWindowWidth, needed), std::max(kWindowHeight, lineBottom + kGap));
}

void TAssignform::applyLanguage(Language language, const QFont& font) {
  language_ = language;
  font_ = font;
  FormActivate();
}

void TAssignform::FormActivate() {
  setFont(font_);
  setWindowTitle(qtText(kAssignCaption[language_]));
  Label1->setText(qtText(kAssignSelectImage[language_]));
  Alarmdiallab->setText(qtText(kAssignDialUp[language_]));
  Label2->setText(qtText(kAssignSound[language_]));
  Updatetext->setText(qtText(kAssignUpdateEvery[language_]));
  for (std::size_t picture = 0; picture < pictureButtons.size(); ++picture)
    pictureButtons[picture]->setToolTip(QString::fromStdString(alarmPictureHint(static_cast<int>(picture), language_)));
  showRateText();
}

int TAssignform::rateIndex() const { return link_.controls().alarmRateIndex; }

void TAssignform::UpDownaClick(int steps) {
  link_.controls().alarmRateIndex = stepAlarmRate(link_.controls().alarmRateIndex, steps);
  showRateText();
}

void TAssignform::showRateText() {
  Alarmratetext->setText(QString::fromStdString(alarmRateText(link_.controls().alarmRateIndex, language_)));
  layOutOptionLine();
}

void TAssignform::beepcheckClick() { alarmBeep_ = beepcheck->isChecked(); }

void TAssignform::AlarmdialcheckClick() { link_.controls().alarmDial = Alarmdialcheck->isChecked(); }

void TAssignform::ToolButton1Click(int picture) {
  hide();
  emit pictureChosen(picture);
}

void TAssignform::saveTo(Configuration& configuration) const {
  configuration.alarmBeep = alarmBeep_;
  configuration.alarmDial = link_.controls().alarmDial;
  configuration.alarmDialNumber = link_.controls().alarmDialNumber;
  configuration.alarmUpdateRate = link_.controls().alarmRateIndex;
}

void TAssignform::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

}  // namespace solwire
