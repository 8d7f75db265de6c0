// Start-up and close of the main window: the configuration store read into
// the controls, the link bound to its ports, and everything written back.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

#include "app/main_form.h"
#include "views/qt_text.h"
#include "app/status_panels.h"
#include "app/texts/main_window_texts.h"
#include "app/texts/settings_file_texts.h"
#include "app/up_down.h"
#include "app/version_text.h"
#include "serial/port_names.h"
#include "views/alarm_form.h"
#include "views/phone_book_form.h"

namespace solwire {

namespace {

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

LinkControls controlsFrom(const Configuration& c) {
  LinkControls controls;
  controls.site = c.siteNumber;
  controls.logSite = c.logSite;
  controls.baudIndex = c.baudRateIndex;
  controls.directPortIndex = c.directPortIndex;
  controls.modemPortIndex = c.modemPortIndex;
  controls.rateHours = c.periodicLogRate;
  controls.periodicLogging = c.sampleEnabled;
  controls.logByDialup = c.logDialUpEnabled;
  controls.logNumber = c.logNumber;
  controls.alarmRateIndex = c.alarmUpdateRate;
  controls.alarmDial = c.alarmDial;
  controls.alarmDialNumber = c.alarmDialNumber;
  return controls;
}

SiteData siteDataFrom(const Configuration& c) {
  SiteData data = startValues(c.voltageMultiplier, c.currentMultiplier);
  for (std::size_t n = 0; n < c.alarms.size(); ++n) {
    data.alarms.state[n] = c.alarms[n].oldState;
    data.alarms.flash[n] = c.alarms[n].flash ? 1 : 0;
  }
  return data;
}

}  // namespace

void Tmainform::FormCreate() {
  loaded_ = loadConfiguration(services_.store);
  languages_.index = loaded_.languageNumber;
  languages_.fonts = loaded_.fonts;
  link_ = std::make_unique<LinkController>(
      links_, LinkServices{services_.clock, *this, services_.feedback, services_.logWriter, services_.dialSupervisor},
      controlsFrom(loaded_), siteDataFrom(loaded_));
  loadControls(loaded_);

  languageSelects[static_cast<std::size_t>(std::clamp(languages_.index, 0, 2))]->setChecked(true);
  applyLanguageTexts();
  qApp->installEventFilter(this);  // hints of the control under the mouse go to panel 0
  bindPorts();
  applyLayout();
  move(0, 10);  // until the window is put back where it was (placeWindows)

  // The phone list grid as laid out before the language heads replace its heads.
  phonegrid->setItem(0, 1, new QTableWidgetItem(qtText(kPhoneGridLayoutNameHead)));
  phonegrid->setItem(0, 2, new QTableWidgetItem(qtText(kPhoneGridLayoutNumberHead)));
  for (int row = 1; row <= kPhoneListSize; ++row) phonegrid->setItem(row, 0, new QTableWidgetItem(QString::number(row)));
  for (int row = 1; row <= kPhoneListSize; ++row) {
    const PhoneListEntry& entry = loaded_.phoneList[static_cast<std::size_t>(row - 1)];
    phonegrid->setItem(row, 1, new QTableWidgetItem(fromStd(entry.name)));
    phonegrid->setItem(row, 2, new QTableWidgetItem(fromStd(entry.number)));
  }

  Tapicheck->setChecked(loaded_.tapiSelection);
  ShowModemControls();
  Versionlab->setText(fromStd(versionText()));
  applyLanguageTexts();  // the caption now carries the version
  createPhoneBook();
  placeWindows();
  tellSettingsFileProblemAtStart();
}

// Told once the event loop runs, so that the window is up behind the message
// and whoever created the window has had the chance to choose how it is told.
void Tmainform::tellSettingsFileProblemAtStart() {
  settingsFileAtStart_ = services_.store.openStatus();
  if (settingsFileAtStart_.ok) return;
  QTimer::singleShot(0, this, [this, message = settingsFileMessage(settingsFileAtStart_)] { reportError(message); });
}

QString Tmainform::settingsFileMessage(const StoreResult& result) const {
  const QString text = qtText(settingsFileText(result.problem, !result.reason.empty())[languages_.index]);
  const QString file = fromStd(result.location);
  return text.contains(QLatin1String("%2")) ? text.arg(file, fromStd(result.reason)) : text.arg(file);
}

void Tmainform::loadControls(const Configuration& c) {
  const PortNames names([&c](int com) { return storedPortPath(c, com); });
  Dportbox->showPaths(names);
  mportbox->showPaths(names);
  sitesel->setPosition(c.siteNumber);
  sitetext->setNum(c.siteNumber);
  rateedit->setValue(c.periodicLogRate);
  baudbox->setCurrentIndex(c.baudRateIndex);
  Dportbox->setCurrentIndex(c.directPortIndex);
  mportbox->setCurrentIndex(c.modemPortIndex);
  logsite->setValue(c.logSite);
  dialedit->setText(fromStd(c.dialString));
  // File names keep their case: on this system another case names another file.
  fileedit->setText(fromStd(c.saveFile));
  Lognumedit->setText(fromStd(c.logNumber));
  logedit->setText(fromStd(c.logFile));
  modemSetupString = fromStd(c.modemSetString);
  selectedTapiDevice = fromStd(c.selectedTapiDevice);
  Setupedit->setText(modemSetupString);

  Currsavecheck->setChecked(c.currentData);
  Datasavecheck->setChecked(c.dayData);
  Setsavecheck->setChecked(c.settingsData);
  Calsavecheck->setChecked(c.calibrationData);
  Samplecheck->setChecked(c.sampleEnabled);
  dialupcheck->setChecked(c.logDialUpEnabled);
  rateedit->setEnabled(c.sampleEnabled);
  Waittimelab->setVisible(c.sampleEnabled);
  Lognumedit->setEnabled(c.logDialUpEnabled);
}

void Tmainform::bindPorts() {
  try {
    links_.directPort.setComNumber(static_cast<std::uint16_t>(loaded_.directPortIndex + 1));
    links_.modemPort.setComNumber(static_cast<std::uint16_t>(loaded_.modemPortIndex + 1));
    links_.directPort.setBaud(baudRateForIndex(loaded_.baudRateIndex));
  } catch (const std::exception&) {
    showLinkStatus(LinkStatus::PortSetException);
  }
  link_->ShowLinkInStatus();
}

Configuration Tmainform::currentConfiguration() const {
  Configuration c = loaded_;
  c.siteNumber = sitesel->position();
  c.periodicLogRate = rateedit->value();
  c.baudRateIndex = baudbox->currentIndex();
  c.directPortIndex = Dportbox->currentIndex();
  c.modemPortIndex = mportbox->currentIndex();
  c.languageNumber = languages_.index;
  c.voltageMultiplier = link_->data().scaling.voltageMultiplier;
  c.currentMultiplier = link_->data().scaling.chargeCurrentMultiplier;
  c.alarmUpdateRate = link_->controls().alarmRateIndex;
  c.logSite = logsite->value();
  c.dialString = dialedit->text().toStdString();
  c.saveFile = fileedit->text().toStdString();
  c.logFile = logedit->text().toStdString();
  c.logNumber = Lognumedit->text().toStdString();
  c.modemSetString = modemSetupString.toStdString();
  c.selectedTapiDevice = selectedTapiDevice.toStdString();
  c.phoneBook = phoneBook_ ? phoneBook_->FileName().toStdString() : loaded_.phoneBook;

  c.currentData = Currsavecheck->isChecked();
  c.dayData = Datasavecheck->isChecked();
  c.settingsData = Setsavecheck->isChecked();
  c.calibrationData = Calsavecheck->isChecked();
  c.sampleEnabled = Samplecheck->isChecked();
  c.logDialUpEnabled = dialupcheck->isChecked();
  c.alarmDial = link_->controls().alarmDial;
  c.alarmDialNumber = link_->controls().alarmDialNumber;
  c.tapiSelection = Tapicheck->isChecked();

  for (std::size_t n = 0; n < c.alarms.size(); ++n) {
    c.alarms[n].oldState = link_->data().alarms.state[n];
    c.alarms[n].flash = link_->data().alarms.flash[n] != 0;
  }
  for (int row = 1; row <= kPhoneListSize; ++row) {
    PhoneListEntry& entry = c.phoneList[static_cast<std::size_t>(row - 1)];
    if (const QTableWidgetItem* name = phonegrid->item(row, 1)) entry.name = name->text().toStdString();
    if (const QTableWidgetItem* number = phonegrid->item(row, 2)) entry.number = number->text().toStdString();
  }
  c.fonts = languages_.fonts;
  if (windows_.alarms) windows_.alarms->saveTo(c);
  if (placer_) placer_->recordInto(c);
  return c;
}

std::optional<QString> Tmainform::saveConfiguration() {
  const StoreResult result = solwire::saveConfiguration(services_.store, currentConfiguration());
  if (result.ok) return std::nullopt;
  const bool toldAtStart =
      result.problem == settingsFileAtStart_.problem && result.location == settingsFileAtStart_.location;
  if (toldAtStart) return std::nullopt;
  const QString message = settingsFileMessage(result);
  Statusb->setPanelText(5, message);
  services_.feedback.beep();
  return message;
}

void Tmainform::closePorts() {
  try {
    links_.directMatcher.setEnabled(false);
    links_.directPort.setOpen(false);
    links_.modemMatcher.setEnabled(false);
    links_.modemPort.setOpen(false);
  } catch (const std::exception&) {
    showLinkStatus(LinkStatus::PortSetException);
    services_.feedback.beep();
  }
}

}  // namespace solwire
