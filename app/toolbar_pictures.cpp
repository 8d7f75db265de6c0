#include "app/toolbar_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>
#include <functional>

namespace solwire {

namespace {

// Every picture is drawn on a 32 x 32 grid and scaled to the size asked for.
using Drawing = std::function<void(QPainter&)>;

QPen outline(const QColor& colour = Qt::black, qreal width = 1.5) {
  return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawExit(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(150, 100, 50));
  p.drawRect(QRectF(6, 4, 14, 24));  // door
  p.setBrush(QColor(200, 0, 0));
  QPolygonF arrow({{18, 13}, {24, 13}, {24, 9}, {30, 16}, {24, 23}, {24, 19}, {18, 19}});
  p.drawPolygon(arrow);
}

void drawHelp(QPainter& p) {
  p.setPen(outline(QColor(0, 0, 160)));
  p.setBrush(QColor(220, 230, 255));
  p.drawEllipse(QRectF(3, 3, 26, 26));
  QFont font("Sans");
  font.setPixelSize(22);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, "?");
}

void drawCurrentState(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(60, 160, 60));
  p.drawRect(QRectF(5, 9, 20, 16));  // battery body
  p.drawRect(QRectF(25, 13, 3, 8));  // terminal
  p.setPen(outline(Qt::white, 2));
  p.drawLine(QPointF(9, 17), QPointF(15, 17));
  p.drawLine(QPointF(12, 14), QPointF(12, 20));
  p.drawLine(QPointF(18, 17), QPointF(22, 17));
}

void drawHistory(QPainter& p) {
  p.setPen(outline());
  p.drawLine(QPointF(4, 28), QPointF(28, 28));
  const std::array<int, 5> heights{10, 18, 8, 22, 14};
  for (std::size_t i = 0; i < heights.size(); ++i) {
    p.setBrush(i % 2 ? QColor(220, 60, 60) : QColor(60, 90, 220));
    p.drawRect(QRectF(5 + 4.5 * static_cast<qreal>(i), 28 - heights[i], 3.5, heights[i]));
  }
}

void drawSettings(QPainter& p) {
  p.setPen(outline());
  for (int i = 0; i < 3; ++i) {
    const qreal y = 8 + 8 * i;
    p.drawLine(QPointF(5, y), QPointF(27, y));
    p.setBrush(QColor(230, 180, 40));
    p.drawRect(QRectF(8 + 7 * ((i * 2) % 3), y - 3, 5, 6));
  }
}

void drawAlarms(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(240, 200, 40));
  QPainterPath bell;
  bell.moveTo(6, 24);
  bell.cubicTo(9, 20, 8, 6, 16, 6);
  bell.cubicTo(24, 6, 23, 20, 26, 24);
  bell.closeSubpath();
  p.drawPath(bell);
  p.drawEllipse(QRectF(14, 24, 4, 4));
}

void drawPort(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(120, 120, 140));
  QPolygonF connector({{4, 10}, {28, 10}, {25, 22}, {7, 22}});
  p.drawPolygon(connector);
  p.setBrush(Qt::black);
  for (int i = 0; i < 5; ++i) p.drawEllipse(QRectF(8 + 3.6 * i, 13, 1.8, 1.8));
  for (int i = 0; i < 4; ++i) p.drawEllipse(QRectF(10 + 3.6 * i, 18, 1.8, 1.8));
}

void drawHandset(QPainter& p, const QColor& colour) {
  p.setPen(outline());
  p.setBrush(colour);
  QPainterPath handset;
  handset.moveTo(6, 10);
  handset.quadTo(16, 2, 26, 10);
  handset.lineTo(23, 14);
  handset.quadTo(16, 10, 9, 14);
  handset.closeSubpath();
  p.drawPath(handset);
  p.drawRect(QRectF(9, 17, 14, 10));  // base
}

void drawPhone(QPainter& p) { drawHandset(p, QColor(40, 40, 40)); }

void drawPhoneConnected(QPainter& p) {
  drawHandset(p, QColor(0, 170, 0));
  p.setPen(outline(QColor(0, 170, 0), 1.5));
  p.drawArc(QRectF(22, 2, 8, 8), 0, 90 * 16);
  p.drawArc(QRectF(2, 2, 8, 8), 90 * 16, 90 * 16);
}

