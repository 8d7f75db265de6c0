// The main window's modem side: the port panel's modem controls, the phone
// book window and its tool bar button, and the modem line on Comport2 bound
// to the link controller, the status bar and the call picture.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/main_form.h"
#include "app/modem_line.h"
#include "views/qt_text.h"
#include "app/status_panels.h"
#include "app/texts/main_window_texts.h"
#include "app/toolbar_pictures.h"
#include "modem/dialup_supervisor.h"
#include "serial/port_names.h"
#include "views/device_select_form.h"
#include "views/phone_book_form.h"

namespace solwire {

namespace {

// How often an exit that hangs up a call first looks whether it has ended.
constexpr std::chrono::milliseconds kHangupLook{100};

QToolButton* phoneBookButton(const std::array<QToolButton*, 12>& buttons) { return buttons[8]; }

}  // namespace

void Tmainform::buildModemControls() {
  chooseDevice = [this](const std::vector<std::string>& names, const std::string& current) {
    return ChooseDevice(this, names, current);
  };
  reportModemProblem = [this](const QString& message) {
    // Over the window that dials, so that the phone book does not hide it.
    QWidget* owner = dialWindow();
    if (modemProblemBox_ && modemProblemBox_->parentWidget() == owner) {
      modemProblemBox_->setText(message);
      return;
    }
    if (modemProblemBox_) modemProblemBox_->close();
    modemProblemBox_ = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, owner);
    modemProblemBox_->setAttribute(Qt::WA_DeleteOnClose);
    modemProblemBox_->setWindowModality(Qt::NonModal);
    modemProblemBox_->show();
  };
  inform = [this](const QString& message) { QMessageBox::information(this, windowTitle(), message); };
  // Down while the phone book shows.
  phoneBookButton(ToolButtons)->setCheckable(true);
  showCallPicture(false);
}

// ---- The modem line ----------------------------------------------------------

void Tmainform::attachModem(ModemLine* modem) {
  if (modem_) {
    modem_->onStatus = nullptr;
    modem_->onCallPicture = nullptr;
    modem_->onError = nullptr;
    modem_->onRetry = nullptr;
    modem_->onFailedCall = nullptr;
    modem_->tapi().selectDevice = nullptr;
    modem_->detach();
  }
  modem_ = modem;
  if (!modem_) return;

  modem_->onStatus = [this](LinkStatus status) { modemStatus(status); };
  modem_->onCallPicture = [this](bool connected) { showCallPicture(connected); };
  modem_->onRetry = [this](LinkStatus result, int nextAttempt, int maxAttempts) {
    const QString said = qtText(statusText(result, languageFromIndex(languages_.index)));
    Statusb->setPanelText(5, qtText(kDialRetry[languages_.index]).arg(said).arg(nextAttempt).arg(maxAttempts));
  };
  modem_->onFailedCall = [this](LinkStatus result, int attempts) {
    const QString said = qtText(statusText(result, languageFromIndex(languages_.index)));
    Statusb->setPanelText(5, qtText(kDialFailedTries[languages_.index]).arg(said).arg(attempts));
  };
  modem_->onError = [this](const std::string& reason) {
    const QString message = qtText(kDialRefused[languages_.index]).arg(qtText(reason));
    Statusb->setPanelText(5, message);
    reportModemProblem(message);
  };
  modem_->attach(*link_);

  TTapiDevice& tapi = modem_->tapi();
  tapi.setSelectedDevice(selectedTapiDevice.toStdString());
  // A dial on a device that is not installed asks for one.
  tapi.selectDevice = [this](const std::vector<std::string>& names) -> std::optional<std::string> {
    auto chosen = chooseDevice(names, selectedTapiDevice.toStdString());
    if (chosen) {
      selectedTapiDevice = qtText(*chosen);
      if (Tapicheck->isChecked()) Setupedit->setText(selectedTapiDevice);
    }
    return chosen;
  };

  try {
    TComPort& port = modem_->port();
    port.setComNumber(static_cast<std::uint16_t>(mportbox->currentIndex() + 1));
    port.setBaud(HayesLineService::kModemBaud);
    port.setParity(Parity::pNone);
    port.setDataBits(8);
    port.setStopBits(1);
  } catch (const std::exception& error) {
    modemStatus(LinkStatus::PortSetException);
    Statusb->setMessageDetail(modemPortFailure() + ": " + qtText(error.what()));
  }
  applyTapiMode();
  syncModemControls();
}

