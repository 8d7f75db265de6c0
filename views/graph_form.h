// The history window: the site's 32 logged days as a bar chart, charge and
// discharge amp-hours or the day's maximum and minimum voltage. Opening or
// clicking it starts a history transfer (eight blocks, read by the link
// controller); a red wait label and a progress bar cover the chart meanwhile.
//
// What the main window does with it:
//   - create it once, after the current-state window:
//     Tgraphform(mainform.link(), &mainform);
//   - ToolButton5 shows it and activates it (activation starts a transfer) or
//     hides it;
//   - call drawgraph() after the site selector has changed the site;
//   - forward the link controller's view callbacks drawgraph(),
//     hideHistoryWait() and setHistoryProgress(position) to the methods of the
//     same name, and hideCurrentStateWait() as well (to this window and to the
//     current-state window): a transfer first reads the site's current state,
//     and when that read fails or is dropped the transfer never starts, which
//     this window learns there;
//   - call applyLanguage(index, languageFont, englishFont) at start and
//     whenever the language or a font changes (the chart's numbers are always
//     written in the English font);
//   - release ToolButton5 on closedByOperator(), emitted when the window is
//     closed with its own close box.
#pragma once

#include <QFont>
#include <QWidget>

#include "protocol/status_messages.h"
#include "views/graph_rules.h"
#include "views/window_activation.h"

class QFrame;
class QLabel;
class QProgressBar;
class QToolButton;

namespace solwire {

class LinkController;

class Tgraphform : public QWidget {
  Q_OBJECT
 public:
  explicit Tgraphform(LinkController& link, QWidget* parent = nullptr);

  // Captions of the chart mode, then the chart (not while a transfer is shown
  // as running).
  void drawgraph();
  void hideHistoryWait();
  void setHistoryProgress(int position);
  void hideCurrentStateWait();
  void applyLanguage(Language language, const QFont& languageFont, const QFont& englishFont);

  void captionupdate();
  // Activation: the amp-hour chart and a new transfer from block 1, unless the
  // line is busy (a transfer under way goes on).
  void FormActivate();
  // A click: the captions and a transfer, unless the line is busy.
  void FormClick();
  void charbuttonClick();
  void VoltbuttonClick();

  bool waiting() const;
  ChartMode chartMode() const { return mode_; }

  // Components, named as the program names them.
  QLabel* headlab = nullptr;
  QLabel* calab = nullptr;
  QLabel* cblab = nullptr;
  QLabel* ahlab = nullptr;
  QLabel* daylab = nullptr;
  QLabel* Waitlab = nullptr;
  QToolButton* charbutton = nullptr;
  QToolButton* Voltbutton = nullptr;
  QFrame* crpanel = nullptr;
  QFrame* dispanel = nullptr;
  QProgressBar* waitprogress = nullptr;
  // Under the chart: which site its days came from and how old they are, and
  // the legend of the hatched bars (days not the selected site's as last read).
  QLabel* originlab = nullptr;
  QFrame* hatchpanel = nullptr;
  QLabel* hatchlab = nullptr;

 signals:
  // FormClose: the operator closed the window with its close box.
  void closedByOperator();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  QLabel* addLabel(const char* name, const QRect& geometry);
  QToolButton* addSpeedButton(const char* name, const QRect& geometry);
  QFrame* addSwatch(const char* name, const QRect& geometry);
  void request();
  void showWait();
  void hideWait();
  void endStalledWait();
  void setMode(ChartMode mode);
  ChartPicture chart() const;
  void paintChart(QPainter& painter, const ChartPicture& picture) const;
  void showOrigin();

  LinkController& link_;
  ChartMode mode_ = ChartMode::AmpHours;
  Language language_ = Language::English;
  QString languageFamily_;
  QString englishFamily_;
  // Not the program's return from another program: that keeps the chart.
  WindowActivation activation_{this, [this] { FormActivate(); }};
};

}  // namespace solwire