void drawSave(QPainter& p) {
  p.setPen(outline());
  p.setBrush(QColor(40, 70, 160));
  p.drawRect(QRectF(5, 5, 22, 22));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 5, 14, 9));
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(QRectF(10, 18, 12, 9));
}

void drawPeriodicLog(QPainter& p) {
  p.setPen(outline());
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(4, 4, 24, 24));
  p.setPen(outline(Qt::black, 2));
  p.drawLine(QPointF(16, 16), QPointF(16, 8));
  p.drawLine(QPointF(16, 16), QPointF(22, 19));
}

void drawPrint(QPainter& p) {
  p.setPen(outline());
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 4, 14, 10));  // paper
  p.setBrush(QColor(150, 150, 150));
  p.drawRect(QRectF(4, 13, 24, 10));  // printer
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 20, 14, 8));
}

void drawEnglishFlag(QPainter& p) {
  const QRectF field(2, 7, 28, 18);
  p.fillRect(field, QColor(1, 33, 105));
  p.setClipRect(field);
  p.setPen(QPen(Qt::white, 5));
  p.drawLine(field.topLeft(), field.bottomRight());
  p.drawLine(field.bottomLeft(), field.topRight());
  p.setPen(QPen(QColor(200, 16, 46), 2));
  p.drawLine(field.topLeft(), field.bottomRight());
  p.drawLine(field.bottomLeft(), field.topRight());
  p.fillRect(QRectF(13, 7, 6, 18), Qt::white);
  p.fillRect(QRectF(2, 13, 28, 6), Qt::white);
  p.fillRect(QRectF(14.5, 7, 3, 18), QColor(200, 16, 46));
  p.fillRect(QRectF(2, 14.5, 28, 3), QColor(200, 16, 46));
  p.setClipping(false);
}

void drawFrenchFlag(QPainter& p) {
  p.fillRect(QRectF(2, 7, 9.33, 18), QColor(0, 35, 149));
  p.fillRect(QRectF(11.33, 7, 9.34, 18), Qt::white);
  p.fillRect(QRectF(20.67, 7, 9.33, 18), QColor(237, 41, 57));
}

QPolygonF star(QPointF centre, qreal outer, qreal rotation = 0) {
  QPolygonF points;
  for (int i = 0; i < 10; ++i) {
    const qreal radius = i % 2 ? outer * 0.38 : outer;
    const qreal angle = rotation - M_PI / 2 + i * M_PI / 5;
    points << QPointF(centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
  }
  return points;
}

void drawChineseFlag(QPainter& p) {
  p.fillRect(QRectF(2, 7, 28, 18), QColor(222, 41, 16));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 222, 0));
  p.drawPolygon(star({7.5, 12.5}, 3.4));
  const std::array<QPointF, 4> small{{{12.5, 9}, {14.5, 11}, {14.5, 14}, {12.5, 16}}};
  for (const QPointF& c : small) p.drawPolygon(star(c, 1.1, 0.5));
}

const std::array<Drawing, PictureCount>& drawings() {
  static const std::array<Drawing, PictureCount> table{
      drawExit,         drawHelp,     drawCurrentState, drawHistory,     drawSettings,
      drawAlarms,       drawPort,     drawPhone,        drawSave,        drawPeriodicLog,
      drawPrint,        drawEnglishFlag, drawFrenchFlag, drawChineseFlag, drawPhoneConnected};
  return table;
}

QPixmap render(const Drawing& drawing, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  if (drawing) drawing(painter);
  return pixmap;
}

}  // namespace

QPixmap toolbarPicture(int index, int size) {
  if (index < 0 || index >= PictureCount) return render(nullptr, size);
  return render(drawings()[static_cast<std::size_t>(index)], size);
}

QIcon toolbarIcon(int index) { return QIcon(toolbarPicture(index)); }

QIcon yesIcon() {
  return QIcon(render(
      [](QPainter& p) {
        p.setPen(outline(QColor(0, 150, 0), 4));
        p.drawPolyline(QPolygonF({{6, 17}, {13, 24}, {26, 8}}));
      },
      32));
}

QIcon noIcon() {
  return QIcon(render(
      [](QPainter& p) {
        p.setPen(outline(QColor(200, 0, 0), 4));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
      },
      32));
}

}  // namespace solwire
