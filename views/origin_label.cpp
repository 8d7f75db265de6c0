#include "views/origin_label.h"

#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QRegularExpression>
#include <QTime>

namespace solwire {

namespace {

const QColor kGrey(128, 128, 128);

}  // namespace

std::string localeTimeText(const LocalTime& time) {
  const QLocale locale;
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression("\\s*t+\\s*"));
  return locale.toString(QTime(time.hour, time.minute, time.second), format).toStdString();
}

// A palette, not a style sheet: a style sheet would stop the language's font
// from reaching the label. An empty palette inherits the window's again.
void greyIfMarked(QWidget* widget, bool marked) {
  QPalette palette;
  if (marked) {
    palette = widget->palette();
    palette.setColor(QPalette::WindowText, kGrey);
  }
  widget->setPalette(palette);
}

void showOriginLine(QLabel* label, const OriginLine& line) {
  label->setText(QString::fromStdString(line.text));
  QFont font = label->font();
  font.setItalic(line.marked);
  label->setFont(font);
  greyIfMarked(label, line.marked);
}

}  // namespace solwire
