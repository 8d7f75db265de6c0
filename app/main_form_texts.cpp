// Applying the current language to the main window: its font, caption,
// flag picture, and every caption and hint of its table.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

#include "app/main_form.h"
#include "views/qt_text.h"
#include "app/texts/main_window_hints.h"
#include "app/texts/main_window_texts.h"

namespace solwire {

namespace {

void setCaption(QWidget* widget, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(text);
  }
}

// These take the language's font face but keep their own size, so that the
// panels keep their fixed layout in every language.
constexpr const char* kFaceOnlyControls[] = {
    "exitlab",   "Directlab",     "Baudlab",     "Portlab",       "Mportlab",    "Modemlab",   "Modconlab",
    "Tapiselbutton", "Pulsecheck", "mportbox",   "Statusb",       "Hangup",      "bookbtn",    "baudbox",
    "Dportbox",  "phoneidedit",   "dialedit",    "mcanbutton",    "Dialpanel",   "Setupedit",  "phonegrid",
    "fileedit",  "Readbutton",    "Printbutton", "Savebutton",    "Lognumedit",  "Currsavecheck",
    "Datasavecheck", "Setsavecheck", "Calsavecheck", "logedit",   "dialupcheck", "Samplecheck", "rateedit",
    "Ratelab",   "Logread",       "Dialbutton",  "sitelab",       "Setuplab",    "Tapicheck"};
constexpr int kFaceOnlyPointSize = 9;

// A control's own size: the one given when it was built, else the common one.
int designPointSize(const QWidget* control) {
  const QVariant size = control->property("designPointSize");
  return size.isValid() ? size.toInt() : kFaceOnlyPointSize;
}

}  // namespace

void Tmainform::applyLanguageTexts() {
  const int language = languages_.index;
  setFont(languages_.qfont());
  saveedit_.setFontName(languages_.qfont().family().toStdString());  // the report buffer writes in the window's face
  for (const char* name : kFaceOnlyControls) {
    auto* control = findChild<QWidget*>(name);
    if (!control) continue;
    QFont face = control->font();
    face.setFamily(languages_.familyForCurrentLanguage());
    face.setPointSize(designPointSize(control));
    control->setFont(face);
  }
  for (const MainWindowText& row : mainWindowTexts()) {
    const QString text = qtText(row.text[language]);
    QWidget* target = row.control == "window" ? this : findChild<QWidget*>(qtText(row.control));
    if (!target) continue;
    if (target == this) {
      updateCaption();  // the caption always carries the version
      continue;
    }
    if (row.sets != Sets::Hint) setCaption(target, text);
    if (row.sets != Sets::Caption) target->setToolTip(text);
  }
  for (const ControlHint& hint : kMainWindowHints)
    if (QWidget* control = findChild<QWidget*>(qtText(hint.control))) control->setToolTip(qtText(hint.text[language]));
  ShowModemControls();
  if (phonegrid->item(0, 1)) {
    phonegrid->item(0, 1)->setText(qtText(kPhoneGridNameHead[language]));
    phonegrid->item(0, 2)->setText(qtText(kPhoneGridNumberHead[language]));
  } else {
    phonegrid->setItem(0, 1, new QTableWidgetItem(qtText(kPhoneGridNameHead[language])));
    phonegrid->setItem(0, 2, new QTableWidgetItem(qtText(kPhoneGridNumberHead[language])));
  }
  applyLanguageToDataWindows();
}

}  // namespace solwire