void Tmainform::syncModemControls() {
  if (modem_) modem_->setControls(Tapicheck->isChecked(), Pulsecheck->isChecked(), modemSetupString.toStdString());
}

void Tmainform::applyTapiMode() {
  if (modem_) modem_->port().setTapiMode(Tapicheck->isChecked() ? TapiMode::tmOn : TapiMode::tmOff);
}

// The supervisor's status texts. A modem port that will not open is also
// told in a message, once per failure, with the port and the system's reason.
void Tmainform::modemStatus(LinkStatus status) {
  Statusb->setPanelText(5, qtText(statusText(status, languageFromIndex(languages_.index))));
  const bool openFailed = status == LinkStatus::PortSetException ||
                          (status == LinkStatus::CantOpenCommPort && lastModemStatus_ != LinkStatus::PortSetException);
  lastModemStatus_ = status;
  if (!openFailed || !modem_) {
    if (status != LinkStatus::CantOpenCommPort && status != LinkStatus::ModemCantOpenPort)
      Statusb->setMessageDetail(QString());
    return;
  }
  // The system's words, else the serial layer's message.
  const std::string systemReason = links_.modemPort.OpenFailureReason();
  const QString reason = qtText(systemReason.empty() ? modem_->lastPortError() : systemReason);
  Statusb->setMessageDetail(modemPortFailure() + (reason.isEmpty() ? QString() : ": " + reason));
  reportModemProblem(qtText(kModemPortProblem[languages_.index]).arg(modemPortFailure(), reason));
}

// "COM4 (/dev/ttyUSB1)"
QString Tmainform::modemPortFailure() const {
  const int com = links_.modemPort.ComNumber();
  const PortNames names([this](int n) { return storedPortPath(loaded_, n); });
  return QStringLiteral("COM%1 (%2)").arg(QString::number(com), qtText(names.pathFor(com)));
}

void Tmainform::showCallPicture(bool connected) {
  const int picture = connected ? PicturePhoneConnected : PicturePhone;
  QToolButton* button = phoneBookButton(ToolButtons);
  button->setIcon(toolbarIcon(picture));
  button->setProperty("picture", picture);
}

// ---- The port panel's modem controls -------------------------------------------

void Tmainform::ShowModemControls() {
  const bool tapi = Tapicheck->isChecked();
  const Language language = languages_.language();
  Setuplab->setText(qtText(setupLabCaption(tapi, language)));
  Setupedit->setText(tapi ? selectedTapiDevice : modemSetupString);
  Setupedit->setToolTip(qtText(setupEditHint(tapi, language)));
  Setuplab->setToolTip(Setupedit->toolTip());
  Setupedit->setReadOnly(tapi);
  Pulsecheck->setEnabled(!tapi);
  Pulsecheck->setVisible(!tapi);
  Tapiselbutton->setEnabled(tapi);
  Tapiselbutton->setVisible(tapi);
}

// A call cannot go on without its port: one that is being made or is up when
// the port is closed ends with it (a call of the telephony line device is
// cancelled), rather than leaving the link in modem mode
// with a hang-up that can only say "Port Not Open". (A modem set to hang up
// when DTR drops, "&D2", ends the call itself.)
void Tmainform::closeModemPort() {
  if (modem_) {
    TTapiDevice& tapi = modem_->tapi();
    if (tapi.lineOpen() || tapi.retrying()) tapi.AbortCall();
  }
  try {
    if (links_.modemPort.Open()) links_.modemPort.setOpen(false);
  } catch (const std::exception&) {
    modemStatus(LinkStatus::PortSetException);
  }
  if (modem_ && !link_->state().lineIdle()) modem_->abandonCall();
}

bool Tmainform::callByAtCommandsUp() const {
  return modem_ && !Tapicheck->isChecked() && links_.modemPort.Open() && !link_->state().lineIdle();
}

