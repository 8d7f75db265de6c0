#include "views/alarm_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "views/qt_text.h"
#include "views/alarm_pictures.h"
#include "views/assign_form.h"
#include "views/origin_label.h"
#include "views/texts/alarm_texts.h"

namespace solwire {

namespace {

constexpr int kWindowLeft = 0;
constexpr int kWindowTop = 304;
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 92;
constexpr int kMinimumHeight = 90;
constexpr int kMaximumHeight = 150;
constexpr int kToolBarHeight = 42;
constexpr int kButtonWidth = 45;
constexpr int kButtonHeight = 38;
constexpr int kHelpButtonWidth = 44;
constexpr int kStripLeft = 44;
constexpr int kStripTop = 42;
constexpr int kStripWidth = 585;
constexpr int kStripHeight = 16;
constexpr int kCellWidth = 45;
constexpr int kLabel1Width = 40;
constexpr int kLabel1Height = 20;
constexpr int kOriginHeight = 16;
const QColor kStripVeil(255, 255, 255, 150);  // greys the strip
constexpr QRect kHelpPanel{54, 0, 287, 54};
constexpr int kHelpMargin = 4;
constexpr int kSymbolPicture = 0;

std::size_t at(int alarm) { return static_cast<std::size_t>(alarm); }

int languageSlot(int language) { return std::clamp(language, 0, 2); }

QFont sized(const QFont& face, int pointSize) {
  QFont font(face);
  font.setPointSize(pointSize);
  return font;
}

bool leftClick(const QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick) return false;
  return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
}

}  // namespace

// The owner-drawn strip: the panel paints each cell (alarmdraw).
class TAlarmform::Strip : public QWidget {
 public:
  explicit Strip(TAlarmform& form) : QWidget(&form), form_(form) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    form_.paintStrip(painter);
  }

 private:
  TAlarmform& form_;
};

TAlarmform::TAlarmform(LinkController& link, Feedback& feedback, TAssignform& assign, const Configuration& stored,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), feedback_(feedback), assign_(assign) {
  for (int i = 0; i < kAlarmInputs; ++i) {
    choices_.picture[at(i)] = stored.alarms[at(i)].image;
    choices_.enabled[at(i)] = stored.alarms[at(i)].enabled;
  }
  for (std::size_t picture = 0; picture < stripPictures_.size(); ++picture)
    stripPictures_[picture] = statusStripPicture(static_cast<int>(picture));

  setGeometry(kWindowLeft, kWindowTop, kWindowWidth, kWindowHeight);
  setMinimumHeight(kMinimumHeight);
  setMaximumHeight(kMaximumHeight);
  buildToolBar();
  buildStatusLine();
  buildHelpPanel();
  buildMenu();
  connect(&assign_, &TAssignform::pictureChosen, this, [this](int picture) { pictureChosen(picture); });

  Timer1 = new QTimer(this);
  Timer1->setSingleShot(true);  // re-armed after each tick, so late ticks never bunch up
  Timer1->setTimerType(Qt::PreciseTimer);
  Timer1->setInterval(kBlinkInterval);
  connect(Timer1, &QTimer::timeout, this, [this] { blinkTimeout(); });
  Timer1->start();

  applyLanguage(languageFromIndex(stored.languageNumber), font());
  refreshButtons();
}

TAlarmform::~TAlarmform() = default;

