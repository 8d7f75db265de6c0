// The port panel's modem controls, the device selection, the phone book
// button and the stored modem values, on the main window with its modem line
// on the simulated modem.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <fstream>

#include "tests/app/modem_window_harness.h"
#include "views/device_select_form.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::ModemWindow;
using test::ModemWindowOptions;

ModemWindowOptions tapiOn() {
  ModemWindowOptions options;
  options.tapi = true;
  return options;
}

struct ModemControlsText {
  const char* setupLab;
  const char* setupHint;
};

void expectTapiForm(Tmainform& form, ModemControlsText text) {
  EXPECT_EQ(form.Setuplab->text(), QString::fromUtf8(text.setupLab));
  EXPECT_EQ(form.Setupedit->toolTip(), QString::fromUtf8(text.setupHint));
  EXPECT_EQ(form.Setupedit->text(), QString(kSimulatedModemLineName));
  EXPECT_FALSE(form.Pulsecheck->isVisibleTo(&form));
  EXPECT_FALSE(form.Pulsecheck->isEnabled());
  EXPECT_TRUE(form.Tapiselbutton->isVisibleTo(&form));
  EXPECT_TRUE(form.Tapiselbutton->isEnabled());
}

void expectAtForm(Tmainform& form, ModemControlsText text) {
  EXPECT_EQ(form.Setuplab->text(), QString::fromUtf8(text.setupLab));
  EXPECT_EQ(form.Setupedit->toolTip(), QString::fromUtf8(text.setupHint));
  EXPECT_EQ(form.Setupedit->text(), "&K0&Q0&D2");
  EXPECT_TRUE(form.Pulsecheck->isVisibleTo(&form));
  EXPECT_TRUE(form.Pulsecheck->isEnabled());
  EXPECT_FALSE(form.Tapiselbutton->isVisibleTo(&form));
  EXPECT_FALSE(form.Tapiselbutton->isEnabled());
}

TEST(MainFormModemPanel, ShowModemControlsHasATapiAndAnAtFormInEachLanguage) {
  ModemWindow window(tapiOn());
  Tmainform& form = *window.form;
  form.ToolButton8Click();
  ASSERT_TRUE(form.companel->isVisibleTo(&form));
  const std::array<ModemControlsText, 3> tapi{{{"Current TAPI Device", "Current TAPI Device"},
                                               {"Current TAPI Device", "Current TAPI Device"},
                                               {"当前TAPI装置", "当前TAPI装置"}}};
  const std::array<ModemControlsText, 3> at{{{"Modem Setup String", "Non Tapi Dial String"},
                                             {"Modem Setup String", "Non Tapi Dial String"},
                                             {"MODEM设置指令", "无TAPI业务拨号指令"}}};
  for (int language : {0, 1, 2}) {
    SCOPED_TRACE(language);
    form.languages().index = language;
    form.applyLanguageTexts();
    form.Tapicheck->setChecked(true);
    form.ShowModemControls();
    expectTapiForm(form, tapi[static_cast<std::size_t>(language)]);
    form.Tapicheck->setChecked(false);
    form.ShowModemControls();
    expectAtForm(form, at[static_cast<std::size_t>(language)]);
  }
}

TEST(MainFormModemPanel, SwitchingTapiOffSendsTheSetupStringOnceAndOnPutsThePortInTapiMode) {
  ModemWindow window(tapiOn());
  Tmainform& form = *window.form;
  EXPECT_EQ(window.received("AT"), 0) << "nothing is sent at start";
  form.Tapicheck->click();
  EXPECT_EQ(window.link->Comport2.tapiMode(), TapiMode::tmOff);
  EXPECT_TRUE(window.link->Comport2.Open());
  EXPECT_EQ(window.link->Comport2.Baud(), 2400);
  window.pass(200ms);
  EXPECT_EQ(window.received("AT&K0&Q0&D2\r\n"), 1);
  EXPECT_EQ(window.status(), "Modem Setup");

  form.Tapicheck->click();
  EXPECT_EQ(window.link->Comport2.tapiMode(), TapiMode::tmOn);
  EXPECT_FALSE(window.link->Comport2.Open()) << "the telephony device opens the port for a call";
  window.pass(200ms);
  EXPECT_EQ(window.received("AT"), 1);
}

