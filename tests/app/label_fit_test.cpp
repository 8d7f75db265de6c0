// Every label and button of the main window shows its whole text: in each
// language, at the smallest, a middle and the largest size the font dialog
// offers, with the stored face and with the face the dialog comes up with.
// Each text is measured with the metrics of the widget's own font against the
// room the style leaves it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <memory>

#include "app/main_form.h"
#include "protocol/status_messages.h"
#include "app/status_panels.h"
#include "protocol/virtual_clock.h"
#include "store/config/settings_backend_memory.h"
#include "tests/app/main_form_fakes.h"
#include "tests/support/link_fakes.h"

namespace solwire {
namespace {

// The room a button's style leaves its text, and the text's own extent.
QRect buttonTextRoom(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  option.icon = button.icon();
  option.iconSize = button.iconSize();
  QStyle::SubElement element = QStyle::SE_PushButtonContents;
  if (qobject_cast<const QCheckBox*>(&button)) element = QStyle::SE_CheckBoxContents;
  if (qobject_cast<const QRadioButton*>(&button)) element = QStyle::SE_RadioButtonContents;
  QRect room = button.style()->subElementRect(element, &option, &button);
  if (element == QStyle::SE_PushButtonContents && !button.icon().isNull()) {
    room.setLeft(room.left() + button.iconSize().width() + 4);  // the gap the style puts after an icon
  }
  return room;
}

QRect labelTextRoom(const QLabel& label) {
  QRect room = label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(), -label.margin());
  int indent = label.indent();
  if (indent < 0 && label.frameWidth() > 0) indent = QFontMetrics(label.font()).horizontalAdvance(QLatin1Char('x')) / 2;
  if (indent > 0) room.setLeft(room.left() + indent);
  return room;
}

// Whether one line of text fits in the room: its advance across, and its ink
// up and down from a line centred in the room, as labels and buttons place it.
// (A face's line height may exceed the room while its letters do not.)
bool fits(const QFontMetrics& metrics, const QString& text, QRect room) {
  if (metrics.horizontalAdvance(text) > room.width()) return false;
  const int baseline = room.top() + (room.height() - metrics.height()) / 2 + metrics.ascent();
  const QRect ink = metrics.tightBoundingRect(text).translated(0, baseline);
  return ink.top() >= room.top() && ink.bottom() <= room.bottom();
}

// "name: 'text' needs WxH, has WxH" for each widget whose text does not fit.
QStringList clippedTexts(const QWidget& root) {
  QStringList clipped;
  const auto check = [&clipped](const QWidget& widget, const QString& text, QRect room) {
    if (text.isEmpty()) return;
    const QFontMetrics metrics(widget.font());
    if (fits(metrics, text, room)) return;
    clipped << QString("%1: '%2' needs %3x%4, has %5x%6 (%7 %8pt)")
                   .arg(widget.objectName(), text)
                   .arg(metrics.horizontalAdvance(text))
                   .arg(metrics.tightBoundingRect(text).height())
                   .arg(room.width())
                   .arg(room.height())
                   .arg(QFontInfo(widget.font()).family())
                   .arg(widget.font().pointSize());
  };
  for (const QLabel* label : root.findChildren<QLabel*>()) {
    // The message panel of the status bar is as wide as the window leaves it
    // and carries its text as a tooltip too.
    if (label->objectName() == QString("Statusb.panel%1").arg(StatusPanels::kPanelCount - 1)) continue;
    check(*label, label->text(), labelTextRoom(*label));
  }
  for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
    check(*button, button->text(), buttonTextRoom(*button));
  }
  return clipped;
}

class LabelFitTest : public ::testing::Test, public test::MainFormFakes {
 protected:
  void SetUp() override {
    form = openMainForm();
    // Every panel open, as the operator may have them.
    form->ToolButton1Click();
    form->ToolButton2Click();
    form->ToolButton8Click();
    form->ToolButton10Click();
    form->ToolButton12Click();
    // The hours to the next log reading show while periodic logging is on.
    form->Samplecheck->setChecked(true);
    form->SamplecheckClick();
    form->Timer1Timer();
  }

  // Picks a font through the language group's font button, as the operator does.
  void chooseFont(const QFont& font) {
    form->chooseFont = [font](const QFont&) { return std::optional<QFont>(font); };
    form->fontselbutClick();
  }

  // The face the font dialog shows for the language's font: what the
  // operator gets by confirming the dialog as it comes up.
  QString dialogPresetFamily() const {
    QFontDialog dialog(form->languages().qfont());
    dialog.setOptions(QFontDialog::ScalableFonts);
    return dialog.currentFont().family();
  }

  std::unique_ptr<Tmainform> form;
};

// The faces to try for the current language: the stored one, the one the font
// dialog offers for it, and the platform's serif face, wider than most.
QStringList facesToTry(const QFont& stored, const QString& dialogPreset) {
  return {stored.family(), dialogPreset, QStringLiteral("Serif")};
}

TEST_F(LabelFitTest, EveryTextFitsInEachLanguageFaceAndSize) {
  for (int language : {0, 1, 2}) {
    form->englishselectClick(languageFromIndex(language));
    for (const QString& family : facesToTry(form->languages().qfont(), dialogPresetFamily())) {
      for (int size : {8, 11, 14}) {
        chooseFont(QFont(family, size));
        QStringList clipped = clippedTexts(*form);
        // The status bar's left panel shows the hint of the control under the mouse.
        for (const QWidget* control : form->findChildren<QWidget*>()) {
          if (control->toolTip().isEmpty()) continue;
          form->statusBar().setPanelText(0, control->toolTip());
          clipped << clippedTexts(form->statusBar());
        }
        form->statusBar().setPanelText(0, QString());
        EXPECT_TRUE(clipped.isEmpty()) << "language " << language << ", " << family.toStdString() << " " << size
                                       << "pt:\n" << clipped.join('\n').toStdString();
      }
    }
  }
}

TEST_F(LabelFitTest, TheMeasureCatchesATextCutShort) {
  auto* baud = form->findChild<QLabel*>("Baudlab");
  ASSERT_NE(baud, nullptr);
  baud->resize(QFontMetrics(baud->font()).horizontalAdvance(baud->text()) - 4, baud->height());
  EXPECT_EQ(clippedTexts(*form).size(), 1);
}

}  // namespace
}  // namespace solwire