void TAlarmform::buildToolBar() {
  ToolBar1 = new QWidget(this);
  ToolBar1->setGeometry(0, 0, kWindowWidth, kToolBarHeight);
  ToolButton1 = new QToolButton(ToolBar1);
  ToolButton1->setAutoRaise(true);
  ToolButton1->setIcon(alarmIcon(kSymbolPicture));
  ToolButton1->setIconSize(QSize(kAlarmPictureWidth, kAlarmPictureHeight));
  ToolButton1->setGeometry(0, 2, kHelpButtonWidth, kButtonHeight);
  connect(ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });

  for (int alarm = 0; alarm < kAlarmInputs; ++alarm) {
    auto* button = new QToolButton(ToolBar1);
    button->setAutoRaise(true);
    button->setIconSize(QSize(kAlarmPictureWidth, kAlarmPictureHeight));
    button->setGeometry(kStripLeft + alarm * kButtonWidth, 2, kButtonWidth, kButtonHeight);
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QToolButton::clicked, this, [this, alarm] { ToolButton3Click(alarm); });
    connect(button, &QWidget::customContextMenuRequested, this,
            [this, alarm, button](const QPoint& at) { openAlarmMenu(alarm, button->mapToGlobal(at)); });
    alarmButtons[at(alarm)] = button;
  }
}

