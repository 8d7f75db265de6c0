// Solwire: the desktop client. Creates the windows once, in order, and runs
// the event loop. The built-in simulated regulator line is the device "sim"
// (point a port at it with SOLWIRE_COM<n>=sim), the built-in simulated modem
// "sim-modem" (SOLWIRE_COM4=sim-modem puts the default modem port on it).
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "app/help_form.h"
#include "app/help_location.h"
#include "app/language_state.h"
#include "app/main_form.h"
#include "app/main_form_log_writer.h"
#include "app/modem_line.h"
#include "app/telephony_lines.h"
#include "app/version_text.h"
#include "app/qt_main_thread.h"
#include "app/qt_services.h"
#include "protocol/quiet_services.h"
#include "serial/program_link.h"
#include "sim/simulated_line_service.h"
#include "sim/simulated_modem_service.h"
#include "store/config/qsettings_backend.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/graph_form.h"
#include "views/phone_book_form.h"
#include "views/read_form.h"
#include "views/set_form.h"

namespace {

struct Options {
  QString settingsFile;
  QStringList panels;
  QString screenshotFile;
  int screenshotDelayMs = 2500;
};

Options parseOptions(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription("Solwire: monitoring and configuration of solar charge regulators");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption settings("settings", "Keep the settings in this INI file instead of the user's.", "file");
  const QCommandLineOption screenshot("screenshot", "Save a picture of the main window to this file, then exit.",
                                      "file");
  const QCommandLineOption delay("screenshot-delay", "Milliseconds to wait before the picture (default 2500).",
                                 "ms");
  const QCommandLineOption open("open",
                                "Open these panels and windows at start: exit, language, port, save, print, log, "
                                "current, history, settings, alarms, book.",
                                "panels");
  parser.addOptions({settings, screenshot, delay, open});
  parser.process(app);
  Options options;
  options.panels = parser.value(open).split(',', Qt::SkipEmptyParts);
  options.settingsFile = parser.value(settings);
  options.screenshotFile = parser.value(screenshot);
  if (parser.isSet(delay)) options.screenshotDelayMs = parser.value(delay).toInt();
  return options;
}

std::unique_ptr<solwire::QSettingsBackend> openStore(const Options& options) {
  if (options.settingsFile.isEmpty()) return std::make_unique<solwire::QSettingsBackend>();
  return std::make_unique<solwire::QSettingsBackend>(options.settingsFile);
}

// The tool bar button of each panel a user can open.
void openPanels(solwire::Tmainform& form, const QStringList& panels) {
  using Click = void (solwire::Tmainform::*)();
  const std::map<QString, Click> buttons{{"exit", &solwire::Tmainform::ToolButton1Click},
                                         {"language", &solwire::Tmainform::ToolButton2Click},
                                         {"port", &solwire::Tmainform::ToolButton8Click},
                                         {"save", &solwire::Tmainform::ToolButton10Click},
                                         {"print", &solwire::Tmainform::ToolButton11Click},
                                         {"log", &solwire::Tmainform::ToolButton12Click},
                                         {"current", &solwire::Tmainform::ToolButton4Click},
                                         {"history", &solwire::Tmainform::ToolButton5Click},
                                         {"settings", &solwire::Tmainform::ToolButton6Click},
                                         {"alarms", &solwire::Tmainform::ToolButton7Click},
                                         {"book", &solwire::Tmainform::ToolButton9Click}};
  for (const QString& panel : panels)
    if (const auto it = buttons.find(panel.trimmed()); it != buttons.end()) (form.*(it->second))();
}

// One picture of the main window with the windows open beside it, left to
// right, whatever platform draws them (a screen grab needs a real display).
bool saveScreenshot(const QString& file, const std::vector<QWidget*>& windows) {
  std::vector<QPixmap> pictures;
  int width = 0;
  int height = 0;
  for (QWidget* window : windows) {
    if (!window->isVisible()) continue;
    pictures.push_back(window->grab());
    width += pictures.back().width();
    height = std::max(height, pictures.back().height());
  }
  QPixmap whole(std::max(width, 1), std::max(height, 1));
  whole.fill(Qt::darkGray);
  QPainter painter(&whole);
  int left = 0;
  for (const QPixmap& picture : pictures) {
    painter.drawPixmap(left, 0, picture);
    left += picture.width();
  }
  painter.end();
  return whole.save(file);
}

// Whether the command line only asks for the help or the version text,
// which must work without a display (on a server, in a package check).
bool asksForTextOnly(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-h" || argument == "-?" || argument == "--help" || argument == "--help-all" ||
        argument == "-v" || argument == "--version") {
      return true;
    }
  }
  return false;
}

