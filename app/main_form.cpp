#include "app/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "app/help_form.h"
#include "views/phone_book_form.h"
#include "views/qt_text.h"
#include "app/status_panels.h"
#include "app/texts/main_window_texts.h"
#include "app/toolbar_pictures.h"
#include "app/up_down.h"
#include "app/version_text.h"
#include "serial/port_names.h"
#include "store/rich_text_print.h"

namespace solwire {

namespace {

constexpr int kMainWidth = 582;
constexpr int kToolBarHeight = 44;
constexpr int kStatusHeight = 22;
constexpr int kPanelTop = kToolBarHeight + kStatusHeight;

// Visibility as the window's own state, whether or not the window is on screen.
bool shown(const QWidget* widget) { return !widget->isHidden(); }
void toggle(QWidget* widget) { widget->setVisible(widget->isHidden()); }

std::optional<QFont> askForFont(QWidget* parent, const QFont& initial) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent, QString(), QFontDialog::ScalableFonts);
  if (!ok) return std::nullopt;
  return chosen;
}

}  // namespace

Tmainform::Tmainform(MainFormServices services, LinkEndpoints links, QWidget* parent)
    : QWidget(parent), services_(services), links_(links) {
  setObjectName("mainform");
  chooseFont = [this](const QFont& initial) { return askForFont(this, initial); };
  reportError = [this](const QString& message) { QMessageBox::critical(this, windowTitle(), message); };
  reportLogProblem = [this](const QString& message) { showLogProblemBox(message); };
  printer_ = std::make_unique<BackgroundPrinter>();
  buildToolBar();
  Statusb = new StatusPanels(this);
  Statusb->setObjectName("Statusb");
  buildSitePanel();
  // After the panel's own handler, which has set the controller's site.
  connect(sitesel, &UpDown::changed, this, &Tmainform::showSelectedSiteInWindows);
  buildExitPanel();
  buildLanguageGroup();
  buildPortPanel();
  buildDialPanel();
  buildSavePanel();
  buildLogPanel();
  buildModemControls();
  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &Tmainform::Timer1Timer);
  FormCreate();
  Timer1->start();
}

Tmainform::~Tmainform() {
  qApp->removeEventFilter(this);
  attachModem(nullptr);
  // The controller lets go of the matchers before the ports go.
  link_.reset();
}

void Tmainform::attachHelpForm(Thelpform* help) {
  helpform_ = help;
  placeWindows();
}

// ---- Tool bar --------------------------------------------------------------

void Tmainform::ToolButton1Click() {
  toggle(exitpanel);
  exityesBitBtn->setText(QString());
  exitnoBitBtn->setText(QString());
  applyLayout();
}

void Tmainform::askToExit() {
  if (!exitpanel->isVisible()) ToolButton1Click();
  raise();
  activateWindow();
}

void Tmainform::ToolButton2Click() {
  toggle(Langgroup);
  applyLayout();
}

void Tmainform::ToolButton3Click() {
  if (!helpform_) return;
  if (shown(helpform_)) {
    helpform_->hide();
    return;
  }
  helpform_->show();
  helpform_->raise();
  helpform_->activateWindow();
}

void Tmainform::ToolButton8Click() {
  toggle(companel);
  if (shown(companel)) ShowModemControls();
  applyLayout();
}

void Tmainform::showSavePanel(bool printMode) {
  toggle(Savepanel);
  if (shown(Savepanel)) {
    Savepanel->resize(210, printMode ? 127 : 158);
    Savebutton->setVisible(!printMode);
    Readbutton->setVisible(!printMode);
    fileedit->setVisible(!printMode);
    Printbutton->setVisible(printMode);
    const TextRow& hint = printMode ? kSavePanelPrintHint : kSavePanelSaveHint;
    Savepanel->setToolTip(qtText(hint[languages_.index]));
  }
  applyLayout();
}

void Tmainform::ToolButton10Click() { showSavePanel(false); }
void Tmainform::ToolButton11Click() { showSavePanel(true); }

void Tmainform::ToolButton12Click() {
  toggle(Logpanel);
  applyLayout();
}

void Tmainform::SaveclosebuttonClick() {
  Savepanel->hide();
  applyLayout();
}

// ---- Exit ------------------------------------------------------------------

void Tmainform::exityesBitBtnClick() { close(); }

void Tmainform::exitnoBitBtnClick() {
  exitpanel->hide();
  applyLayout();
}