void TAlarmform::buildStatusLine() {
  Label1 = new QLabel(this);
  Label1->setGeometry(0, kStripTop, kLabel1Width, kLabel1Height);
  Label1->setAutoFillBackground(true);
  Alarmstatusbar = new Strip(*this);
  Alarmstatusbar->setGeometry(kStripLeft, kStripTop, kStripWidth, kStripHeight);
  originlab = new QLabel(this);
  originlab->setGeometry(kStripLeft, kStripTop + kStripHeight + 2, kStripWidth, kOriginHeight);
  originlab->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TAlarmform::buildHelpPanel() {
  helppanel = new QFrame(this);
  helppanel->setGeometry(kHelpPanel);
  helppanel->setAutoFillBackground(true);
  QPalette navy = helppanel->palette();
  navy.setColor(QPalette::Window, QColor(0, 0, 128));
  navy.setColor(QPalette::WindowText, Qt::white);
  helppanel->setPalette(navy);
  Label2 = new QLabel(helppanel);
  Label3 = new QLabel(helppanel);
  for (QObject* watched : {static_cast<QObject*>(helppanel), static_cast<QObject*>(Label2),
                           static_cast<QObject*>(Label3)})
    watched->installEventFilter(this);
  helppanel->hide();
}

void TAlarmform::buildMenu() {
  Alarmpopup = new QMenu(this);
  Alarmpopup->setToolTipsVisible(true);
  Enable = Alarmpopup->addAction(QString());
  // Ticked while the alarm whose menu is open is enabled.
  Enable->setCheckable(true);
  Alarmpopup->addSeparator();
  Assign = Alarmpopup->addAction(QString());
  connect(Enable, &QAction::triggered, this, [this] { EnableClick(); });
  connect(Assign, &QAction::triggered, this, [this] { AssignClick(); });
}

// ---- Language -------------------------------------------------------------

void TAlarmform::applyLanguage(Language language, const QFont& font) {
  language_ = language;
  font_ = font;
  assign_.applyLanguage(language, font);
  const std::size_t slot = static_cast<std::size_t>(languageSlot(static_cast<int>(language)));

  setFont(sized(font, kAlarmWindowSizes[slot]));
  setWindowTitle(qtText(kAlarmCaption[language]));
  Label1->setFont(sized(font, kAlarmStatusLabelSizes[slot]));
  Label1->setText(qtText(kAlarmStatusLabel[language]));
  Label2->setFont(sized(font, kAlarmHelpLabelSizes[slot]));
  Label2->setText(qtText(kAlarmHelpLeftClick[language]));
  originlab->setFont(sized(font, kAlarmStatusLabelSizes[slot]));
  showOrigin();
  Label3->setFont(sized(font, kAlarmHelpLabelSizes[slot]));
  Label3->setText(qtText(kAlarmHelpRightClick[language]));
  Enable->setText(qtText(kAlarmEnableItem[language]));
  Enable->setToolTip(qtText(kAlarmEnableHint[language]));
  Enable->setStatusTip(qtText(kAlarmEnableHint[language]));
  Assign->setText(qtText(kAlarmAssignItem[language]));
  Assign->setToolTip(qtText(kAlarmAssignHint[language]));
  Assign->setStatusTip(qtText(kAlarmAssignHint[language]));
  layOutHelpPanel();
  refreshButtons();
}

// The two help lines at their own width: the panel grows rather than cut one.
void TAlarmform::layOutHelpPanel() {
  Label2->adjustSize();
  Label3->adjustSize();
  Label2->move(kHelpMargin, kHelpMargin);
  Label3->move(kHelpMargin, std::max(kHelpPanel.height() / 2, Label2->geometry().bottom() + 1));
  const int width = std::max({kHelpPanel.width(), Label2->width() + 2 * kHelpMargin, Label3->width() + 2 * kHelpMargin});
  const int height = std::max(kHelpPanel.height(), Label3->geometry().bottom() + 1 + kHelpMargin);
  helppanel->resize(width, height);
}

// ---- Showing the alarms ---------------------------------------------------

int TAlarmform::buttonPictureOf(int alarm) const {
  return buttonPicture(choices_.picture[at(alarm)], choices_.enabled[at(alarm)]);
}

int TAlarmform::stripPictureOf(int alarm) const {
  const AlarmRecord& alarms = link_.data().alarms;
  return stripPicture(alarms.state[at(alarm)], alarms.flash[at(alarm)], choices_.enabled[at(alarm)], blink_.lit);
}

bool TAlarmform::flashing() const { return anyAlarmFlashing(link_.data().alarms, choices_.enabled); }

void TAlarmform::refreshButtons() {
  for (int alarm = 0; alarm < kAlarmInputs; ++alarm) {
    const int picture = buttonPictureOf(alarm);
    alarmButtons[at(alarm)]->setIcon(picture == kNoPicture ? QIcon() : alarmIcon(picture));
    alarmButtons[at(alarm)]->setToolTip(alarmButtonHint(choices_.picture[at(alarm)]));
  }
  showOrigin();
  Alarmstatusbar->update();
  ToolBar1->update();
}

// alarmdraw: each cell's picture at its top-left corner, kept within the cell.
void TAlarmform::paintStrip(QPainter& painter) {
  for (int alarm = 0; alarm < kAlarmInputs; ++alarm) {
    const QRect cell(alarm * kCellWidth, 0, kCellWidth, Alarmstatusbar->height());
    painter.setClipRect(cell);
    painter.drawPixmap(cell.topLeft(), stripPictures_[at(stripPictureOf(alarm))]);
  }
  painter.setClipping(false);
  if (currentOriginLine().marked) painter.fillRect(Alarmstatusbar->rect(), kStripVeil);
}

OriginLine TAlarmform::currentOriginLine() const {
  return originLine(link_.data().origins.alarms, link_.controls().site, language_, localeTimeText);
}

void TAlarmform::showOrigin() { showOriginLine(originlab, currentOriginLine()); }

void TAlarmform::repaintAlarmStatus() {
  showOrigin();
  Alarmstatusbar->update();
}

// ---- Reading the alarm inputs ---------------------------------------------

void TAlarmform::FormActivate() {
  refreshButtons();
  applyLanguage(language_, font_);
  requestReading();
}

void TAlarmform::AlarmstatusbarClick() { requestReading(); }

// The caption turns red only for a reading that is on its way or waits its
// turn: a request the controller refuses (a dial, the program closing) would
// otherwise leave it red with nothing coming to turn it back.
void TAlarmform::requestReading() {
  if (alarmReadingAwaited()) return;
  showPollPending(true);
  link_.Getdata(Requester::AlarmView);
  if (!alarmReadingAwaited()) showPollPending(false);
}

bool TAlarmform::alarmReadingAwaited() const {
  const LinkState& state = link_.state();
  return link_.awaiting(RequestKind::AlarmInputs) || state.alarmDialPending() || state.alarmDialActive();
}

void TAlarmform::setAlarmPollPending(bool pending) {
  showPollPending(pending);
  // A poll that ended without a reading has marked the alarm record failed.
  if (!pending) repaintAlarmStatus();
  // The timer's poll marks the caption before it asks for the reading; if
  // the request did not go out after all, nothing would end the mark.
  if (pending) QTimer::singleShot(0, this, [this] { dropPendingMarkIfNothingAwaited(); });
}

void TAlarmform::dropPendingMarkIfNothingAwaited() {
  if (pollPending_ && !alarmReadingAwaited()) showPollPending(false);
}

void TAlarmform::showPollPending(bool pending) {
  pollPending_ = pending;
  QPalette palette = Label1->palette();
  palette.setColor(QPalette::Window, pending ? QColor(Qt::red) : this->palette().color(QPalette::Button));
  Label1->setPalette(palette);
}

// ---- Acknowledge, enable, assign ------------------------------------------

void TAlarmform::ToolButton3Click(int alarm) {
  toggleFlash(link_.data().alarms, alarm);
  Alarmstatusbar->update();
}

QString TAlarmform::alarmButtonHint(int picture) const {
  const QString own = QString::fromStdString(alarmPictureHint(picture, language_)).trimmed();
  const QString how = qtText(kAlarmButtonHint[language_]);
  return own.isEmpty() ? how : own + " – " + how;
}

void TAlarmform::openAlarmMenu(int alarm, const QPoint& globalPosition) {
  menuAlarm_ = alarm;
  Enable->setChecked(choices_.enabled[static_cast<std::size_t>(alarm)]);
  Alarmpopup->popup(globalPosition);
}

void TAlarmform::EnableClick() {
  toggleEnabled(choices_, menuAlarm_);
  refreshButtons();
}

void TAlarmform::AssignClick() {
  assignedAlarm_ = menuAlarm_;
  assign_.show();
  assign_.raise();
  assign_.activateWindow();
  assign_.FormActivate();
}

void TAlarmform::pictureChosen(int picture) {
  if (picture >= 0 && picture < kAlarmPictureListSize) choices_.picture[at(assignedAlarm_)] = picture;
  raise();
  activateWindow();  // the activation reads the alarms
  refreshButtons();
}

void TAlarmform::ToolButton1Click() {
  helppanel->setVisible(!helppanel->isVisible());
  helppanel->raise();
}

void TAlarmform::helppanelClick() { helppanel->hide(); }

// ---- Blink ----------------------------------------------------------------

void TAlarmform::Timer1Timer() {
  const BlinkStep step = blinkTick(blink_, flashing(), assign_.alarmBeep(), blinkClock());
  if (step.beep) feedback_.beep();
  if (step.repaint) Alarmstatusbar->update();
}

void TAlarmform::blinkTimeout() {
  Timer1Timer();
  Timer1->start();
}

// ---- Saving ---------------------------------------------------------------

void TAlarmform::saveTo(Configuration& configuration) const {
  assign_.saveTo(configuration);
  const AlarmRecord& alarms = link_.data().alarms;
  for (int i = 0; i < kAlarmInputs; ++i) {
    AlarmSetting& setting = configuration.alarms[at(i)];
    setting.image = choices_.picture[at(i)];
    setting.enabled = choices_.enabled[at(i)];
    setting.oldState = alarms.state[at(i)];
    setting.flash = alarms.flash[at(i)] != 0;
  }
}

// ---- Window events --------------------------------------------------------

void TAlarmform::closeEvent(QCloseEvent* event) {
  assign_.hide();
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

// Hidden from the tool bar or closed: the assignment window goes with it.
// A window manager's own hide (minimising) leaves it alone.
void TAlarmform::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) assign_.hide();
}

void TAlarmform::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) AlarmstatusbarClick();
  QWidget::mousePressEvent(event);
}

void TAlarmform::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) AlarmstatusbarClick();
  QWidget::mouseDoubleClickEvent(event);
}

bool TAlarmform::eventFilter(QObject* watched, QEvent* event) {
  const bool onHelp = watched == helppanel || watched == Label2 || watched == Label3;
  if (onHelp && leftClick(event)) {
    helppanelClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace solwire
