#include "views/alarm_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>
#include <functional>

#include "views/alarm_rules.h"

namespace solwire {

namespace {

// Alarm pictures are drawn on their own 38 x 32 grid.
using Drawing = std::function<void(QPainter&)>;

const QColor kFailureRed(210, 20, 20);

QPen outline(const QColor& colour = Qt::black, qreal width = 1.5) {
  return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The red cross over a failed part.
void crossOut(QPainter& p) {
  p.setPen(outline(kFailureRed, 3));
  p.drawLine(QPointF(8, 6), QPointF(30, 27));
  p.drawLine(QPointF(30, 6), QPointF(8, 27));
}

void drawAlarmSymbol(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(230, 30, 30));
  QPainterPath dome;
  dome.moveTo(11, 24);
  dome.lineTo(11, 15);
  dome.cubicTo(11, 7, 27, 7, 27, 15);
  dome.lineTo(27, 24);
  dome.closeSubpath();
  p.drawPath(dome);
  p.setBrush(QColor(90, 90, 90));
  p.drawRect(QRectF(8, 24, 22, 4));
  p.setPen(outline(QColor(240, 170, 0), 2));
  p.drawLine(QPointF(4, 10), QPointF(8, 12));
  p.drawLine(QPointF(34, 10), QPointF(30, 12));
  p.drawLine(QPointF(19, 2), QPointF(19, 5));
  p.drawLine(QPointF(7, 4), QPointF(10, 7));
  p.drawLine(QPointF(31, 4), QPointF(28, 7));
}

Drawing numbered(int number) {
  return [number](QPainter& p) {
    p.setPen(outline(QColor(0, 0, 110)));
    p.setBrush(QColor(40, 80, 200));
    p.drawRoundedRect(QRectF(5, 3, 28, 26), 6, 6);
    QFont font("Sans");
    font.setPixelSize(number >= 10 ? 17 : 20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(5, 3, 28, 26), Qt::AlignCenter, QString::number(number));
  };
}

// A battery on its side, filled `level` of 4 bars in `colour`.
void drawBattery(QPainter& p, int level, const QColor& colour) {
  p.setPen(outline());
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 9, 24, 15));
  p.setBrush(Qt::black);
  p.drawRect(QRectF(27, 13, 3, 7));
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  for (int bar = 0; bar < level; ++bar) p.drawRect(QRectF(5.5 + 5.5 * bar, 11.5, 4.5, 10));
}

void drawArrow(QPainter& p, bool up) {
  p.setPen(Qt::NoPen);
  p.setBrush(kFailureRed);
  const qreal tip = up ? 3 : 29;
  const qreal base = up ? 12 : 20;
  p.drawPolygon(QPolygonF({{34, tip}, {38, base}, {35.5, base}, {35.5, up ? 29.0 : 3.0},
                           {32.5, up ? 29.0 : 3.0}, {32.5, base}, {30, base}}));
}

void drawLowBattery(QPainter& p) {
  drawBattery(p, 1, kFailureRed);
  drawArrow(p, false);
}

void drawHighBattery(QPainter& p) {
  drawBattery(p, 4, QColor(240, 140, 0));
  drawArrow(p, true);
}

void drawGenerator(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(250, 220, 60));
  p.drawEllipse(QRectF(6, 3, 26, 26));
  QPainterPath wave;
  wave.moveTo(10, 16);
  wave.cubicTo(13, 6, 16, 6, 19, 16);
  wave.cubicTo(22, 26, 25, 26, 28, 16);
  p.setBrush(Qt::NoBrush);
  p.setPen(outline(Qt::black, 2));
  p.drawPath(wave);
}

void drawLogicFailure(QPainter& p) {
  p.setPen(outline(QColor(60, 60, 60)));
  for (int pin = 0; pin < 4; ++pin) {
    const qreal y = 9 + 5 * pin;
    p.drawLine(QPointF(7, y), QPointF(11, y));
    p.drawLine(QPointF(27, y), QPointF(31, y));
  }
  p.setBrush(QColor(30, 30, 30));
  p.drawRect(QRectF(11, 6, 16, 21));
  crossOut(p);
}

void drawLoadFailure(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(255, 240, 150));
  p.drawEllipse(QRectF(11, 3, 16, 16));
  p.setBrush(QColor(150, 150, 150));
  p.drawRect(QRectF(14.5, 18, 9, 8));
  crossOut(p);
}

