#include "app/main_form.h"
#include "protocol/status_messages.h"
#include "tests/support/link_state_access.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest/qtestspontaneevent.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "app/status_panels.h"
#include "app/toolbar_pictures.h"
#include "app/up_down.h"
#include "app/version_text.h"
#include "protocol/virtual_clock.h"
#include "store/config/settings_backend_memory.h"
#include "tests/app/main_form_fakes.h"
#include "tests/support/link_fakes.h"
#include "views/phone_book_form.h"

namespace solwire {
namespace {

class MainFormTest : public ::testing::Test, public test::MainFormFakes {
 protected:
  std::unique_ptr<Tmainform> open() {
    return openMainForm();
  }

  // Closes the window as the exit button does and opens a new one on the
  // same store, as the next run of the program would.
  std::unique_ptr<Tmainform> restart(std::unique_ptr<Tmainform> form) {
    form->exityesBitBtnClick();
    form.reset();
    return open();
  }

};

TEST_F(MainFormTest, FirstRunComesUpWithTheDefaults) {
  auto form = open();
  EXPECT_EQ(form->sitesel->position(), 0);
  EXPECT_EQ(form->sitetext->text(), "0");
  EXPECT_EQ(form->Dportbox->currentIndex(), 1);  // COM2
  EXPECT_EQ(form->baudbox->currentText(), "2400");
  EXPECT_EQ(form->mportbox->currentIndex(), 3);  // COM4
  EXPECT_TRUE(form->languageSelects[0]->isChecked());
  EXPECT_TRUE(form->Tapicheck->isChecked());
  EXPECT_EQ(form->modemSetupString, "&K0&Q0&D2");
  EXPECT_EQ(form->rateedit->value(), 2);
  EXPECT_EQ(form->logsite->value(), 0);
  EXPECT_EQ(form->fileedit->text(), "SaveFile") << "a file name keeps its case";
  EXPECT_FALSE(form->Samplecheck->isChecked());
  EXPECT_EQ(directPort.comNumber, 2);
  EXPECT_EQ(directPort.baud, 2400);
  EXPECT_EQ(modemPort.comNumber, 4);
  EXPECT_EQ(form->statusBar().panelText(2), "COM2");
  EXPECT_EQ(form->statusBar().panelText(3), "2400");
  EXPECT_EQ(form->windowTitle(), QString("SOLWIRE - ") + QString::fromStdString(versionText()));
  EXPECT_EQ(form->Versionlab->text(), QString::fromStdString(versionText()));
}

TEST_F(MainFormTest, EverythingWrittenAtCloseComesBackAtTheNextStart) {
  store.set("Settings", "Current PhoneList Line", "x7 ");
  store.set("Settings", "Dial String", "555-12 34");
  store.set("Settings", "Baud Rate", "abc");
  store.set("Save Options", "Alarm Beep", "2");
  store.set("Phone List", "id name 3", "North Tower");
  store.set("Font", "Lang 2 Name ", "Noto Sans CJK SC");
  auto form = open();
  EXPECT_EQ(form->baudbox->currentIndex(), 4);  // "abc" reads as the default

  form->sitesel->stepBy(5);
  form->rateedit->setValue(7);
  form->Dportbox->setCurrentIndex(5);
  form->DportboxChange();
  form->baudbox->setCurrentIndex(1);
  form->baudboxChange();
  form->logsite->setValue(12);
  form->Samplecheck->setChecked(true);
  form->SamplecheckClick();
  form->Tapicheck->setChecked(false);
  form->TapicheckClick();
  form->Setupedit->setText("&F&C1");
  form->SetupeditChange();
  form->logedit->setText("SITELOG");
  const Configuration before = form->currentConfiguration();

  form = restart(std::move(form));
  EXPECT_EQ(form->currentConfiguration(), before);
  EXPECT_EQ(store.peek("Settings", "Current PhoneList Line"), "x7 ");
  EXPECT_EQ(store.peek("Settings", "Dial String"), "555-12 34");
  EXPECT_EQ(store.peek("Save Options", "Alarm Beep"), "1");
  EXPECT_EQ(store.peek("Settings", "Baud Rate"), "1");
  EXPECT_EQ(store.peek("Settings", "Site Number"), "5");
  EXPECT_EQ(store.peek("Phone List", "id name 3"), "North Tower");
  EXPECT_EQ(store.peek("Font", "Lang 2 Name "), "Noto Sans CJK SC");
  EXPECT_EQ(form->sitesel->position(), 5);
  EXPECT_EQ(form->Dportbox->currentIndex(), 5);  // COM6
  EXPECT_EQ(form->modemSetupString, "&F&C1");
  EXPECT_FALSE(form->Tapicheck->isChecked());
}

TEST_F(MainFormTest, ExitOverPhoneBookChangesAsksCancelKeepsTheProgramRunningNoDropsAndYesSaves) {
  QTemporaryDir dir;
  const std::string book = dir.filePath("BOOK.CSV").toStdString();
  std::ofstream(book, std::ios::binary) << "1,Relay,555\r\n";
  const auto bookText = [&book] {
    std::ostringstream text;
    text << std::ifstream(book, std::ios::binary).rdbuf();
    return text.str();
  };
  store.set("Settings", "PhoneBook", book);
  int questions = 0;
  PhoneBookAnswer answer = PhoneBookAnswer::Cancel;
  const auto openWithBook = [&] {
    auto form = open();
    if (TfrmPhoneBook* phoneBook = form->phoneBook()) {
      phoneBook->dialogs.ask = [&](QWidget*, const QString&) {
        ++questions;
        return answer;
      };
    }
    form->show();
    return form;
  };

  auto form = openWithBook();
  ASSERT_NE(form->phoneBook(), nullptr);
  form->phoneBook()->PhoneGrid->item(0, 1)->setText("Depot");
  form->exityesBitBtnClick();
  EXPECT_EQ(questions, 1);
  EXPECT_TRUE(form->isVisible()) << "Cancel: the program keeps running";
  EXPECT_TRUE(form->Timer1->isActive());
  EXPECT_FALSE(store.peek("Settings", "Site Number")) << "nothing of the close has run";

  answer = PhoneBookAnswer::No;
  form->exityesBitBtnClick();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(store.peek("Settings", "Site Number")) << "the configuration is written at close";
  EXPECT_EQ(bookText(), "1,Relay,555\r\n");

  form.reset();
  form = openWithBook();
  ASSERT_NE(form->phoneBook(), nullptr);
  form->phoneBook()->PhoneGrid->item(0, 1)->setText("Depot");
  answer = PhoneBookAnswer::Yes;
  form->exityesBitBtnClick();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(bookText(), "1,Depot,555\r\n");
  EXPECT_EQ(questions, 3);
}

TEST_F(MainFormTest, ChineseChangesTheCaptionAndTheFlag) {
  auto form = open();
  form->ToolButton2Click();
  EXPECT_TRUE(form->Langgroup->isVisibleTo(form.get()));
  form->englishselectClick(Language::Chinese);
  EXPECT_FALSE(form->Langgroup->isVisibleTo(form.get()));
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("KVR 网络通信 - ") + QString::fromStdString(versionText()));
  const QImage flag = form->ToolButtons[1]->icon().pixmap(32).toImage();
  EXPECT_EQ(flag, toolbarPicture(PictureFlagChinese).toImage());
  EXPECT_NE(flag, toolbarPicture(PictureFlagEnglish).toImage());
  EXPECT_EQ(form->findChild<QLabel*>("sitelab")->text(), QString::fromUtf8("位置"));
  EXPECT_EQ(form->ToolButtons[5]->toolTip(), QString::fromUtf8("设置数据"));