// The hang-up runs on the port's timer triggers; the window stays live while
// it is looked at every so often, for at most the time every sequence the
// supervisor may run takes, and a little more.
void Tmainform::hangUpThen(std::function<void()> next) {
  if (!callByAtCommandsUp()) {
    next();
    return;
  }
  if (!modem_->hangingUp()) HangupClick();
  constexpr auto kLimit = std::chrono::milliseconds(
      DialupSupervisor::kHangupAttempts *
          (2 * DialupSupervisor::kEscapeGuardTicks + DialupSupervisor::kHangupGuardTicks) * kTickMilliseconds +
      2000);
  waitForHangup(std::move(next), static_cast<int>(kLimit / kHangupLook));
}

void Tmainform::waitForHangup(std::function<void()> next, int looksLeft) {
  if (link_->state().lineIdle() || looksLeft <= 0) {
    next();
    return;
  }
  services_.clock.callAfter(kHangupLook, [this, next = std::move(next), looksLeft]() mutable {
    waitForHangup(std::move(next), looksLeft - 1);
  });
}

void Tmainform::TapicheckClick() {
  ShowModemControls();
  syncModemControls();
  if (!modem_) return;
  closeModemPort();
  applyTapiMode();
  if (!Tapicheck->isChecked()) modem_->SetupModem();
}

void Tmainform::TapiselbuttonClick() {
  const std::vector<std::string> names = modem_ ? modem_->tapi().deviceNames() : std::vector<std::string>{};
  const std::optional<std::string> chosen = chooseDevice(names, selectedTapiDevice.toStdString());
  if (!chosen) return;
  selectedTapiDevice = qtText(*chosen);
  Setupedit->setText(selectedTapiDevice);
  if (modem_) {
    modem_->tapi().setSelectedDevice(*chosen);
    modem_->port().setTapiMode(TapiMode::tmOn);
  }
}

void Tmainform::SetupeditChange() {
  if (Tapicheck->isChecked()) return;
  modemSetupString = Setupedit->text();
  syncModemControls();
}

void Tmainform::PulsecheckClick() { syncModemControls(); }

void Tmainform::mportboxChange() {
  closeModemPort();
  try {
    link_->controls().modemPortIndex = mportbox->currentIndex();
    links_.modemPort.setComNumber(static_cast<std::uint16_t>(mportbox->currentIndex() + 1));
  } catch (const std::exception&) {
    modemStatus(LinkStatus::PortSetException);
  }
  link_->ShowLinkInStatus();
  if (modem_ && !Tapicheck->isChecked()) modem_->SetupModem();
}

void Tmainform::HangupClick() {
  if (modem_)
    modem_->HangupClick();
  else
    modemStatus(LinkStatus::PortNotOpen);
}

// ---- The phone book ------------------------------------------------------------

// Made once, hidden. A stored file that cannot be loaded leaves the program
// without a phone book, which the operator is told once the window is up.
void Tmainform::createPhoneBook() {
  const QString file = qtText(loaded_.phoneBook);
  try {
    phoneBook_ = new TfrmPhoneBook(file, this);
  } catch (const std::exception& error) {
    phoneBook_ = nullptr;
    const QString message = qtText(kPhoneBookNotLoaded[languages_.index]).arg(file, qtText(error.what()));
    QTimer::singleShot(0, this, [this, message] { reportError(message); });
    return;
  }
  phoneBook_->hide();
  phoneBook_->OnDial = [this](const QString& numberText, const QString& digits) { phoneBookDial(numberText, digits); };
  phoneBook_->OnHangup = [this] { HangupClick(); };
  connect(phoneBook_, &TfrmPhoneBook::closedByOperator, this,
          [this] { phoneBookButton(ToolButtons)->setChecked(false); });
}

void Tmainform::phoneBookDial(const QString& numberText, const QString& digits) {
  if (modem_) modem_->dialFromPhoneBook(numberText.toStdString(), digits.toStdString());
}

void Tmainform::ToolButton9Click() {
  QToolButton* button = phoneBookButton(ToolButtons);
  if (!phoneBook_) {
    button->setChecked(false);
    inform(qtText(kPhoneBookNotAvailable));
    return;
  }
  if (!phoneBook_->isHidden()) {
    phoneBook_->hide();
    button->setChecked(false);
    return;
  }
  phoneBook_->show();
  phoneBook_->raise();
  phoneBook_->activateWindow();
  button->setChecked(true);
}

}  // namespace solwire
