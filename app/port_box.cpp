#include "app/port_box.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "views/qt_text.h"
#include "serial/port_names.h"

namespace solwire {

namespace {

// Room the list needs beside its longest text (frame, margins, scroll bar).
constexpr int kListMargin = 32;

}  // namespace

PortBox::PortBox(int portCount, QWidget* parent) : QComboBox(parent) {
  for (int n = 1; n <= portCount; ++n) addItem(QString("COM%1").arg(n));
}

QString PortBox::entryText(int comNumber, const QString& path) {
  return QString("COM%1 \u2013 %2").arg(comNumber).arg(path);
}

void PortBox::showPaths(const PortNames& names) {
  for (int i = 0; i < count(); ++i) setItemText(i, entryText(i + 1, qtText(names.pathFor(i + 1))));
}

void PortBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect textRoom = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, textRoom.width());
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void PortBox::showPopup() {
  int widest = 0;
  for (int i = 0; i < count(); ++i) widest = std::max(widest, view()->fontMetrics().horizontalAdvance(itemText(i)));
  view()->setMinimumWidth(widest + kListMargin);
  QComboBox::showPopup();
}

}  // namespace solwire
