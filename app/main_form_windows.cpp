// The main window's side of the data windows: the tool bar buttons that show
// and hide them, where they go on the desktop, their languages, and the link
// controller's callbacks passed on to the window each one concerns.
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/help_form.h"
#include "app/main_form.h"
#include "app/window_placement.h"
#include "app/window_placer.h"
#include "views/alarm_form.h"
#include "views/assign_form.h"
#include "views/current_form.h"
#include "views/graph_form.h"
#include "views/phone_book_form.h"
#include "views/read_form.h"
#include "views/set_form.h"

namespace solwire {

void Tmainform::attachDataWindows(const DataWindows& windows) {
  if (windows_.viewer && windows_.viewer != windows.viewer) windows_.viewer->setPrintAction({});
  windows_ = windows;
  const auto release = [](QToolButton* button) { return [button] { button->setChecked(false); }; };
  if (windows_.current)
    connect(windows_.current, &TCurrentform::closedByOperator, this, release(ToolButtons[3]));
  if (windows_.graph) connect(windows_.graph, &Tgraphform::closedByOperator, this, release(ToolButtons[4]));
  if (windows_.settings)
    connect(windows_.settings, &Tsetform::closedByOperator, this, release(ToolButtons[5]));
  if (windows_.alarms) connect(windows_.alarms, &TAlarmform::closed, this, release(ToolButtons[6]));
  ToolButtons[3]->setEnabled(windows_.current != nullptr);
  ToolButtons[4]->setEnabled(windows_.graph != nullptr);
  ToolButtons[5]->setEnabled(windows_.settings != nullptr);
  ToolButtons[6]->setEnabled(windows_.alarms != nullptr);
  Readbutton->setEnabled(windows_.viewer != nullptr);
  // The viewer's document is printed from the rich text it was made of, so
  // that nothing of a long file is copied or laid out on this thread.
  if (TReadform* viewer = windows_.viewer)
    viewer->setPrintAction([this, viewer](const QTextDocument&, const QString& jobTitle) {
      printDocument(viewer->shownDocument(), jobTitle);
    });
  if (QWidget* view = Logpanel->findChild<QWidget*>("Logread")) view->setEnabled(windows_.viewer != nullptr);
  placeWindows();
  applyLanguageToDataWindows();
}

// ---- Where the windows go -----------------------------------------------------

// The main window starts at the top-left corner, unless it was elsewhere at
// the end of the last run. Every other window is described by the place it
// gives itself when it is made, and goes there measured from this window.
//
// The windows go below this window's tallest layout rather than below its
// frame as it is: the port, save and log panels grow this window downwards,
// and a window placed just below the tool bar would be covered by them. An
// operator expects a window to stay where it is, so they are not moved
// down and up again as panels open and close either.
void Tmainform::placeWindows() {
  if (!placer_) {
    placer_ = new WindowPlacer([this] { return frameForPlacement(); }, this);
    placer_->track(this, PlacedWindow::Main, windowPlace(loaded_, PlacedWindow::Main), std::nullopt);
  }
  placeWindow(windows_.current, PlacedWindow::CurrentState);
  placeWindow(windows_.graph, PlacedWindow::History);
  placeWindow(windows_.settings, PlacedWindow::Settings);
  placeWindow(windows_.alarms, PlacedWindow::Alarms);
  placeWindow(windows_.assign, PlacedWindow::AlarmAssignment);
  placeWindow(windows_.viewer, PlacedWindow::FileViewer);
  placeWindow(helpform_, PlacedWindow::Help);
  // The phone book describes no place of its own: it goes right below.
  if (phoneBook_)
    placer_->track(phoneBook_, PlacedWindow::PhoneBook, windowPlace(loaded_, PlacedWindow::PhoneBook),
                   QPoint(0, kDescribedMainBottom));
}

// The place a window gives itself when it is made is the one it describes.
void Tmainform::placeWindow(QWidget* window, PlacedWindow id) {
  if (window) placer_->track(window, id, windowPlace(loaded_, id), window->pos());
}

WindowPlacer::MainFrame Tmainform::frameForPlacement() const {
  const QRect frame = frameGeometry();
  const int frameBelow = frame.bottom() - geometry().bottom();
  return {frame, geometry().top() + tallestLayoutHeight() - 1 + frameBelow};
}

QWidget* Tmainform::dialWindow() {
  if (phoneBook_ && phoneBook_->isVisible()) return phoneBook_;
  return this;
}

void Tmainform::toggleDataWindow(QWidget* window, QToolButton* button) {
  if (!window) {
    button->setChecked(false);
    return;
  }
  if (window->isVisible()) {
    window->hide();
    button->setChecked(false);
    return;
  }
  window->show();
  window->raise();
  window->activateWindow();
  button->setChecked(true);
}

void Tmainform::ToolButton4Click() { toggleDataWindow(windows_.current, ToolButtons[3]); }
void Tmainform::ToolButton5Click() { toggleDataWindow(windows_.graph, ToolButtons[4]); }
void Tmainform::ToolButton6Click() { toggleDataWindow(windows_.settings, ToolButtons[5]); }
void Tmainform::ToolButton7Click() { toggleDataWindow(windows_.alarms, ToolButtons[6]); }

void Tmainform::toggleViewer(const QString& file) {
  if (!windows_.viewer) return;
  if (windows_.viewer->isVisible()) {
    windows_.viewer->hide();
    return;
  }
  windows_.viewer->showFile(file);
}

void Tmainform::ReadbuttonClick() { toggleViewer(fileedit->text()); }
void Tmainform::LogreadClick() { toggleViewer(logedit->text()); }

void Tmainform::applyLanguageToDataWindows() {
  const QFont font = languages_.qfont();
  LanguageState english = languages_;
  english.index = 0;
  if (windows_.settings) windows_.settings->applyLanguage(languages_.language(), font);
  if (windows_.current) windows_.current->applyLanguage(languages_.language(), font);
  if (windows_.graph) windows_.graph->applyLanguage(languages_.language(), font, english.qfont());
  if (windows_.alarms) windows_.alarms->applyLanguage(languages_.language(), font);
  if (windows_.viewer) windows_.viewer->applyLanguage(languages_.language(), font);
}

void Tmainform::closeDataWindows() {
  for (QWidget* window : std::initializer_list<QWidget*>{windows_.settings, windows_.current, windows_.graph, windows_.viewer,
                                                       windows_.alarms})
    if (window) window->close();
}

// ---- The link controller's callbacks ----------------------------------------

void Tmainform::hideCurrentStateWait() {
  if (windows_.current) windows_.current->hideCurrentStateWait();
  // A history transfer starts with a current-state reading; when that fails
  // or is dropped the transfer never starts, and the graph learns it here.
  if (windows_.graph) windows_.graph->hideCurrentStateWait();
}

void Tmainform::labelupdate() {
  if (windows_.current) windows_.current->labelupdate();
}

void Tmainform::setdisplay() {
  if (windows_.settings) windows_.settings->setdisplay();
}

void Tmainform::caldisplay() {
  if (windows_.settings) windows_.settings->caldisplay();
}

void Tmainform::hideHistoryWait() {
  if (windows_.graph) windows_.graph->hideHistoryWait();
}

void Tmainform::setHistoryProgress(int position) {
  if (windows_.graph) windows_.graph->setHistoryProgress(position);
}

void Tmainform::drawgraph() {
  if (windows_.graph) windows_.graph->drawgraph();
}

void Tmainform::repaintAlarmStatus() {
  if (windows_.alarms) windows_.alarms->repaintAlarmStatus();
}

void Tmainform::setAlarmPollPending(bool pending) {
  if (windows_.alarms) windows_.alarms->setAlarmPollPending(pending);
}

}  // namespace solwire
