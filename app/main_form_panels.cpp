// Building the main window's tool bar and panels. Positions are fixed pixels,
// with room for every caption in the three languages: controls in the window
// font are high enough for its 14 points, and those that keep 9 points are
// wide enough for it in any text face the font dialog offers.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>

#include "app/main_form.h"
#include "app/status_panels.h"
#include "app/toolbar_pictures.h"
#include "app/up_down.h"
#include "protocol/request_frames.h"

namespace solwire {

namespace {

template <typename Widget, typename... Args>
Widget* make(QWidget* parent, const char* name, Args&&... args) {
  auto* widget = new Widget(std::forward<Args>(args)..., parent);
  widget->setObjectName(name);
  return widget;
}

QLabel* label(QWidget* parent, const char* name, QRect geometry) {
  auto* l = make<QLabel>(parent, name);
  l->setGeometry(geometry);
  return l;
}

QFrame* panel(QWidget* parent, const char* name) {
  auto* frame = make<QFrame>(parent, name);
  frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  frame->setAutoFillBackground(true);
  frame->hide();
  return frame;
}

PortBox* comPortBox(QWidget* parent, const char* name) { return make<PortBox>(parent, name, kPortCount); }

}  // namespace

void Tmainform::buildToolBar() {
  CoolBar1 = make<QFrame>(this, "CoolBar1");
  CoolBar1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* toolBar = make<QWidget>(CoolBar1, "ToolBar1");
  toolBar->setGeometry(1, 1, 580, 42);
  constexpr std::array<int, 12> pictures{PictureExit,     PictureFlagEnglish, PictureHelp,   PictureCurrentState,
                                         PictureHistory,  PictureSettings,    PictureAlarms, PicturePort,
                                         PicturePhone,    PictureSave,        PicturePrint,  PicturePeriodicLog};
  int left = 0;
  for (int i = 0; i < 12; ++i) {
    auto* button = make<QToolButton>(toolBar, "");
    button->setObjectName(QString("ToolButton%1").arg(i + 1));
    button->setAutoRaise(true);
    button->setIcon(toolbarIcon(pictures[static_cast<std::size_t>(i)]));
    button->setIconSize(QSize(32, 32));
    button->setGeometry(left, 1, 46, 40);
    ToolButtons[static_cast<std::size_t>(i)] = button;
    left += 46;
    if (i == 2 || i == 6 || i == 8) left += 8;  // separators after buttons 3, 7 and 9
  }
  for (int i : {3, 4, 5, 6}) ToolButtons[static_cast<std::size_t>(i)]->setCheckable(true);
  const std::array<void (Tmainform::*)(), 12> handlers{
      &Tmainform::ToolButton1Click, &Tmainform::ToolButton2Click, &Tmainform::ToolButton3Click,  &Tmainform::ToolButton4Click,
      &Tmainform::ToolButton5Click, &Tmainform::ToolButton6Click, &Tmainform::ToolButton7Click,  &Tmainform::ToolButton8Click,
      &Tmainform::ToolButton9Click, &Tmainform::ToolButton10Click, &Tmainform::ToolButton11Click, &Tmainform::ToolButton12Click};
  for (std::size_t i = 0; i < handlers.size(); ++i) connect(ToolButtons[i], &QToolButton::clicked, this, handlers[i]);
  // The data windows' buttons work once their windows are attached.
  for (std::size_t i : {3u, 4u, 5u, 6u}) ToolButtons[i]->setEnabled(false);
}

void Tmainform::buildSitePanel() {
  sitepanel = make<QFrame>(this, "sitepanel");
  sitepanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  sitelab = label(sitepanel, "sitelab", {2, 2, 45, 16});
  sitelab->setAlignment(Qt::AlignCenter);
  sitetext = label(sitepanel, "sitetext", {4, 20, 26, 40});
  sitetext->setAlignment(Qt::AlignCenter);
  sitetext->setAutoFillBackground(true);
  QPalette yellow = sitetext->palette();
  yellow.setColor(QPalette::Window, QColor(255, 255, 0));
  yellow.setColor(QPalette::WindowText, Qt::black);
  sitetext->setPalette(yellow);
  QFont big = sitetext->font();
  big.setPointSize(14);
  big.setBold(true);
  sitetext->setFont(big);
  sitesel = make<UpDown>(sitepanel, "sitesel", 0, kSiteCount - 1);
  sitesel->setGeometry(31, 20, 15, 40);
  sitesel->attachBuddy(sitetext);
  connect(sitesel, &UpDown::changing, this, &Tmainform::siteselChanging);
  connect(sitesel, &UpDown::changed, this, [this](int site) {
    sitetext->setNum(site);
    link_->controls().site = site;
  });
}

void Tmainform::buildExitPanel() {
  exitpanel = panel(this, "exitpanel");
  QPalette red = exitpanel->palette();
  red.setColor(QPalette::Window, QColor(200, 0, 0));
  red.setColor(QPalette::WindowText, Qt::white);
  exitpanel->setPalette(red);
  exitlab = label(exitpanel, "exitlab", {8, 8, 120, 30});
  QFont big = exitlab->font();
  big.setPointSize(16);
  big.setBold(true);
  exitlab->setFont(big);
  exitlab->setProperty("designPointSize", 16);
  exityesBitBtn = make<QPushButton>(exitpanel, "exityesBitBtn");
  exityesBitBtn->setIcon(yesIcon());
  exityesBitBtn->setGeometry(8, 48, 60, 40);
  exitnoBitBtn = make<QPushButton>(exitpanel, "exitnoBitBtn");
  exitnoBitBtn->setIcon(noIcon());
  exitnoBitBtn->setGeometry(76, 48, 60, 40);
  Versionlab = label(exitpanel, "Versionlab", {8, 96, 130, 22});
  connect(exityesBitBtn, &QPushButton::clicked, this, &Tmainform::exityesBitBtnClick);
  connect(exitnoBitBtn, &QPushButton::clicked, this, &Tmainform::exitnoBitBtnClick);
}

void Tmainform::buildLanguageGroup() {
  Langgroup = make<QGroupBox>(this, "Langgroup");
  Langgroup->setAutoFillBackground(true);
  Langgroup->hide();
  const std::array<const char*, 3> names{"englishselect", "frenchselect", "chineseselect"};
  const std::array<const char*, 3> flags{"britflagsel", "frenchflagsel", "chinaflagsel"};
  for (int i = 0; i < 3; ++i) {
    const auto index = static_cast<std::size_t>(i);
    auto* flag = label(Langgroup, flags[index], {10, 20 + 30 * i, 32, 24});
    flag->setPixmap(toolbarPicture(PictureFlagEnglish + i, 28));
    auto* select = make<QRadioButton>(Langgroup, names[index]);
    select->setGeometry(48, 18 + 30 * i, 120, 28);
    languageSelects[index] = select;
    connect(select, &QRadioButton::clicked, this, [this, i] { englishselectClick(languageFromIndex(i)); });
  }
  languageSelects[0]->setText("English");
  languageSelects[1]->setText("Français");
  languageSelects[2]->setText("中文");
  // French can only be in effect through a stored language choice.
  languageSelects[1]->setEnabled(false);
  fontselbut = make<QPushButton>(Langgroup, "fontselbut");
  fontselbut->setText("Aa");
  fontselbut->setGeometry(170, 50, 50, 30);
  connect(fontselbut, &QPushButton::clicked, this, &Tmainform::fontselbutClick);
}

void Tmainform::buildPortPanel() {
  companel = panel(this, "companel");
  label(companel, "Directlab", {8, 6, 120, 18});
  label(companel, "Portlab", {8, 28, 70, 18});
  Dportbox = comPortBox(companel, "Dportbox");
  Dportbox->setGeometry(80, 26, 74, 22);
  label(companel, "Baudlab", {8, 54, 70, 18});
  baudbox = make<QComboBox>(companel, "baudbox");
  for (int i = 0; i < kOfferedBaudCount; ++i) baudbox->addItem(QString::number(kBaudTable[static_cast<std::size_t>(i)]));
  baudbox->setGeometry(80, 52, 74, 22);
  label(companel, "Modemlab", {160, 6, 130, 18});
  label(companel, "Mportlab", {160, 28, 130, 18});
  mportbox = comPortBox(companel, "mportbox");
  mportbox->setGeometry(160, 48, 80, 22);
  label(companel, "Modconlab", {8, 84, 140, 18});
  Tapicheck = make<QCheckBox>(companel, "Tapicheck");
  Tapicheck->setText("TAPI");
  Tapicheck->setGeometry(8, 104, 70, 20);
  Tapiselbutton = make<QPushButton>(companel, "Tapiselbutton");
  Tapiselbutton->setGeometry(84, 102, 80, 24);
  Pulsecheck = make<QCheckBox>(companel, "Pulsecheck");
  Pulsecheck->setGeometry(84, 104, 100, 20);
  Setuplab = label(companel, "Setuplab", {8, 132, 200, 18});
  Setupedit = make<QLineEdit>(companel, "Setupedit");
  Setupedit->setGeometry(8, 150, 196, 24);
  Hangup = make<QPushButton>(companel, "Hangup");
  Hangup->setGeometry(204, 100, 88, 26);
  bookbtn = make<QPushButton>(companel, "bookbtn");
  bookbtn->setGeometry(204, 148, 88, 26);

  connect(Dportbox, &QComboBox::activated, this, &Tmainform::DportboxChange);
  connect(baudbox, &QComboBox::activated, this, &Tmainform::baudboxChange);
  connect(mportbox, &QComboBox::activated, this, &Tmainform::mportboxChange);
  connect(Tapicheck, &QCheckBox::clicked, this, &Tmainform::TapicheckClick);
  connect(Setupedit, &QLineEdit::textEdited, this, &Tmainform::SetupeditChange);
  connect(Tapiselbutton, &QPushButton::clicked, this, &Tmainform::TapiselbuttonClick);
  connect(Pulsecheck, &QCheckBox::clicked, this, &Tmainform::PulsecheckClick);
  connect(Hangup, &QPushButton::clicked, this, &Tmainform::HangupClick);
  connect(bookbtn, &QPushButton::clicked, this, &Tmainform::ToolButton9Click);
}

void Tmainform::buildDialPanel() {
  Dialpanel = panel(this, "Dialpanel");
  auto* phoneid = make<QLineEdit>(Dialpanel, "phoneidedit");
  phoneid->setGeometry(8, 8, 150, 24);
  dialedit = make<QLineEdit>(Dialpanel, "dialedit");
  dialedit->setGeometry(8, 40, 150, 24);
  auto* dial = make<QPushButton>(Dialpanel, "Dialbutton");
  dial->setGeometry(170, 8, 70, 26);
  auto* cancel = make<QPushButton>(Dialpanel, "mcanbutton");
  cancel->setGeometry(170, 40, 70, 26);
  phonegrid = make<QTableWidget>(Dialpanel, "phonegrid", kPhoneListSize + 1, 3);
  phonegrid->setGeometry(8, 70, 330, 207);
  phonegrid->horizontalHeader()->hide();
  phonegrid->verticalHeader()->hide();
  const std::array<int, 3> widths{26, 126, 164};
  for (int c = 0; c < 3; ++c) phonegrid->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
}

void Tmainform::buildSavePanel() {
  Savepanel = panel(this, "Savepanel");
  const std::array<std::pair<QCheckBox**, const char*>, 4> boxes{{{&Currsavecheck, "Currsavecheck"},
                                                                   {&Datasavecheck, "Datasavecheck"},
                                                                   {&Setsavecheck, "Setsavecheck"},
                                                                   {&Calsavecheck, "Calsavecheck"}}};
  int top = 16;
  for (const auto& [box, name] : boxes) {
    *box = make<QCheckBox>(Savepanel, name);
    (*box)->setGeometry(8, top, 135, 20);
    (*box)->setEnabled(false);  // until the matching reply is in
    top += 28;
  }
  Savebutton = make<QPushButton>(Savepanel, "Savebutton");
  Savebutton->setIcon(toolbarIcon(PictureSave));
  Savebutton->setGeometry(152, 9, 50, 39);
  Readbutton = make<QPushButton>(Savepanel, "Readbutton");
  Readbutton->setIcon(toolbarIcon(PictureHistory));
  Readbutton->setGeometry(152, 51, 50, 39);
  Printbutton = make<QPushButton>(Savepanel, "Printbutton");
  Printbutton->setIcon(toolbarIcon(PicturePrint));
  Printbutton->setGeometry(152, 18, 50, 40);
  Saveclosebutton = make<QPushButton>(Savepanel, "Saveclosebutton");
  Saveclosebutton->setIcon(noIcon());
  Saveclosebutton->setGeometry(152, 93, 50, 27);
  fileedit = make<QLineEdit>(Savepanel, "fileedit");
  fileedit->setGeometry(8, 126, 195, 27);
  Readbutton->setEnabled(false);  // until the viewer is attached
  connect(Savebutton, &QPushButton::clicked, this, &Tmainform::SavebuttonClick);
  connect(Printbutton, &QPushButton::clicked, this, &Tmainform::PrintbuttonClick);
  connect(Readbutton, &QPushButton::clicked, this, &Tmainform::ReadbuttonClick);
  connect(Saveclosebutton, &QPushButton::clicked, this, &Tmainform::SaveclosebuttonClick);
}

void Tmainform::buildLogPanel() {
  Logpanel = panel(this, "Logpanel");
  Samplecheck = make<QCheckBox>(Logpanel, "Samplecheck");
  Samplecheck->setGeometry(8, 10, 130, 20);
  rateedit = make<QSpinBox>(Logpanel, "rateedit");
  rateedit->setRange(1, 48);
  rateedit->setGeometry(140, 8, 50, 24);
  label(Logpanel, "Ratelab", {196, 10, 60, 20});
  Waittimelab = label(Logpanel, "Waittimelab", {256, 8, 44, 24});
  label(Logpanel, "logsitelab", {8, 38, 130, 24})->setText("SITE");
  logsite = make<QSpinBox>(Logpanel, "logsite");
  logsite->setRange(0, kSiteCount - 1);
  logsite->setGeometry(140, 38, 50, 24);
  logedit = make<QLineEdit>(Logpanel, "logedit");
  logedit->setGeometry(8, 70, 200, 24);
  auto* view = make<QPushButton>(Logpanel, "Logread");
  view->setIcon(toolbarIcon(PictureHistory));
  view->setGeometry(216, 66, 60, 32);
  view->setEnabled(false);  // until the viewer is attached
  connect(view, &QPushButton::clicked, this, &Tmainform::LogreadClick);
  dialupcheck = make<QCheckBox>(Logpanel, "dialupcheck");
  dialupcheck->setGeometry(8, 104, 200, 20);
  Lognumedit = make<QLineEdit>(Logpanel, "Lognumedit");
  Lognumedit->setGeometry(8, 130, 200, 24);
  Lognumedit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,16}"), Lognumedit));

  connect(Samplecheck, &QCheckBox::clicked, this, &Tmainform::SamplecheckClick);
  connect(dialupcheck, &QCheckBox::clicked, this, &Tmainform::dialupcheckClick);
  connect(rateedit, &QSpinBox::valueChanged, this, [this](int hours) { link_->controls().rateHours = hours; });
  connect(logsite, &QSpinBox::valueChanged, this, [this](int site) { link_->controls().logSite = site; });
  connect(Lognumedit, &QLineEdit::textChanged, this,
          [this](const QString& number) { link_->controls().logNumber = number.toStdString(); });
}

}  // namespace solwire
