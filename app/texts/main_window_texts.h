// The main window's texts in English, French and Chinese (UTF-8), exactly as
// the window shows them. Plain data: the windows apply them, nothing here
// knows about widgets.
//
// The link status messages of the status bar live in protocol/status_messages.h.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "protocol/status_messages.h"
#include "views/texts/text_row.h"

namespace solwire {

// What a row of the main window table sets on its control.
enum class Sets { Caption, Hint, CaptionAndHint };

// What a caller asks for.
enum class TextKind { Caption, Hint };

struct MainWindowText {
  std::string_view control;  // component name; "window" is the main window itself
  Sets sets;
  TextRow text;
};

// Applied in this order each time the language or a language font changes.
// A row naming several controls in one line is given once per control.
inline constexpr std::array kMainWindowTexts = std::to_array<MainWindowText>({
    {"window", Sets::Caption, {"SOLWIRE", "SOLWIRE", "KVR 网络通信"}},
    {"exitlab", Sets::CaptionAndHint, {"EXIT?", "SORTIE?", "退出"}},
    {"Directlab", Sets::CaptionAndHint, {"Direct", "Direct", "直接通信"}},
    {"Baudlab", Sets::CaptionAndHint, {"Baud Rate", "Baud Rate", "波特速率"}},
    {"Portlab", Sets::CaptionAndHint, {"Port", "Port", "串行口"}},
    {"Mportlab", Sets::CaptionAndHint, {"Modem Port", "Modem Port", "MODEM 接口"}},
    {"Modemlab", Sets::CaptionAndHint, {"Modem", "Modem", "MODEM通信"}},
    {"Modconlab", Sets::CaptionAndHint, {"Modem Control", "Modem Control", "MODEM 控制方式"}},
    {"Tapiselbutton", Sets::CaptionAndHint, {"Select", "Selection", "选择"}},
    {"Pulsecheck", Sets::CaptionAndHint, {"Pulse", "Pulse", "脉冲拨号"}},
    {"Tapicheck", Sets::Hint, {"Enable TAPI mode", "Enable TAPI mode", "启动TAPI业务模式"}},
    {"mportbox", Sets::Hint, {"Select Modem Port", "Selection de Modem Port", "选择MODEM串行口"}},
    {"Statusb", Sets::Hint, {"Status Information", "Information", "区域状态显示"}},
    {"Langgroup", Sets::Hint, {"Select Language", "Selection de Language", "语言选择"}},
    {"ToolButton1", Sets::Hint, {"Exit", "Sortie", "退出"}},
    {"ToolButton2", Sets::Hint, {"Select Language", "Selection de Language", "语言选择"}},
    {"ToolButton3", Sets::Hint, {"Help", "Assistance", "帮助"}},
    {"ToolButton4", Sets::Hint, {"Current State", "State immediate", "当前状态"}},
    {"ToolButton5", Sets::Hint, {"Historical data", "Historie", "历史数据"}},
    {"ToolButton6", Sets::Hint, {"Settings", "Poses", "设置数据"}},
    {"ToolButton7", Sets::Hint, {"Alarms", "Alarme", "告警"}},
    {"ToolButton8", Sets::Hint, {"Modem Setup", "Modem Setup", "MODEM 设置"}},
    {"ToolButton9", Sets::Hint, {"PhoneBook", "Livre", "各站位电话簿"}},
    {"ToolButton10", Sets::Hint, {"Save Data", "Save", "保存数据"}},
    {"ToolButton11", Sets::Hint, {"Print Data", "Print", "打印数据"}},
    {"ToolButton12", Sets::Hint, {"Periodic Save", "Periodic", "定期保存"}},
    {"Hangup", Sets::CaptionAndHint, {"Hangup", "Terminie", "切断电话"}},
    {"bookbtn", Sets::CaptionAndHint, {"PhoneBook", "Livre", "各站位电话簿"}},
    {"baudbox", Sets::Hint, {"Select Direct Baud Rate", "Selection de Baud Rate", "选择直接波特率"}},
    {"Dportbox", Sets::Hint, {"Select Direct Port", "Selection de Port Direct", "选择直接串行口"}},
    {"phoneidedit", Sets::Hint, {"Phone Name", "Nom de Telefon", "站位名称"}},
    {"dialedit", Sets::Hint, {"Phone Number to Dial", "Nombre", "站位电话号码"}},
    {"mcanbutton", Sets::Hint, {"EXIT?", "SORTIE?", "退出"}},
    {"Saveclosebutton", Sets::Hint, {"EXIT?", "SORTIE?", "退出"}},
    {"fileedit", Sets::Hint, {"File name for saved data", "File name for saved data", "被保存数据的文档名称"}},
    {"Readbutton", Sets::Hint, {"Read data from File", "Read data from File", "从文档阅读数据"}},
    {"Printbutton", Sets::Hint, {"Print Data", "Print Data", "打印"}},
    {"Savebutton", Sets::Hint, {"Save data to File", "Save data to File", "保存数据进入文档"}},
    {"Lognumedit", Sets::Hint, {"Phone number for Datalogging", "Phone number for Datalogging", "用于记录数据的电话号码"}},
    {"logsite", Sets::Hint, {"Select Site to Log", "Selection de Log site", "阅读QJ内存"}},
    {"logsitelab", Sets::Hint, {"Select Site to Log", "Selection de Log site", "阅读QJ内存"}},
    {"Currsavecheck", Sets::Caption, {"Current State", "State immediate", "当前状态"}},
    {"Datasavecheck", Sets::Caption, {"History", "Historie", "历史数据"}},
    {"Setsavecheck", Sets::Caption, {"Settings", "Poses", "设置数据"}},
    {"Calsavecheck", Sets::Caption, {"Calibration", "Calibratione", "统调"}},
    {"Logpanel", Sets::Hint, {"Periodic Data Logging", "Periodic Data Logging", "定期记录数据"}},
    {"dialupcheck", Sets::Hint, {"Periodic Data Logging", "Periodic Data Logging", "定期记录数据"}},
    {"logedit", Sets::Hint, {"File Name for Logged Data", "File Name for Logged Data", "被记录数据的文档名称"}},
    {"dialupcheck", Sets::Caption, {"Use Modem Dialup", "Use Modem Dialup", "用MODEM拨通站位"}},
    {"Samplecheck", Sets::Caption, {"Log Data Every", "Log Data Every", "记录数据 每"}},
    {"rateedit", Sets::Hint, {"Hours between Data Samples", "Hours between Data Samples", "数据抽样的间隔小时"}},
    {"Ratelab", Sets::Caption, {"Hours", "Heures", "小时"}},
    {"Logread", Sets::Hint, {"View Logged Data", "View Logged Data", "阅读记录的信息"}},
    {"Dialbutton", Sets::Hint, {"Dial", "Dial", "拨号"}},
    {"Currsavecheck", Sets::Hint, {"Enable Current State Data", "Enable Current State Data", "允许保存当前状态数据"}},
    {"Datasavecheck", Sets::Hint, {"Enable History Data", "Enable History Data", "允许保存历史数据"}},
    {"Setsavecheck", Sets::Hint, {"Enable Setting Data", "Enable Setting Data", "允许保存设置数据"}},
    {"Calsavecheck", Sets::Hint, {"Enable Calibration Data", "Enable Calibration Data", "允许保存统调数据"}},
    {"sitepanel", Sets::Hint, {"Select Site Number", "Select Site Number", "选择站位号"}},
    {"sitelab", Sets::Hint, {"Select Site Number", "Select Site Number", "选择站位号"}},
    {"sitetext", Sets::Hint, {"Select Site Number", "Select Site Number", "选择站位号"}},
    {"sitesel", Sets::Hint, {"Select Site Number", "Select Site Number", "选择站位号"}},
    {"sitelab", Sets::Caption, {"SITE", "SITE", "位置"}},
});

// The main window caption; the version text follows after " - ".
inline constexpr TextRow kMainCaption = kMainWindowTexts[0].text;

// The modem setup field: `Setuplab` and the hint of `Setupedit` depend on
// whether the modem is driven through TAPI.
inline constexpr TextRow kCurrentTapiDevice{"Current TAPI Device", "Current TAPI Device", "当前TAPI装置"};
inline constexpr TextRow kNonTapiDialString{"Non Tapi Dial String", "Non Tapi Dial String", "无TAPI业务拨号指令"};
inline constexpr TextRow kModemSetupString{"Modem Setup String", "Modem Setup String", "MODEM设置指令"};

// Column heads of the phone list grid `phonegrid` (row 0) once a language is
// applied ...
inline constexpr TextRow kPhoneGridNameHead{"Name", "Nom", "站名"};
inline constexpr TextRow kPhoneGridNumberHead{"Phone Number", "Nombre de Telefon", "电话号码"};
// ... and as laid out at start-up, before that (each with a leading space).
inline constexpr std::string_view kPhoneGridLayoutNameHead = " 站名";
inline constexpr std::string_view kPhoneGridLayoutNumberHead = " 号码";

// Hint of the save panel, by the mode it was opened in.
inline constexpr TextRow kSavePanelSaveHint{"Save or Read Data", "Ecrire or Lire Data", "保存数据进入文档"};
inline constexpr TextRow kSavePanelPrintHint{"Print Data", "Imprimer Data", "打印数据"};

// Shown by the phone book button when there is no phone book window.
inline constexpr std::string_view kPhoneBookNotAvailable = "Sorry - Phone Book is not available";

// What the operator is told of a modem problem besides the status bar: %1
// the port ("COM4 (/dev/ttyUSB1)") or the telephony device's reason, %2 the
// system's reason.
inline constexpr TextRow kModemPortProblem{"The modem port %1 could not be opened: %2",
                                           "Le port du modem %1 ne peut pas etre ouvert: %2",
                                           "无法打开调制解调器串行口 %1: %2"};
// A telephony call attempt failed and the line device dials again: %1 the
// modem's result, %2 the next attempt, %3 how many there are.
inline constexpr TextRow kDialRetry{"%1 – retry %2 of %3", "%1 – essai %2 sur %3", "%1 – 重拨 %2/%3"};
// A telephony call failed after the line device dialled again: %1 the
// modem's result, %2 how many attempts were made.
inline constexpr TextRow kDialFailedTries{"%1 – %2 tries", "%1 – %2 essais", "%1 – 拨号 %2 次"};
inline constexpr TextRow kDialRefused{"The call could not be placed: %1", "L'appel n'a pas pu etre fait: %1",
                                      "无法拨号: %1"};
// Told once at start when the stored phone book file cannot be loaded: %1 the
// file, %2 the reason.
inline constexpr TextRow kPhoneBookNotLoaded{
    "The phone book %1 could not be loaded (%2). Solwire runs without a phone book.",
    "Le livre %1 ne peut pas etre lu (%2). Solwire continue sans livre.",
    "无法读取电话簿 %1 (%2)。程序在没有电话簿的情况下运行。"};

// Point size of the report headings, as text, by language.
inline constexpr TextRow kReportPointSize{"10", "10", "13"};

// Every row of the main window table.
std::span<const MainWindowText> mainWindowTexts();

// The caption or hint of `control` in a language; empty when the table sets
// no such text on that control.
std::string_view mainWindowText(std::string_view control, TextKind kind, Language language);

// `Setuplab`'s caption and `Setupedit`'s hint for the modem mode.
std::string_view setupLabCaption(bool tapiMode, Language language);
std::string_view setupEditHint(bool tapiMode, Language language);

}  // namespace solwire