void Tmainform::closeEvent(QCloseEvent* event) {
  // The close box asks "EXIT?" as the Exit button does; a close by the
  // program itself (Yes on that panel, the end of an unattended run) does not.
  if (event->spontaneous() && !closing_) {
    askToExit();
    event->ignore();
    return;
  }
  // Unsaved phone book changes: the operator may save them first, or stay.
  if (!closing_ && phoneBook_ && !phoneBook_->closeForExit()) {
    event->ignore();
    return;
  }
  // A call made by AT commands outlives its port when the modem ignores DTR
  // (&D0): it is hung up as the Hangup button does before the program goes.
  if (!closing_ && exitHangup_ != ExitHangup::Done && callByAtCommandsUp()) {
    if (exitHangup_ == ExitHangup::NotYet) {
      exitHangup_ = ExitHangup::Waiting;
      hangUpThen([this] {
        exitHangup_ = ExitHangup::Done;
        close();
      });
    }
    event->ignore();
    return;
  }
  if (!closing_) {
    closing_ = true;
    Timer1->stop();
    const std::optional<QString> notSaved = saveConfiguration();
    link_->shutDown();
    closePorts();
    if (helpform_) helpform_->close();
    if (phoneBook_) phoneBook_->hide();
    closeDataWindows();
    // The status bar goes with the window: the operator must be told another
    // way that the changes of this run are lost.
    if (notSaved) reportError(*notSaved);
  }
  event->accept();
}

// ---- Language --------------------------------------------------------------

void Tmainform::englishselectClick(Language language) {
  languages_.index = static_cast<int>(language);
  Langgroup->hide();
  applyLanguageTexts();  // the caption with the version, and the flag
  applyLayout();
}

void Tmainform::fontselbutClick() {
  if (const auto chosen = chooseFont(languages_.qfont())) {
    languages_.currentFont().name = chosen->family().toStdString();
    // The dialog offers sizes 8 to 14.
    languages_.currentFont().size = std::clamp(chosen->pointSize(), 8, 14);
  }
  Langgroup->hide();
  applyLanguageTexts();
  applyLayout();
}

void Tmainform::updateCaption() {
  setWindowTitle(qtText(kMainCaption[languages_.index]) + " - " + QString::fromStdString(versionText()));
  ToolButtons[1]->setIcon(toolbarIcon(PictureFlagEnglish + std::clamp(languages_.index, 0, 2)));
}

// ---- Ports -----------------------------------------------------------------

void Tmainform::closeIfOpen(LinkPort& port) {
  try {
    if (port.Open()) port.setOpen(false);
  } catch (const std::exception&) {
    showLinkStatus(LinkStatus::PortSetException);
  }
}

void Tmainform::DportboxChange() {
  closeIfOpen(links_.directPort);
  link_->controls().directPortIndex = Dportbox->currentIndex();
  links_.directPort.setComNumber(static_cast<std::uint16_t>(Dportbox->currentIndex() + 1));
  link_->ShowLinkInStatus();
}

void Tmainform::baudboxChange() {
  closeIfOpen(links_.directPort);
  link_->controls().baudIndex = baudbox->currentIndex();
  links_.directPort.setBaud(baudRateForIndex(baudbox->currentIndex()));
  link_->ShowLinkInStatus();
}

// ---- Save and log panels ---------------------------------------------------

void Tmainform::SamplecheckClick() {
  rateedit->setEnabled(Samplecheck->isChecked());
  Waittimelab->setVisible(Samplecheck->isChecked());
  link_->controls().periodicLogging = Samplecheck->isChecked();
}

void Tmainform::dialupcheckClick() {
  Lognumedit->setEnabled(dialupcheck->isChecked());
  link_->controls().logByDialup = dialupcheck->isChecked();
}

QCheckBox* Tmainform::saveOptionBox(SaveOption option) const {
  switch (option) {
    case SaveOption::CurrentState: return Currsavecheck;
    case SaveOption::History: return Datasavecheck;
    case SaveOption::Settings: return Setsavecheck;
    case SaveOption::Calibration: return Calsavecheck;
  }
  return Currsavecheck;
}

// ---- Site ------------------------------------------------------------------

void Tmainform::siteselChanging() { link_->siteselChanging(); }

void Tmainform::showSelectedSiteInWindows() {
  labelupdate();
  drawgraph();
  repaintAlarmStatus();
  setdisplay();
}

// ---- The one-second timer and the status bar --------------------------------

void Tmainform::Timer1Timer() {
  link_->Timer1Timer();
  if (directDeviceLost_ && !link_->lineBusy()) {
    directDeviceLost_ = false;
    closeIfOpen(links_.directPort);
  }
}

void Tmainform::directDeviceLost() {
  directDeviceLost_ = true;
  showLinkStatus(LinkStatus::PortNotOpen);
  services_.feedback.beep();
}

namespace {

// The texts that only say that the direct port would not open, and what
// became of the request because of it.
bool restatesAFailedOpen(LinkStatus status) {
  return status == LinkStatus::PortSetException || status == LinkStatus::CantOpenPort ||
         status == LinkStatus::CommFail;
}

}  // namespace