TEST(MainFormModemPanel, AnEditedSetupStringIsSentAfterAPortChangeAndStoredAtClose) {
  ModemWindow window;
  Tmainform& form = *window.form;
  form.Setupedit->setText("&F&C1");
  emit form.Setupedit->textEdited("&F&C1");
  EXPECT_EQ(form.modemSetupString, "&F&C1");

  form.mportbox->setCurrentIndex(4);  // COM5: no device there
  form.mportboxChange();
  EXPECT_EQ(window.link->Comport2.ComNumber(), 5);
  EXPECT_EQ(window.status(), "Cant open port");
  ASSERT_EQ(window.modemProblems.size(), 1u);
  EXPECT_TRUE(window.modemProblems[0].startsWith("The modem port COM5")) << window.modemProblems[0].toStdString();
  EXPECT_GE(window.feedback.beeps, 2);

  form.mportbox->setCurrentIndex(ModemWindow::kModemCom - 1);
  form.mportboxChange();
  EXPECT_TRUE(window.link->Comport2.Open());
  EXPECT_EQ(window.link->Comport2.Baud(), 2400) << "whatever the direct line's baud rate";
  EXPECT_EQ(window.status(), "Modem Setup");
  window.pass(200ms);
  EXPECT_EQ(window.received("AT&F&C1\r\n"), 1);
  EXPECT_EQ(window.received("AT"), 1);

  form.close();
  EXPECT_EQ(window.store.peek("Settings", "Modem Set String"), "&F&C1");
  EXPECT_EQ(window.store.peek("Settings", "Modem Port Number"), "3");
  EXPECT_EQ(window.store.peek("Save Options", "Tapi selection"), "0");
}

TEST(MainFormModemPanel, PulseDiallingDialsWithAtdp) {
  ModemWindow window;
  window.form->Pulsecheck->click();
  window.dialFromBook("North Station");
  window.pass(100ms);
  EXPECT_EQ(window.received("ATDP0123\r\n"), 1);
  window.form->HangupClick();
  EXPECT_TRUE(window.runUntil([&] { return window.state().lineIdle(); }));
}

TEST(MainFormModemPanel, HangingUpWithoutACallSaysThePortIsNotOpen) {
  ModemWindow window;
  window.form->Hangup->click();
  EXPECT_EQ(window.status(), "Port Not Open");
  EXPECT_TRUE(window.state().lineIdle());
  EXPECT_EQ(window.received("+++"), 0);
}

TEST(MainFormModemPanel, TheDeviceChoiceIsKeptOnOkAndUnchangedOnCancel) {
  ModemWindow window(tapiOn());
  Tmainform& form = *window.form;
  std::vector<std::string> offered;
  std::string shownFirst;
  std::optional<std::string> answer;
  form.chooseDevice = [&](const std::vector<std::string>& names, const std::string& current) {
    offered = names;
    shownFirst = current;
    return answer;
  };
  window.link->Comport2.setTapiMode(TapiMode::tmAuto);
  form.Tapiselbutton->click();
  EXPECT_EQ(offered, std::vector<std::string>{kSimulatedModemLineName});
  EXPECT_EQ(shownFirst, kSimulatedModemLineName);
  EXPECT_EQ(window.link->Comport2.tapiMode(), TapiMode::tmAuto) << "a cancel changes nothing";

  answer = "Other Modem";
  form.Tapiselbutton->click();
  EXPECT_EQ(form.Setupedit->text(), "Other Modem");
  EXPECT_EQ(window.modemLine->tapi().SelectedDevice(), "Other Modem");
  EXPECT_EQ(window.link->Comport2.tapiMode(), TapiMode::tmOn);
  form.close();
  EXPECT_EQ(window.store.peek("Settings", "Selected TAPI Device"), "Other Modem");
}

