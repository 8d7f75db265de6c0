#include "views/current_form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <array>

#include "views/qt_text.h"
#include "protocol/link_controller.h"
#include "views/current_rules.h"
#include "views/origin_label.h"
#include "views/texts/current_texts.h"

namespace solwire {

namespace {

constexpr int kImageWidth = 300;
constexpr int kImageHeight = 130;

// A neutral backdrop: a soft gradient with a lighter band behind each column
// of values.
QPixmap backgroundPicture() {
  QPixmap picture(kImageWidth, kImageHeight);
  QPainter painter(&picture);
  QLinearGradient sky(0, 0, 0, kImageHeight);
  sky.setColorAt(0, QColor(214, 226, 238));
  sky.setColorAt(1, QColor(176, 196, 214));
  painter.fillRect(picture.rect(), sky);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(150, 170, 190));
  painter.setBrush(QColor(236, 242, 248));
  for (const QRect& band : {QRect(3, 40, 92, 84), QRect(99, 40, 104, 84), QRect(207, 40, 90, 84)})
    painter.drawRoundedRect(band, 6, 6);
  return picture;
}

// A value box of a given size, its text centred in it.
void setBoxSize(QLabel* label, int width, int height) {
  label->setMinimumSize(width, height);
  label->resize(width, height);
  label->setAlignment(Qt::AlignCenter);
}

// A label is never narrower or lower than its text (nor smaller than its box).
void fitToText(QLabel* label) { label->resize(label->sizeHint().expandedTo(label->minimumSize())); }

// Where a label stands at the design font; a wider font may push it right.
constexpr const char* kDesignLeft = "designLeft";
constexpr int kLabelGap = 4;

// Each label of a row starts at its design place, or after its left
// neighbour when a wide font has grown that one into it.
void keepRowApart(const std::array<QLabel*, 3>& row) {
  for (std::size_t i = 1; i < row.size(); ++i) {
    const int designLeft = row[i]->property(kDesignLeft).toInt();
    row[i]->move(std::max(designLeft, row[i - 1]->geometry().right() + kLabelGap), row[i]->y());
  }
}

}  // namespace

TCurrentform::TCurrentform(LinkController& link, QWidget* parent)
    : QWidget(parent, Qt::Tool), link_(link) {
  setObjectName("Currentform");
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Image1 = new QLabel(Panel1);
  Image1->setObjectName("Image1");
  Image1->setPixmap(backgroundPicture());
  Image1->setScaledContents(true);
  Typelab = addLabel("Typelab", 8, 8);
  Statelab = addLabel("Statelab", 210, 8);
  statenumlab = addLabel("statenumlab", 270, 8);
  Chargelab = addLabel("Chargelab", 8, 48);
  Camphrlab = addLabel("Camphrlab", 8, 96);
  Loadlab = addLabel("Loadlab", 215, 48);
  Lamphrlab = addLabel("Lamphrlab", 215, 96);
  batvlab = addLabel("batvlab", 103, 56);
  setBoxSize(batvlab, 97, 31);
  maxminlab = addLabel("maxminlab", 103, 96);
  setBoxSize(maxminlab, 97, 23);
  originlab = addLabel("originlab", 8, 132);
  Waitlab = addLabel("Waitlab", 64, 32);
  Waitlab->setWordWrap(true);
  Waitlab->setAlignment(Qt::AlignCenter);
  Waitlab->setAutoFillBackground(true);
  Waitlab->setStyleSheet("background-color: red;");
  Waitlab->setGeometry(64, 32, 177, 73);
  Waitlab->hide();
  FormCreate();
}

QLabel* TCurrentform::addLabel(const char* name, int left, int top) {
  auto* label = new QLabel(Panel1);
  label->setObjectName(name);
  label->move(left, top);
  label->setProperty(kDesignLeft, left);
  // Clicks on a label are clicks on the window.
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

void TCurrentform::FormCreate() {
  move(0, 104);
  labelupdate();
}

void TCurrentform::applyLanguage(Language language, const QFont& font) {
  language_ = language;
  font_ = font;
  setFont(font_);
  applyCaptions();
  labelupdate();
}

// The labels let clicks through to the window, so they never see the mouse
// rest on them: the window shows their hints.
bool TCurrentform::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  if (QLabel* label = hintedLabelAt(help->pos())) {
    QToolTip::showText(help->globalPos(), label->toolTip(), this);
  } else {
    QToolTip::hideText();
    event->ignore();
  }
  return true;
}