// While the direct port will not open, the message panel says why in the
// system's words, as much as fits, and its tip says it whole with the port
// and its device: "COM6 (/dev/ttyS5): No such file or directory".
void Tmainform::showLinkStatus(LinkStatus status) {
  const QString failure = directPortFailure(status);
  const QString text = !failure.isEmpty() && restatesAFailedOpen(status)
                           ? Statusb->fitted(5, directPortReason_)
                           : qtText(statusText(status, languageFromIndex(languages_.index)));
  Statusb->setPanelText(5, text);
  Statusb->setMessageDetail(failure);
}

// A failed open is followed at once by "Cant Open Port" and "Comm Fail", so
// the port and the system's reason stay with the message panel until the
// port opens.
QString Tmainform::directPortFailure(LinkStatus status) {
  if (!link_ || link_->lastPortError().empty()) {
    directPortFailure_.clear();
    directPortReason_.clear();
  } else if (status == LinkStatus::PortSetException) {
    const int com = links_.directPort.ComNumber();
    const PortNames names([this](int n) { return storedPortPath(loaded_, n); });
    // The serial layer's own message only when the system said nothing.
    const std::string reason = links_.directPort.OpenFailureReason();
    directPortReason_ = qtText(reason.empty() ? link_->lastPortError() : reason);
    directPortFailure_ =
        QStringLiteral("COM%1 (%2): %3").arg(QString::number(com), qtText(names.pathFor(com)), directPortReason_);
  }
  return directPortFailure_;
}

void Tmainform::showClock(const LocalTime& now) {
  const QDate date(now.year, now.month, now.day);
  const QTime time(now.hour, now.minute, now.second);
  const QLocale locale;
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QRegularExpression("\\s*t+\\s*"));  // no time zone name in a 154-pixel panel
  Statusb->setPanelText(1, locale.toString(time, timeFormat) + "   " + locale.toString(date, QLocale::ShortFormat));
}

void Tmainform::showLinkInStatus(int comNumber, int baud) {
  Statusb->setPanelText(2, QString("COM%1").arg(comNumber));
  Statusb->setPanelText(3, QString::number(baud));
}

void Tmainform::showHoursToLog(int hours, bool rateEditable) {
  rateedit->setEnabled(rateEditable);
  Waittimelab->setText(QString("  %1").arg(hours));
}

void Tmainform::enableSaveOption(SaveOption option) { saveOptionBox(option)->setEnabled(true); }

void Tmainform::disableSaveOptions() {
  for (QCheckBox* box : {Currsavecheck, Datasavecheck, Setsavecheck, Calsavecheck}) box->setEnabled(false);
}

// The hint of the control under the mouse goes to status panel 0. A control
// without a hint of its own (the text field inside a spin box, a bare spot of
// a panel) shows the hint of the nearest control around it. Qt sends Leave
// before Enter, and nothing to a parent when the mouse moves from a child back
// onto it, so a Leave hands the hint back to the parent.
bool Tmainform::eventFilter(QObject* watched, QEvent* event) {
  const bool enter = event->type() == QEvent::Enter;
  if (enter || event->type() == QEvent::Leave) {
    if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == this) {
      QString hint;
      for (QWidget* w = enter ? widget : widget->parentWidget(); w && hint.isEmpty() && w != this;
           w = w->parentWidget())
        hint = w->toolTip();
      Statusb->setPanelText(0, hint);
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Layout ----------------------------------------------------------------

// The window's place on the desktop is left alone: it is set once at start
// (main_form_windows.cpp), and a panel opening must not pull the window back
// from where the operator moved it.
void Tmainform::applyLayout() {
  CoolBar1->setGeometry(0, 0, kMainWidth, kToolBarHeight);
  Statusb->setGeometry(0, kToolBarHeight, kMainWidth, kStatusHeight);
  sitepanel->setGeometry(583, 0, 49, 66);
  exitpanel->setGeometry(0, kPanelTop, 200, 120);
  Langgroup->setGeometry(46, kPanelTop, 232, 124);
  Logpanel->setGeometry(325, kPanelTop, 305, 169);
  Savepanel->move(368, kPanelTop);
  if (Savepanel->width() != 210) Savepanel->resize(210, 158);
  companel->setGeometry(330, kPanelTop, 297, 199);
  Dialpanel->setGeometry(284, kPanelTop, 344, 94);
  Versionlab->move(8, 96);

  int bottom = kPanelTop;
  for (QWidget* panel : std::initializer_list<QWidget*>{exitpanel, Langgroup, Logpanel, Savepanel, companel, Dialpanel})
    if (panel->isVisibleTo(this)) bottom = std::max(bottom, panel->geometry().bottom() + 1);
  setFixedSize(583 + 49, bottom);
}

int Tmainform::tallestLayoutHeight() const {
  int bottom = kPanelTop;
  const std::array<const QWidget*, 6> panels{exitpanel, Langgroup, Logpanel, Savepanel, companel, Dialpanel};
  for (const QWidget* panel : panels)
    bottom = std::max(bottom, panel->geometry().bottom() + 1);
  return bottom;
}

}  // namespace solwire
