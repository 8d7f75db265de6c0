#include "views/graph_form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "views/qt_text.h"
#include "protocol/link_controller.h"
#include "views/origin_label.h"
#include "views/texts/graph_texts.h"
#include "views/texts/origin_texts.h"

namespace solwire {

namespace {

QColor qcolor(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

constexpr int kWindowHeight = 448;  // the chart's 440 and the origin line under it

QBrush hatchBrush(const QColor& colour) { return QBrush(colour, Qt::BDiagPattern); }

void setSwatch(QFrame* swatch, const Rgb& colour) {
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, qcolor(colour));
  swatch->setPalette(palette);
}

}  // namespace

Tgraphform::Tgraphform(LinkController& link, QWidget* parent)
    : QWidget(parent, Qt::Window), link_(link), languageFamily_(font().family()), englishFamily_(font().family()) {
  setObjectName("graphform");
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  ahlab = addLabel("ahlab", {6, 31, 20, 19});
  calab = addLabel("calab", {187, 0, 153, 25});
  cblab = addLabel("cblab", {187, 24, 153, 19});
  daylab = addLabel("daylab", {2, 383, 39, 22});
  headlab = addLabel("headlab", {2, 2, 161, 25});
  charbutton = addSpeedButton("charbutton", {315, 4, 166, 32});
  Voltbutton = addSpeedButton("Voltbutton", {483, 4, 145, 32});
  crpanel = addSwatch("crpanel", {168, 7, 17, 12});
  dispanel = addSwatch("dispanel", {168, 27, 17, 12});

  originlab = addLabel("originlab", {40, 404, 420, 20});
  hatchpanel = addSwatch("hatchpanel", {466, 408, 17, 12});
  hatchlab = addLabel("hatchlab", {488, 404, 150, 20});
  QPalette hatched = hatchpanel->palette();
  hatched.setBrush(QPalette::Window, hatchBrush(Qt::darkGray));
  hatchpanel->setPalette(hatched);

  Waitlab = addLabel("Waitlab", {208, 80, 289, 169});
  Waitlab->setWordWrap(true);
  Waitlab->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Waitlab->setMargin(16);
  Waitlab->setAutoFillBackground(true);
  Waitlab->setStyleSheet("background-color: red;");
  Waitlab->hide();

  waitprogress = new QProgressBar(this);
  waitprogress->setObjectName("waitprogress");
  waitprogress->setGeometry(232, 224, 241, 16);
  waitprogress->setRange(0, 8);
  waitprogress->setValue(0);
  waitprogress->setTextVisible(false);
  waitprogress->setStyleSheet(
      "QProgressBar { background: white; border: 1px solid gray; } QProgressBar::chunk { background: blue; }");
  waitprogress->hide();

  connect(charbutton, &QToolButton::clicked, this, &Tgraphform::charbuttonClick);
  connect(Voltbutton, &QToolButton::clicked, this, &Tgraphform::VoltbuttonClick);
  FormCreate();
}

QLabel* Tgraphform::addLabel(const char* name, const QRect& geometry) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  label->setGeometry(geometry);
  // Clicks on a label are clicks on the window.
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QToolButton* Tgraphform::addSpeedButton(const char* name, const QRect& geometry) {
  auto* button = new QToolButton(this);
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setCheckable(true);
  button->setAutoExclusive(true);
  return button;
}

QFrame* Tgraphform::addSwatch(const char* name, const QRect& geometry) {
  auto* swatch = new QFrame(this);
  swatch->setObjectName(name);
  swatch->setGeometry(geometry);
  swatch->setFrameShape(QFrame::Box);
  swatch->setAutoFillBackground(true);
  return swatch;
}

void Tgraphform::FormCreate() {
  move(0, 0);
  setFixedSize(640, kWindowHeight);
  mode_ = ChartMode::AmpHours;
  charbutton->setChecked(true);
  const ChartPicture picture = chart();
  setSwatch(crpanel, picture.firstColour);
  setSwatch(dispanel, picture.secondColour);
  captionupdate();
}

void Tgraphform::applyLanguage(Language language, const QFont& languageFont, const QFont& englishFont) {
  language_ = language;
  languageFamily_ = languageFont.family();
  englishFamily_ = englishFont.family();
  drawgraph();
}

void Tgraphform::captionupdate() {
  const auto apply = [this](QWidget* widget, GraphText which) {
    const SizedText& row = graphText(which);
    widget->setFont(QFont(languageFamily_, row.size(language_)));
    return qtText(row.text[language_]);
  };
  setWindowTitle(apply(this, GraphText::Caption));
  daylab->setText(apply(daylab, GraphText::Day));
  headlab->setText(apply(headlab, GraphText::Head));
  charbutton->setText(apply(charbutton, GraphText::ChargeButton));
  Voltbutton->setText(apply(Voltbutton, GraphText::VoltButton));
  Waitlab->setText(apply(Waitlab, GraphText::Wait));
  const bool volts = mode_ == ChartMode::Voltage;
  calab->setText(apply(calab, volts ? GraphText::FirstSeriesVolts : GraphText::FirstSeriesAh));
  cblab->setText(apply(cblab, volts ? GraphText::SecondSeriesVolts : GraphText::SecondSeriesAh));
  ahlab->setFont(QFont(languageFamily_, kGraphUnit.size(language_)));
  const QFont small(languageFamily_, graphText(GraphText::FirstSeriesAh).size(language_));
  originlab->setFont(small);
  hatchlab->setFont(small);
  hatchlab->setText(qtText(kHatchedDaysLegend[language_]));
}

// The origin line, and the hatching legend while any day is hatched. The
// line takes the room the legend leaves.
void Tgraphform::showOrigin() {
  const auto& days = link_.data().origins.historyDays;
  const int site = link_.controls().site;
  showOriginLine(originlab, historyOriginLine(days, site, language_, localeTimeText));
  const auto marked = markedDays(days, site);
  const bool anyMarked = std::find(marked.begin(), marked.end(), true) != marked.end();
  hatchlab->adjustSize();
  hatchlab->move(width() - hatchlab->width() - 4, hatchlab->y());
  hatchpanel->move(hatchlab->x() - hatchpanel->width() - 5, hatchpanel->y());
  hatchpanel->setVisible(anyMarked);
  hatchlab->setVisible(anyMarked);
  const int right = anyMarked ? hatchpanel->x() - 8 : width() - 4;
  originlab->setGeometry(originlab->x(), originlab->y(), right - originlab->x(), originlab->height());
  originlab->setToolTip(originlab->text());
}

ChartPicture Tgraphform::chart() const {
  const SiteData& data = link_.data();
  ChartPicture picture = chartPicture(mode_, data.history, historyVoltageMultipliers(data));
  hatchMarkedDays(picture, markedDays(data.origins.historyDays, link_.controls().site));
  return picture;
}

void Tgraphform::drawgraph() {
  captionupdate();
  const ChartPicture picture = chart();
  ahlab->setText(QString::fromStdString(picture.unit));
  showOrigin();
  // While a transfer is shown as running the chart, legend included, stays
  // as it was: only the captions follow the mode.
  if (waiting()) return;
  setSwatch(crpanel, picture.firstColour);
  setSwatch(dispanel, picture.secondColour);
  update();
}

bool Tgraphform::waiting() const { return !Waitlab->isHidden(); }

void Tgraphform::showWait() {
  waitprogress->setValue(0);
  Waitlab->show();
  Waitlab->raise();
  waitprogress->show();
  waitprogress->raise();
  update();
}

void Tgraphform::hideWait() {
  Waitlab->hide();
  waitprogress->hide();
}

void Tgraphform::hideHistoryWait() { hideWait(); }

// Positions 0..7 while blocks come in; -1 once the transfer has ended.
void Tgraphform::setHistoryProgress(int position) {
  if (position < 0)
    waitprogress->reset();
  else
    waitprogress->setValue(position);
}

// A transfer under way goes on; otherwise one is asked for, and waits its
// turn if the line is busy.
void Tgraphform::request() {
  if (link_.awaiting(RequestKind::HistoryBlock)) return;
  showWait();
  link_.Getdata(Requester::HistoryView);
  endStalledWait();
}

// The window waits but no transfer is open: it ended (or was refused) without
// the link's last word reaching this window.
void Tgraphform::endStalledWait() {
  if (!waiting() || link_.awaiting(RequestKind::HistoryBlock)) return;
  hideWait();
  drawgraph();
}

// The current-state read has ended. When it is the one a transfer waits for,
// the link holds the line for the first block before returning to the event
// loop; a line still free afterwards means no block will come.
void Tgraphform::hideCurrentStateWait() {
  if (!waiting()) return;
  QTimer::singleShot(0, this, &Tgraphform::endStalledWait);
}

void Tgraphform::setMode(ChartMode mode) {
  mode_ = mode;
  (mode == ChartMode::AmpHours ? charbutton : Voltbutton)->setChecked(true);
  drawgraph();
}

void Tgraphform::charbuttonClick() { setMode(ChartMode::AmpHours); }
void Tgraphform::VoltbuttonClick() { setMode(ChartMode::Voltage); }

void Tgraphform::FormActivate() {
  mode_ = ChartMode::AmpHours;
  charbutton->setChecked(true);
  request();
  drawgraph();
}

void Tgraphform::FormClick() {
  captionupdate();
  request();
}

void Tgraphform::mousePressEvent(QMouseEvent* event) {
  FormClick();
  QWidget::mousePressEvent(event);
}

void Tgraphform::closeEvent(QCloseEvent* event) {
  emit closedByOperator();
  QWidget::closeEvent(event);
}

// The chart is drawn afresh from the data model on every paint; nothing is
// painted while a transfer is shown as running.
void Tgraphform::paintEvent(QPaintEvent*) {
  if (waiting()) return;
  QPainter painter(this);
  paintChart(painter, chart());
}

void Tgraphform::paintChart(QPainter& painter, const ChartPicture& picture) const {
  const auto fill = [&painter](const ChartRect& rect) {
    const QRect area(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
    if (!rect.hatched) {
      painter.fillRect(area, qcolor(rect.colour));
      return;
    }
    // A day of another site, the sample, or one a transfer did not read:
    // the series colour in hatching, edged in grey.
    painter.fillRect(area, Qt::white);
    painter.fillRect(area, hatchBrush(qcolor(rect.colour).darker(130)));
    painter.setPen(Qt::gray);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
  };
  fill(picture.clearArea);
  for (const ChartRect& bar : picture.bars) fill(bar);

  QFont canvasFont(englishFamily_, kChartTextPointSize);
  painter.setFont(canvasFont);
  painter.setPen(qcolor(kChartMaroon));
  const int ascent = painter.fontMetrics().ascent();
  const auto write = [&painter, ascent](const ChartText& text) {
    painter.drawText(text.x, text.y + ascent, QString::fromStdString(text.text));
  };
  for (const ChartText& label : picture.dayLabels) write(label);

  painter.setPen(QPen(qcolor(kChartBlack), 1));
  const auto draw = [&painter](const ChartLine& line) { painter.drawLine(line.x1, line.y1, line.x2, line.y2); };
  for (const ChartLine& axis : picture.axes) draw(axis);
  for (const ChartLine& grid : picture.gridLines) draw(grid);

  painter.setPen(qcolor(kChartMaroon));
  write(picture.zeroLabel);
  for (const ChartText& label : picture.gridLabels) write(label);
}

}  // namespace solwire