TEST(MainFormModemPanel, TheSelectionDialogListsTheDevicesAndShowsTheCurrentOneFirst) {
  TDeviceSelectionForm dialog({"USB Modem", "Simulated Modem"}, "Simulated Modem");
  EXPECT_EQ(dialog.windowTitle(), "Device Selection");
  ASSERT_EQ(dialog.DeviceList->count(), 2);
  EXPECT_EQ(dialog.chosenName(), "Simulated Modem");
  dialog.DeviceList->setCurrentIndex(0);
  EXPECT_EQ(dialog.chosenName(), "USB Modem");
  EXPECT_EQ(dialog.OKBtn->text(), "OK");
  EXPECT_EQ(dialog.CancelBtn->text(), "Cancel");

  TDeviceSelectionForm unknown({"USB Modem"}, "Gone");
  EXPECT_EQ(unknown.chosenName(), "USB Modem") << "else the first entry";
  TDeviceSelectionForm none({}, "");
  EXPECT_FALSE(none.OKBtn->isEnabled());
}

TEST(MainFormModemPanel, ThePhoneBookButtonShowsAndHidesTheBookAndItsCloseReleasesTheButton) {
  ModemWindow window;
  Tmainform& form = *window.form;
  QToolButton* button = form.ToolButtons[8];
  EXPECT_TRUE(form.phoneBook()->isHidden()) << "made hidden at start";
  EXPECT_EQ(form.phoneBook()->FileName(), QString::fromStdString(window.bookFile));
  form.ToolButton9Click();
  EXPECT_FALSE(form.phoneBook()->isHidden());
  EXPECT_TRUE(button->isChecked());
  form.phoneBook()->Exit1Click();
  EXPECT_TRUE(form.phoneBook()->isHidden());
  EXPECT_FALSE(button->isChecked());
  form.bookbtn->click();
  EXPECT_FALSE(form.phoneBook()->isHidden());
  form.ToolButton9Click();
  EXPECT_TRUE(form.phoneBook()->isHidden());
  EXPECT_FALSE(button->isChecked());

  form.phoneBook()->SetFileName(window.dir.filePath("other.csv"));
  form.close();
  EXPECT_EQ(window.store.peek("Settings", "PhoneBook"), window.dir.filePath("other.csv").toStdString());
}

TEST(MainFormModemPanel, APhoneBookThatCannotBeLoadedIsToldOnceAndTheProgramRunsWithoutIt) {
  QTemporaryDir dir;
  const std::string broken = dir.filePath("short.csv").toStdString();
  std::ofstream(broken, std::ios::binary) << "1,Relay\r\n";
  ModemWindowOptions options;
  options.adjustStore = [&](MemorySettingsBackend& store) { store.set("Settings", "PhoneBook", broken); };
  ModemWindow window(options);
  EXPECT_EQ(window.form->phoneBook(), nullptr);
  ASSERT_EQ(window.errors.size(), 1u);
  EXPECT_TRUE(window.errors[0].contains(QString::fromStdString(broken)));
  window.form->ToolButton9Click();
  window.form->ToolButton9Click();
  EXPECT_EQ(window.notices, (std::vector<QString>{"Sorry - Phone Book is not available",
                                                  "Sorry - Phone Book is not available"}));
  EXPECT_FALSE(window.form->ToolButtons[8]->isChecked());
  window.form->close();
  EXPECT_EQ(window.store.peek("Settings", "PhoneBook"), broken) << "offered again at the next start";
  EXPECT_EQ(window.errors.size(), 1u);
}

}  // namespace
}  // namespace solwire