void nameApplication() {
  QCoreApplication::setApplicationName("SOLWIRE");
  QCoreApplication::setApplicationVersion(QString::fromStdString(solwire::versionText()));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace solwire;
  if (asksForTextOnly(argc, argv)) {
    QCoreApplication text(argc, argv);
    nameApplication();
    parseOptions(text);  // prints the text and exits
    return 0;
  }
  QApplication app(argc, argv);
  nameApplication();
  // Ties the windows to the installed desktop entry (its icon and name).
  QGuiApplication::setDesktopFileName("com.veltrane.Solwire");
  installFontSubstitutions();
  const Options options = parseOptions(app);
  const std::filesystem::path programDirectory = QCoreApplication::applicationDirPath().toStdString();

  QtMainThread mainThread;
  VirtualDeviceRegistry registry;
  sim::SimulatedLineService simulatedLine;
  simulatedLine.registerAs(registry);
  sim::SimulatedModemService simulatedModem(sim::builtInModemOptions());
  simulatedModem.registerAs(registry);

  auto store = openStore(options);
  Tmainform* form = nullptr;
  // COM numbers resolve through the "Ports" section read by the main window.
  DeviceDirectory devices(PortNames([&form](int com) -> std::optional<std::string> {
                            if (!form) return std::nullopt;
                            return storedPortPath(form->storedConfiguration(), com);
                          }),
                          &registry);
  ProgramLink link(mainThread, mainThread, devices);
  QtClock clock(&app);
  QtFeedback feedback;
  MainFormLogWriter logWriter;
  // The modem line dials on the named modems of the settings; the main
  // window reads the rest of them.
  ModemLine modem(ModemLine::Ports{link.Comport1, link.Comport2, link.Datapack2}, mainThread, mainThread, feedback,
                  telephonyLineEntries(loadConfiguration(*store)));

  Tmainform mainform(MainFormServices{*store, clock, feedback, logWriter, modem.dialSupervisor()},
                     LinkEndpoints{link.Comport1, link.datapack1, link.Comport2, link.Datapack2});
  form = &mainform;
  mainform.attachModem(&modem);
  logWriter.attach(&mainform);
  link.Comport1.OnDeviceLost = [&mainform](TComPort&) { mainform.directDeviceLost(); };
  // The windows come in the program's fixed order; each lives for the whole
  // run and is only shown and hidden.
  Tsetform setform(mainform.link(), feedback);
  TCurrentform currentform(mainform.link());
  Tgraphform graphform(mainform.link());
  Thelpform helpform(mainform.languages(), helpDirectory(programDirectory));
  mainform.attachHelpForm(&helpform);
  TReadform readform(feedback);
  TAssignform assignform(mainform.link(), mainform.storedConfiguration());
  TAlarmform alarmform(mainform.link(), feedback, assignform, mainform.storedConfiguration());
  mainform.attachDataWindows(DataWindows{.settings = &setform,
                                        .current = &currentform,
                                        .graph = &graphform,
                                        .viewer = &readform,
                                        .alarms = &alarmform,
                                        .assign = &assignform});
  mainform.show();
  // Windows that read data on opening wait for the first tick, which ends the
  // start-up hold.
  QTimer::singleShot(mainform.Timer1->interval() + 100, &mainform,
                     [&] { openPanels(mainform, options.panels); });

  if (!options.screenshotFile.isEmpty()) {
    // Nobody is there to close a box: what the operator would be told goes
    // to standard error.
    mainform.reportError = [](const QString& message) { std::cerr << "solwire: " << message.toStdString() << '\n'; };
    mainform.reportLogProblem = mainform.reportError;
    mainform.reportModemProblem = mainform.reportError;
    mainform.inform = mainform.reportError;
    QTimer::singleShot(options.screenshotDelayMs, &mainform, [&] {
      std::vector<QWidget*> windows{&mainform, &setform, &currentform, &graphform, &alarmform};
      if (mainform.phoneBook()) windows.push_back(mainform.phoneBook());
      const bool saved = saveScreenshot(options.screenshotFile, windows);
      mainform.close();
      if (!saved) QCoreApplication::exit(1);
    });
  }
  const int status = app.exec();
  // The data windows go before the main window does.
  mainform.attachDataWindows(DataWindows{});
  mainform.attachModem(nullptr);
  logWriter.attach(nullptr);
  form = nullptr;
  return status;
}
