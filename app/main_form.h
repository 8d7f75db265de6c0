// The main window: the tool bar that opens every other window and panel, the
// site selector, the six-panel status bar and the panels for exit, language,
// ports, saving and periodic logging. It owns the link controller and its
// one-second timer, and reads the configuration store at start and writes it
// at close.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/status_messages.h"
#include "app/language_state.h"
#include "app/port_box.h"
#include "app/window_placer.h"
#include "protocol/link_controller.h"
#include "store/config/config_store.h"
#include "store/report_composer.h"
#include "store/report_file.h"
#include "store/rich_text_document.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;
class QTextDocument;
class QTimer;
class QToolButton;

namespace solwire {

class BackgroundPrinter;
class ModemLine;
class TAssignform;
struct PrintOutcome;
class StatusPanels;
class TAlarmform;
class TCurrentform;
class Tgraphform;
class TReadform;
class Thelpform;
class Tsetform;
class TfrmPhoneBook;
class UpDown;

// The data windows, created after the main window and attached once they
// exist; the main window opens and closes them from its tool bar and passes
// them the link controller's callbacks.
struct DataWindows {
  Tsetform* settings = nullptr;
  TCurrentform* current = nullptr;
  Tgraphform* graph = nullptr;
  TReadform* viewer = nullptr;
  TAlarmform* alarms = nullptr;
  // Shown by the alarm panel; the main window only places it.
  TAssignform* assign = nullptr;
};

struct MainFormServices {
  SettingsBackend& store;
  Clock& clock;
  Feedback& feedback;
  LogWriter& logWriter;
  DialSupervisor& dialSupervisor;
};

class Tmainform : public QWidget, private LinkViews {
  Q_OBJECT
 public:
  // Runs the start-up (FormCreate): reads the store into the controls, applies
  // the language, binds the ports and starts the one-second timer.
  Tmainform(MainFormServices services, LinkEndpoints links, QWidget* parent = nullptr);
  ~Tmainform() override;

  // Windows created after this one, attached once they exist.
  void attachHelpForm(Thelpform* help);
  void attachDataWindows(const DataWindows& windows);
  // The modem line on Comport2, made before this window; nullptr lets go of
  // it (before it is destroyed). Until attached, nothing is dialled.
  void attachModem(ModemLine* modem);

  // Tool bar.
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void ToolButton5Click();
  void ToolButton6Click();
  void ToolButton7Click();
  void ToolButton8Click();
  void ToolButton9Click();
  void ToolButton10Click();
  void ToolButton11Click();
  void ToolButton12Click();
  // Exit panel.
  void exityesBitBtnClick();
  void exitnoBitBtnClick();
  // Language group.
  void englishselectClick(Language language);
  void fontselbutClick();
  // Port panel.
  void DportboxChange();
  void baudboxChange();
  void mportboxChange();
  void TapicheckClick();
  void SetupeditChange();
  void ShowModemControls();
  void TapiselbuttonClick();
  void PulsecheckClick();
  // The panel's hang-up button and the phone book's Hangup.
  void HangupClick();
  // Save and log panels.
  void SaveclosebuttonClick();
  // Appends one report to the file named in fileedit.
  void SavebuttonClick();
  // Prints one report as one job (to SOLWIRE_PRINT_TO when it names a file).
  void PrintbuttonClick();
  void ReadbuttonClick();
  void LogreadClick();
  void SamplecheckClick();
  void dialupcheckClick();
  // Site selector.
  void siteselChanging();
  // The site selector has changed the site: the data windows say again whose
  // values they show (the values themselves stay until they are read again).
  void showSelectedSiteInWindows();

  void Timer1Timer();
  void Getdata(Requester requester) { link_->Getdata(requester); }
  void applyLayout();
  void applyLanguageTexts();
  // The height of the window with its tallest panel open.
  int tallestLayoutHeight() const;