QLabel* TCurrentform::hintedLabelAt(const QPoint& position) const {
  for (QLabel* label : {batvlab, Chargelab, Loadlab, Camphrlab, Lamphrlab, maxminlab, Typelab, Statelab, statenumlab}) {
    const QRect area(label->mapTo(this, QPoint(0, 0)), label->size());
    if (label->isVisible() && area.contains(position)) return label;
  }
  return nullptr;
}

void TCurrentform::applyHints() {
  const std::pair<QLabel*, const TextRow*> hints[] = {
      {batvlab, &kBatteryVoltageHint},    {Chargelab, &kChargeCurrentHint},   {Loadlab, &kLoadCurrentHint},
      {Camphrlab, &kChargeTodayHint},     {Lamphrlab, &kDischargeTodayHint},  {maxminlab, &kVoltageRangeHint},
      {Typelab, &kSystemVoltageHint},     {Statelab, &kStateHint},            {statenumlab, &kStateHint}};
  for (const auto& [label, hint] : hints) label->setToolTip(qtText((*hint)[language_]));
}

void TCurrentform::applyCaptions() {
  applyHints();
  setWindowTitle(qtText(currentText(CurrentText::Caption)[language_]));
  Statelab->setText(qtText(currentText(CurrentText::StateLabel)[language_]));
  Waitlab->setText(qtText(currentText(CurrentText::WaitText)[language_]));
}

void TCurrentform::labelupdate() {
  applyCaptions();
  const SiteData& data = link_.data();
  const CurrentStateTexts texts = currentStateTexts(data.scaling, data.current);
  statenumlab->setText(QString::fromStdString(texts.statenumlab));
  Chargelab->setText(QString::fromStdString(texts.chargelab));
  Loadlab->setText(QString::fromStdString(texts.loadlab));
  Camphrlab->setText(QString::fromStdString(texts.camphrlab));
  Lamphrlab->setText(QString::fromStdString(texts.lamphrlab));
  batvlab->setText(QString::fromStdString(texts.batvlab));
  maxminlab->setText(QString::fromStdString(texts.maxminlab));
  Typelab->setText(QString::fromStdString(texts.typelab));
  showOrigin();
  fitWindowToLabels();
}

void TCurrentform::showOrigin() {
  const OriginLine line =
      originLine(link_.data().origins.current, link_.controls().site, language_, localeTimeText);
  showOriginLine(originlab, line);
  for (QLabel* label : {Typelab, statenumlab, Chargelab, Camphrlab, Loadlab, Lamphrlab, batvlab, maxminlab})
    greyIfMarked(label, line.marked);
}

// The layout is fixed, but a larger language font must not cut a text off:
// labels grow to their text and the window to its labels.
void TCurrentform::fitWindowToLabels() {
  QRect used(0, 0, kImageWidth, kImageHeight);
  for (QLabel* label : {Typelab, Statelab, statenumlab, Chargelab, Camphrlab, Loadlab, Lamphrlab, batvlab,
                        maxminlab, originlab})
    fitToText(label);
  for (const auto& row : {std::array<QLabel*, 3>{Typelab, Statelab, statenumlab},
                          std::array<QLabel*, 3>{Chargelab, batvlab, Loadlab},
                          std::array<QLabel*, 3>{Camphrlab, maxminlab, Lamphrlab}})
    keepRowApart(row);
  for (QLabel* label : {Typelab, Statelab, statenumlab, Chargelab, Camphrlab, Loadlab, Lamphrlab, batvlab,
                        maxminlab, originlab})
    used = used.united(label->geometry().adjusted(0, 0, 4, 4));
  used = used.united(Waitlab->geometry());
  Panel1->setGeometry(0, 0, used.width(), used.height());
  Image1->setGeometry(Panel1->rect());
  Image1->lower();
  Waitlab->raise();
  setFixedSize(used.width(), used.height());
}

bool TCurrentform::waiting() const { return !Waitlab->isHidden(); }

void TCurrentform::hideCurrentStateWait() { Waitlab->hide(); }

void TCurrentform::FormClick() {
  setFont(font_);
  applyCaptions();
  fitWindowToLabels();
  if (link_.awaiting(RequestKind::CurrentState)) return;
  Waitlab->show();
  // The request waits its turn if the line is busy; one refused or failed at
  // once has taken the wait down already.
  link_.Getdata(Requester::CurrentStateView);
}

void TCurrentform::mousePressEvent(QMouseEvent* event) {
  FormClick();
  QWidget::mousePressEvent(event);
}

void TCurrentform::closeEvent(QCloseEvent* event) {
  emit closedByOperator();
  QWidget::closeEvent(event);
}

}  // namespace solwire