  form = restart(std::move(form));
  EXPECT_TRUE(form->languageSelects[2]->isChecked());
  EXPECT_TRUE(form->windowTitle().startsWith(QString::fromUtf8("KVR 网络通信")));
}

TEST_F(MainFormTest, AFontChosenForChineseLeavesTheOtherLanguagesAlone) {
  auto form = open();
  form->englishselectClick(Language::Chinese);
  form->chooseFont = [](const QFont&) { return std::optional<QFont>(QFont("DejaVu Serif", 30)); };
  form->fontselbutClick();
  EXPECT_EQ(form->languages().fonts[2].name, "DejaVu Serif");
  EXPECT_EQ(form->languages().fonts[2].size, 14);  // the dialog offers 8 to 14
  EXPECT_EQ(form->languages().fonts[0].name, "Arial");
  form->chooseFont = [](const QFont&) { return std::optional<QFont>(); };  // cancelled
  form->fontselbutClick();
  EXPECT_EQ(form->languages().fonts[2].name, "DejaVu Serif");
}

TEST_F(MainFormTest, PressingExitTwiceHidesTheConfirmation) {
  auto form = open();
  form->show();
  form->ToolButton1Click();
  EXPECT_TRUE(form->exitpanel->isVisible());
  EXPECT_TRUE(form->exityesBitBtn->text().isEmpty());
  const int withPanel = form->height();
  form->ToolButton1Click();
  EXPECT_FALSE(form->exitpanel->isVisible());
  EXPECT_TRUE(form->isVisible());
  EXPECT_LT(form->height(), withPanel);
}

// The window manager's close box is a spontaneous close: it asks as the Exit
// button does, again and again, and only Yes ends the program.
TEST_F(MainFormTest, TheCloseBoxAsksExitAsTheExitButtonDoes) {
  auto form = open();
  form->show();
  for (int click = 0; click < 2; ++click) {
    QCloseEvent closeBox;
    QSpontaneKeyEvent::setSpontaneous(&closeBox);
    QApplication::instance()->notify(form.get(), &closeBox);  // sendEvent would clear the flag
    EXPECT_FALSE(closeBox.isAccepted()) << click;
    EXPECT_TRUE(form->isVisible()) << click;
    EXPECT_TRUE(form->exitpanel->isVisible()) << click;
  }
  form->exitnoBitBtnClick();
  EXPECT_FALSE(form->exitpanel->isVisible());
  EXPECT_TRUE(form->isVisible());
  form->ToolButton1Click();
  form->exityesBitBtnClick();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(MainFormTest, PanelsGrowTheWindowAndAreLaidOutInPlace) {
  auto form = open();
  EXPECT_EQ(form->height(), 66);
  EXPECT_EQ(form->width(), 632);
  form->ToolButton12Click();
  EXPECT_EQ(form->Logpanel->geometry(), QRect(325, 66, 305, 169));
  EXPECT_EQ(form->height(), 66 + 169);
  form->ToolButton8Click();
  EXPECT_EQ(form->companel->geometry(), QRect(330, 66, 297, 199));
  EXPECT_EQ(form->height(), 66 + 199);
  form->ToolButton11Click();
  EXPECT_TRUE(form->Printbutton->isVisibleTo(form.get()));
  EXPECT_FALSE(form->fileedit->isVisibleTo(form.get()));
  EXPECT_EQ(form->Savepanel->height(), 127);
}

TEST_F(MainFormTest, ModemControlsFollowTheTapiChoice) {
  store.set("Settings", "Selected TAPI Device", "USB Fax Modem");
  auto form = open();
  form->ToolButton8Click();
  EXPECT_TRUE(form->Tapiselbutton->isVisibleTo(form.get()));
  EXPECT_FALSE(form->Pulsecheck->isVisibleTo(form.get()));
  EXPECT_EQ(form->Setuplab->text(), "Current TAPI Device");
  EXPECT_EQ(form->Setupedit->text(), "USB Fax Modem");
  EXPECT_EQ(form->Setupedit->toolTip(), "Current TAPI Device");  // the hint names the field, not the device
  form->Tapicheck->setChecked(false);
  form->TapicheckClick();
  EXPECT_EQ(form->Setuplab->text(), "Modem Setup String");
  EXPECT_EQ(form->Setupedit->text(), "&K0&Q0&D2");
  EXPECT_EQ(form->Setupedit->toolTip(), "Non Tapi Dial String");
  EXPECT_TRUE(form->Pulsecheck->isVisibleTo(form.get()));
}

TEST_F(MainFormTest, ChangingThePortClosesItAndShowsTheNewOne) {
  auto form = open();
  directPort.open = true;
  form->Dportbox->setCurrentIndex(4);
  form->DportboxChange();
  EXPECT_FALSE(directPort.open);
  EXPECT_EQ(directPort.comNumber, 5);
  EXPECT_EQ(form->statusBar().panelText(2), "COM5");
  form->baudbox->setCurrentIndex(2);
  form->baudboxChange();
  EXPECT_EQ(directPort.baud, 600);
  EXPECT_EQ(form->statusBar().panelText(3), "600");
}

TEST_F(MainFormTest, ASiteChangeDisablesTheSaveOptionsAndDefersTheNextRead) {
  auto form = open();
  LinkStateAccess::of(form->link()).Deferred = DeferredRequest::None;
  form->sitesel->stepBy(1);
  EXPECT_EQ(form->sitetext->text(), "1");
  EXPECT_EQ(form->link().controls().site, 1);
  EXPECT_EQ(static_cast<int>(form->link().state().deferredRequest()), 3);
  for (QCheckBox* box : {form->Currsavecheck, form->Datasavecheck, form->Setsavecheck, form->Calsavecheck})
    EXPECT_FALSE(box->isEnabled());
}

TEST_F(MainFormTest, TheLinkReportsInTheStatusBarInTheCurrentLanguage) {
  auto form = open();
  form->englishselectClick(Language::Chinese);
  form->Timer1Timer();
  form->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(form->statusBar().panelText(5), QString::fromUtf8("发送请求"));
  directMatcher.timeOutNow();
  EXPECT_EQ(form->statusBar().panelText(5), QString::fromUtf8("通信故障"));
  EXPECT_FALSE(form->statusBar().panelText(1).isEmpty());
}

TEST_F(MainFormTest, AFailedSaveSaysWhyInTheWindowsLanguage) {
  const std::string file = "/home/op/.config/Veltrane/Solwire.conf";
  const std::vector<std::pair<int, QString>> languages{
      {0, "The settings were not saved to /home/op/.config/Veltrane/Solwire.conf: Permission denied. The file is "
          "left as it was."},
      {1, QString::fromUtf8("Les réglages n'ont pas été enregistrés dans /home/op/.config/Veltrane/Solwire.conf : "
                            "Permission denied. Le fichier reste tel qu'il était.")},
      {2, QString::fromUtf8("设置未能保存到 /home/op/.config/Veltrane/Solwire.conf：Permission denied。该文件保持原样。")}};
  for (const auto& [language, expected] : languages) {
    auto form = open();
    form->englishselectClick(languageFromIndex(language));
    QStringList reported;
    form->reportError = [&reported](const QString& message) { reported << message; };
    store.failNextCommit(StoreResult::failure(StoreProblem::CannotWrite, file, "Permission denied"));
    const int beepsBefore = feedback.beeps;
    form->exityesBitBtnClick();
    EXPECT_EQ(form->statusBar().panelText(5).toStdString(), expected.toStdString());
    EXPECT_EQ(feedback.beeps, beepsBefore + 1);
    // The status bar closes with the window: the operator is told another way.
    EXPECT_EQ(reported, QStringList{expected});
  }
}

TEST_F(MainFormTest, AReadOnlySettingsFileIsToldAtClose) {
  auto form = open();
  QStringList reported;
  form->reportError = [&reported](const QString& message) { reported << message; };
  QCoreApplication::sendPostedEvents();
  store.failNextCommit(StoreResult::failure(StoreProblem::ReadOnly, "/etc/solwire.conf"));
  form->exityesBitBtnClick();
  EXPECT_EQ(reported, QStringList{"The settings were not saved: /etc/solwire.conf is read-only. The file is left as "
                                  "it is."});
}

TEST_F(MainFormTest, ASettingsFileReadInPartIsToldOnceAtStart) {
  store.setOpenStatus(StoreResult::failure(StoreProblem::PartlyRead, "/home/op/Solwire.conf"));
  store.set("Settings", "Language Number", "2");
  auto form = open();
  QStringList reported;
  form->reportError = [&reported](const QString& message) { reported << message; };
  EXPECT_TRUE(reported.isEmpty());  // not before the event loop runs
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(reported, QStringList{QString::fromUtf8(
                          "设置文件 /home/op/Solwire.conf 中有部分内容无法读取。这些设置采用默认值，保存设置时不再写入。")});
  form->exityesBitBtnClick();  // the save succeeds: nothing more to tell
  EXPECT_EQ(reported.size(), 1);
}

TEST_F(MainFormTest, ARefusedSettingsFileIsToldAtStartAndNotAgainAtClose) {
  const std::string fifo = "/home/op/.config/Veltrane/Solwire.conf";
  store.setOpenStatus(StoreResult::failure(StoreProblem::NotAFile, fifo));
  auto form = open();
  QStringList reported;
  form->reportError = [&reported](const QString& message) { reported << message; };
  QCoreApplication::sendPostedEvents();
  ASSERT_EQ(reported.size(), 1);
  EXPECT_TRUE(reported[0].startsWith("/home/op/.config/Veltrane/Solwire.conf is not a regular file")) << reported[0].toStdString();
  store.failNextCommit(StoreResult::failure(StoreProblem::NotAFile, fifo));
  form->exityesBitBtnClick();
  EXPECT_EQ(reported.size(), 1);
}

// The panel says why in the system's words, as much as fits; the tip says it
// whole with the port and its device, until the port opens.
TEST_F(MainFormTest, TheMessagePanelKeepsWhyThePortWouldNotOpenUntilItOpens) {
  store.set("Ports", "COM2", "/dev/ttyUSB0");
  auto form = open();
  const QLabel* message = form->statusBar().findChild<QLabel*>("Statusb.panel5");
  ASSERT_NE(message, nullptr);
  form->Timer1Timer();
  directPort.failOpen = true;
  directPort.failReason = "No such file or directory";
  form->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(message->toolTip().toStdString(), "COM2 (/dev/ttyUSB0): No such file or directory");
  const QString shown = form->statusBar().panelText(5);
  form->show();  // the panels are placed once the bar is on screen
  EXPECT_LE(message->fontMetrics().horizontalAdvance(shown), message->contentsRect().width());
  EXPECT_TRUE(shown.startsWith("No such"));
  EXPECT_TRUE(QString("No such file or directory").startsWith(shown.chopped(shown.endsWith(QChar(0x2026)) ? 1 : 0)))
      << shown.toStdString();

  form->Dportbox->setCurrentIndex(5);  // COM6 keeps its default path
  form->DportboxChange();
  form->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(message->toolTip().toStdString(), "COM6 (/dev/ttyS5): No such file or directory");

  // Without the system's words, the serial layer's message.
  directPort.failReason.clear();
  form->Getdata(Requester::CurrentStateView);
  EXPECT_EQ(message->toolTip().toStdString(), "COM6 (/dev/ttyS5): device not found");

  directPort.failOpen = false;
  form->Getdata(Requester::CurrentStateView);
  ASSERT_TRUE(directPort.open);
  EXPECT_EQ(form->statusBar().panelText(5), "Request Sent");
  EXPECT_EQ(message->toolTip().toStdString(), "Request Sent");
}

// Each COM number shows the device it resolves to: the environment, else the
// "Ports" section, else /dev/ttyS<n-1>.
TEST_F(MainFormTest, ThePortListsShowTheDeviceBehindEachNumber) {
  store.set("Ports", "COM1", "/dev/ttyUSB0");
  store.set("Ports", "COM4", "/dev/ttyACM0");
  qputenv("SOLWIRE_COM2", "sim");
  auto form = open();
  qunsetenv("SOLWIRE_COM2");
  const QString dash = QString(QChar(0x2013));
  for (QComboBox* box : {static_cast<QComboBox*>(form->Dportbox), static_cast<QComboBox*>(form->mportbox)}) {
    ASSERT_EQ(box->count(), 8);
    EXPECT_EQ(box->itemText(0), "COM1 " + dash + " /dev/ttyUSB0");
    EXPECT_EQ(box->itemText(1), "COM2 " + dash + " sim");
    EXPECT_EQ(box->itemText(3), "COM4 " + dash + " /dev/ttyACM0");
    EXPECT_EQ(box->itemText(5), "COM6 " + dash + " /dev/ttyS5");
  }
  EXPECT_EQ(form->Dportbox->currentIndex(), 1);  // the default direct port, COM2
  EXPECT_EQ(form->statusBar().panelText(2), "COM2");  // the status bar keeps the short name
}

// Every control the operator can see and use says what it is for, in the
// window's language. (The dial panel is never shown; the status panels show
// their own texts.)
TEST_F(MainFormTest, EveryVisibleControlHasAHintInEachLanguage) {
  auto form = open();
  const auto missingHints = [&form] {
    QStringList missing;
    for (QWidget* control : form->findChildren<QWidget*>()) {
      const bool isControl = qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control) ||
                             qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractSpinBox*>(control) ||
                             qobject_cast<QLabel*>(control);
      if (!isControl || control->window() != form.get() || control->objectName().isEmpty() ||
          control->objectName().startsWith("qt_") || control->objectName().startsWith("Statusb.") ||
          form->Dialpanel->isAncestorOf(control))
        continue;
      if (control->toolTip().trimmed().isEmpty()) missing << control->objectName();
    }
    return missing.join(' ').toStdString();
  };
  for (int language : {0, 2}) {
    form->englishselectClick(languageFromIndex(language));
    EXPECT_EQ(missingHints(), "") << "language " << language;
  }
  EXPECT_EQ(form->findChild<QWidget*>("fontselbut")->toolTip(), QString::fromUtf8("本语言的字体"));
  form->englishselectClick(Language::English);
  EXPECT_EQ(form->exityesBitBtn->toolTip(), "Yes - close the program");
  EXPECT_EQ(form->Setuplab->toolTip(), form->Setupedit->toolTip());
}

TEST_F(MainFormTest, TheHintUnderTheMouseGoesToTheFirstPanel) {
  auto form = open();
  QEvent enter(QEvent::Enter);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(form->ToolButtons[11], &enter);
  EXPECT_EQ(form->statusBar().panelText(0), "Periodic Save");
  form->englishselectClick(Language::Chinese);
  QCoreApplication::sendEvent(form->Dportbox, &enter);
  EXPECT_EQ(form->statusBar().panelText(0), QString::fromUtf8("选择直接串行口"));
  form->englishselectClick(Language::English);

  // Over a spin box the mouse is over the text field inside it, which Qt
  // enters after the spin box itself; that field has no hint of its own.
  auto* field = form->rateedit->findChild<QLineEdit*>();
  ASSERT_NE(field, nullptr);
  QCoreApplication::sendEvent(form->Logpanel, &enter);
  QCoreApplication::sendEvent(form->rateedit, &enter);
  QCoreApplication::sendEvent(field, &enter);
  EXPECT_EQ(form->statusBar().panelText(0), "Hours between Data Samples");

  // Back from a control onto its panel, Qt sends only the control's Leave.
  QCoreApplication::sendEvent(field, &leave);
  QCoreApplication::sendEvent(form->rateedit, &leave);
  EXPECT_EQ(form->statusBar().panelText(0), "Periodic Data Logging");

  // A status panel without a hint of its own shows the status bar's.
  QCoreApplication::sendEvent(form->statusBar().findChild<QLabel*>("Statusb.panel2"), &enter);
  EXPECT_EQ(form->statusBar().panelText(0), "Status Information");

  // Out of the window: no hint.
  QCoreApplication::sendEvent(form.get(), &leave);
  EXPECT_EQ(form->statusBar().panelText(0), "");
}

TEST_F(MainFormTest, TheLanguageFontGoesToTheWindowAndItsFaceOnlyToTheListedControls) {
  store.set("Settings", "Language Number", "2");
  store.set("Font", "Lang 2 Name ", "No Such Chinese Face");
  store.set("Font", "Lang 2 Size ", "13");
  auto form = open();
  // A Chinese face that is not installed gives way to one that is.
  const QString face = resolveFontFamily("No Such Chinese Face", true);
  ASSERT_TRUE(QFontDatabase::hasFamily(face)) << face.toStdString() << ": no Chinese-capable face installed";
  EXPECT_EQ(form->font().family(), face);
  EXPECT_EQ(form->font().pointSize(), 13);
  EXPECT_EQ(form->languages().fonts[2].name, "No Such Chinese Face");  // what is stored stays

  // Listed controls take the face and keep their own size ...
  for (QWidget* control : std::initializer_list<QWidget*>{form->Dportbox, form->Currsavecheck, form->sitelab,
                                                          form->exitlab, form->Setupedit}) {
    EXPECT_EQ(control->font().family(), face) << control->objectName().toStdString();
    EXPECT_NE(control->font().pointSize(), 13) << control->objectName().toStdString();
  }
  EXPECT_EQ(form->exitlab->font().pointSize(), 16);
  // ... the others take the whole font from the window.
  for (QWidget* control : std::initializer_list<QWidget*>{form->languageSelects[2], form->Versionlab, form->logsite}) {
    EXPECT_EQ(control->font().family(), face) << control->objectName().toStdString();
    EXPECT_EQ(control->font().pointSize(), 13) << control->objectName().toStdString();
  }

  // English needs no substitute: the stored face is asked for as it is.
  form->englishselectClick(Language::English);
  EXPECT_EQ(form->font().family(), "Arial");
  EXPECT_EQ(form->font().pointSize(), 10);
  EXPECT_EQ(form->Dportbox->font().family(), "Arial");
}

TEST_F(MainFormTest, ALostDeviceIsClosedOnceNoRequestIsInFlight) {
  auto form = open();
  form->Timer1Timer();
  form->Getdata(Requester::CurrentStateView);
  ASSERT_TRUE(directPort.open);
  form->directDeviceLost();
  EXPECT_EQ(form->statusBar().panelText(5), "Port Not Open");
  form->Timer1Timer();
  EXPECT_TRUE(directPort.open);  // the request in flight ends through its time-out first
  directMatcher.timeOutNow();
  clock.advance(form->link().guardTime());
  form->Timer1Timer();
  EXPECT_FALSE(directPort.open);
  form->Getdata(Requester::CurrentStateView);  // the next request opens it afresh
  EXPECT_TRUE(directPort.open);
  EXPECT_EQ(directPort.opens, 2);
}

}  // namespace
}  // namespace solwire