  LinkController& link() { return *link_; }
  const LanguageState& languages() const { return languages_; }
  LanguageState& languages() { return languages_; }
  // The configuration as the controls hold it now (what a close would write).
  Configuration currentConfiguration() const;
  // The configuration as it was read at start.
  const Configuration& storedConfiguration() const { return loaded_; }
  // The direct port's device went away (an adapter pulled out): say so, and
  // once no request is in flight close the port, so the next request opens
  // it afresh.
  void directDeviceLost();
  RichTextDocument& Saveedit() { return saveedit_; }
  StatusPanels& statusBar() { return *Statusb; }
  // The phone book window, made at start; nullptr when its file could not be
  // loaded.
  TfrmPhoneBook* phoneBook() const { return phoneBook_; }
  // The device selection dialog ("Device Selection"): the chosen line device,
  // or nothing when cancelled. Tests replace it.
  std::function<std::optional<std::string>(const std::vector<std::string>& names, const std::string& current)>
      chooseDevice;
  // Tells the operator of a modem problem (a dial the telephony device
  // refused, a modem port that would not open). By default a message box that
  // is not modal, one at a time, so that automatic calls never stack them.
  std::function<void(const QString& message)> reportModemProblem;
  // A plain notice ("Sorry - Phone Book is not available"); tests replace it.
  std::function<void(const QString& message)> inform;
  // Where the font dialog's choice comes from; tests replace it.
  std::function<std::optional<QFont>(const QFont& initial)> chooseFont;
  // Writes one periodic log entry at the end of the file named in logedit
  // now, in the current language and font.
  void writePeriodicLogEntry(const LogReading& reading);
  // Prints `document` as one job in the background; a failure is told in the
  // status bar and through reportError.
  void printDocument(RichTextDocument document, const QString& jobTitle);
  BackgroundPrinter& printer() { return *printer_; }
  // Bytes free on the disk that holds a file; empty asks the system. Tests
  // put a full disk here.
  std::function<std::uintmax_t(const std::filesystem::path& file)> freeDiskBytes;
  // Tells the operator that a log entry was not written. By default a
  // message box that is not modal, one at a time: a later problem replaces
  // the text of a box still open, so an unattended logger never stacks them.
  std::function<void(const QString& message)> reportLogProblem;
  // Tells the operator of a problem with the settings file: once at start
  // (it could not be read whole, or is refused) and at close (the settings
  // could not be saved). By default a standard error box; a run that nobody
  // watches replaces it, as do tests.
  std::function<void(const QString& message)> reportError;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the exit panel (without hiding it when it is already shown).
  void askToExit();
  // Whether a report would hold any section: one read since the site was
  // chosen and ticked.
  bool anySectionToReport() const;
  // LinkViews
  void showLinkStatus(LinkStatus status) override;
  void showClock(const LocalTime& now) override;
  void showLinkInStatus(int comNumber, int baud) override;
  void showHoursToLog(int hours, bool rateEditable) override;
  void hideCurrentStateWait() override;
  void labelupdate() override;
  void setdisplay() override;
  void caldisplay() override;
  void hideHistoryWait() override;
  void setHistoryProgress(int position) override;
  void drawgraph() override;
  void repaintAlarmStatus() override;
  void setAlarmPollPending(bool pending) override;
  void enableSaveOption(SaveOption option) override;
  void disableSaveOptions() override;

  void buildToolBar();
  void buildSitePanel();
  void buildExitPanel();
  void buildLanguageGroup();
  void buildPortPanel();
  void buildDialPanel();
  void buildSavePanel();
  void buildLogPanel();
  void FormCreate();
  void loadControls(const Configuration& configuration);
  void bindPorts();
  // Writes the store; on failure says so in the status bar and returns why,
  // unless the operator was told the same at start.
  std::optional<QString> saveConfiguration();
  void tellSettingsFileProblemAtStart();
  QString settingsFileMessage(const StoreResult& result) const;
  QString directPortFailure(LinkStatus status);
  void closePorts();
  void closeIfOpen(LinkPort& port);
  void showSavePanel(bool printMode);
  // Reports
  ReportSections reportSections() const;
  ReportStamp reportStamp() const;
  AppendOptions appendOptions() const;
  // Clears Saveedit and composes one report of the selected site into it.
  void composeReportIntoSaveedit();
  void printed(const PrintOutcome& outcome);
  void tellOperator(const QString& message);
  void showLogProblemBox(const QString& message);
  void beepThreeTimes();
  void updateCaption();
  QCheckBox* saveOptionBox(SaveOption option) const;
  // Shows a data window and activates it (which asks for a reading), or hides
  // it; the tool bar button stays down while the window is shown.
  void toggleDataWindow(QWidget* window, QToolButton* button);
  // Shows the viewer with `file`, or hides it when it shows.
  void toggleViewer(const QString& file);
  void applyLanguageToDataWindows();
  void closeDataWindows();
  // Windows are placed below this one the first time they show, or put back
  // where they were at the end of the last run (main_form_windows.cpp).
  void placeWindows();
  void placeWindow(QWidget* window, PlacedWindow id);
  WindowPlacer::MainFrame frameForPlacement() const;
  // The window a dialling problem concerns: the phone book while it shows.
  QWidget* dialWindow();
  // Modem panel and phone book (main_form_modem.cpp).
  void buildModemControls();
  void createPhoneBook();
  void modemStatus(LinkStatus status);
  void showCallPicture(bool connected);
  void phoneBookDial(const QString& numberText, const QString& digits);
  void syncModemControls();
  void applyTapiMode();
  void closeModemPort();
  QString modemPortFailure() const;
  bool callByAtCommandsUp() const;
  void hangUpThen(std::function<void()> next);
  void waitForHangup(std::function<void()> next, int looksLeft);