void drawSolarFailure(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 200, 0));
  p.drawEllipse(QRectF(26, 1, 10, 10));
  p.setPen(outline(QColor(0, 0, 80)));
  p.setBrush(QColor(30, 70, 170));
  const QPolygonF panel({{8, 12}, {30, 12}, {34, 28}, {4, 28}});
  p.drawPolygon(panel);
  p.setPen(outline(QColor(180, 200, 255), 1));
  p.drawLine(QPointF(19, 12), QPointF(19, 28));
  p.drawLine(QPointF(6, 20), QPointF(32, 20));
  crossOut(p);
}

void drawDoor(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(90, 90, 90));
  p.drawRect(QRectF(9, 3, 20, 26));  // frame
  p.setBrush(QColor(170, 110, 50));
  p.drawPolygon(QPolygonF({{9, 3}, {21, 6}, {21, 31}, {9, 29}}));  // door swung open
  p.setBrush(QColor(240, 200, 40));
  p.drawEllipse(QRectF(17, 16, 2.5, 2.5));
}

void drawFire(QPainter& p) {
  p.setPen(outline(QColor(160, 20, 0)));
  p.setBrush(QColor(240, 80, 0));
  QPainterPath flame;
  flame.moveTo(19, 2);
  flame.cubicTo(26, 10, 31, 16, 27, 25);
  flame.cubicTo(24, 31, 14, 31, 11, 25);
  flame.cubicTo(8, 18, 13, 14, 14, 8);
  flame.cubicTo(17, 12, 18, 10, 19, 2);
  p.drawPath(flame);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 220, 40));
  p.drawEllipse(QRectF(15, 18, 8, 10));
}

void drawSmoke(QPainter& p) {
  p.setPen(outline(QColor(80, 80, 80), 1));
  p.setBrush(QColor(170, 170, 170));
  p.drawEllipse(QRectF(4, 16, 14, 12));
  p.drawEllipse(QRectF(13, 12, 16, 15));
  p.drawEllipse(QRectF(22, 17, 12, 11));
  p.setBrush(QColor(200, 200, 200));
  p.drawEllipse(QRectF(12, 3, 10, 9));
  p.drawEllipse(QRectF(20, 1, 8, 7));
}

void drawBlank(QPainter&) {}

const std::array<Drawing, kAlarmPictureListSize>& alarmDrawings() {
  static const std::array<Drawing, kAlarmPictureListSize> table{
      drawAlarmSymbol, numbered(1),      numbered(2),      numbered(3),     numbered(4),     numbered(5),
      numbered(6),     numbered(7),      numbered(8),      numbered(9),     numbered(10),    numbered(11),
      numbered(12),    numbered(13),     drawLowBattery,   drawHighBattery, drawGenerator,   drawLogicFailure,
      drawLoadFailure, drawSolarFailure, drawDoor,         drawFire,        drawSmoke,       drawBlank,
      drawBlank,       drawBlank};
  return table;
}

QPixmap emptyPixmap(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// A strip cell: a lamp bar that leaves the last two pixels clear, so that
// neighbouring cells 45 pixels apart stay apart.
void drawStripLamp(QPainter& p, const QColor& fill, const QColor& edge) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(edge, 1));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(1.5, 1.5, 41, 9), 3, 3);
}

void drawDisabledLamp(QPainter& p) {
  drawStripLamp(p, QColor(200, 200, 200), QColor(120, 120, 120));
  p.setPen(QPen(QColor(130, 130, 130), 1));
  for (int x = 4; x < 42; x += 5) p.drawLine(QPointF(x, 10), QPointF(x + 6, 2));
}

}  // namespace

QPixmap alarmPicture(int index) {
  QPixmap pixmap = emptyPixmap(kAlarmPictureWidth, kAlarmPictureHeight);
  if (index < 0 || index >= kAlarmPictureListSize) return pixmap;
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  alarmDrawings()[static_cast<std::size_t>(index)](painter);
  return pixmap;
}

QIcon alarmIcon(int index) {
  QIcon icon(alarmPicture(index));
  return icon;
}

QPixmap statusStripPicture(int index) {
  QPixmap pixmap = emptyPixmap(kStripPictureWidth, kStripPictureHeight);
  QPainter painter(&pixmap);
  switch (index) {
    case StripInactive: drawStripLamp(painter, QColor(30, 120, 40), QColor(10, 60, 20)); break;
    case StripActive: drawStripLamp(painter, QColor(200, 20, 20), QColor(100, 0, 0)); break;
    case StripActiveLit: drawStripLamp(painter, QColor(255, 230, 40), QColor(200, 20, 20)); break;
    case StripDisabled: drawDisabledLamp(painter); break;
    default: break;
  }
  return pixmap;
}

}  // namespace solwire