  MainFormServices services_;
  LinkEndpoints links_;
  LanguageState languages_;
  Configuration loaded_;
  std::unique_ptr<LinkController> link_;
  RichTextDocument saveedit_;
  std::unique_ptr<BackgroundPrinter> printer_;
  QPointer<QMessageBox> logProblemBox_;
  QPointer<QMessageBox> modemProblemBox_;
  Thelpform* helpform_ = nullptr;
  ModemLine* modem_ = nullptr;
  TfrmPhoneBook* phoneBook_ = nullptr;
  WindowPlacer* placer_ = nullptr;
  std::optional<LinkStatus> lastModemStatus_;
  DataWindows windows_;
  bool closing_ = false;
  // An exit that found a call up hangs it up first, once.
  enum class ExitHangup { NotYet, Waiting, Done };
  ExitHangup exitHangup_ = ExitHangup::NotYet;
  bool directDeviceLost_ = false;
  StoreResult settingsFileAtStart_;
  QString directPortFailure_;  // "COM2 (/dev/ttyUSB0): No such file or directory"
  QString directPortReason_;   // "No such file or directory"

 public:
  // Components, named as the program's texts and handlers name them.
  QFrame* CoolBar1 = nullptr;
  std::array<QToolButton*, 12> ToolButtons{};
  QFrame* sitepanel = nullptr;
  QLabel* sitetext = nullptr;
  UpDown* sitesel = nullptr;
  QLabel* sitelab = nullptr;
  StatusPanels* Statusb = nullptr;
  QFrame* exitpanel = nullptr;
  QLabel* exitlab = nullptr;
  QPushButton* exityesBitBtn = nullptr;
  QPushButton* exitnoBitBtn = nullptr;
  QLabel* Versionlab = nullptr;
  QGroupBox* Langgroup = nullptr;
  std::array<QRadioButton*, 3> languageSelects{};  // englishselect, frenchselect, chineseselect
  QPushButton* fontselbut = nullptr;
  QFrame* companel = nullptr;
  PortBox* Dportbox = nullptr;
  QComboBox* baudbox = nullptr;
  PortBox* mportbox = nullptr;
  QCheckBox* Tapicheck = nullptr;
  QPushButton* Tapiselbutton = nullptr;
  QCheckBox* Pulsecheck = nullptr;
  QLabel* Setuplab = nullptr;
  QLineEdit* Setupedit = nullptr;
  QPushButton* Hangup = nullptr;
  QPushButton* bookbtn = nullptr;
  QFrame* Dialpanel = nullptr;
  QLineEdit* dialedit = nullptr;
  QTableWidget* phonegrid = nullptr;
  QFrame* Savepanel = nullptr;
  QCheckBox* Currsavecheck = nullptr;
  QCheckBox* Datasavecheck = nullptr;
  QCheckBox* Setsavecheck = nullptr;
  QCheckBox* Calsavecheck = nullptr;
  QPushButton* Savebutton = nullptr;
  QPushButton* Readbutton = nullptr;
  QPushButton* Printbutton = nullptr;
  QPushButton* Saveclosebutton = nullptr;
  QLineEdit* fileedit = nullptr;
  QFrame* Logpanel = nullptr;
  QCheckBox* Samplecheck = nullptr;
  QSpinBox* rateedit = nullptr;
  QLabel* Waittimelab = nullptr;
  QSpinBox* logsite = nullptr;
  QLineEdit* logedit = nullptr;
  QCheckBox* dialupcheck = nullptr;
  QLineEdit* Lognumedit = nullptr;
  QTimer* Timer1 = nullptr;
  QString modemSetupString;
  QString selectedTapiDevice;
};

}  // namespace solwire
