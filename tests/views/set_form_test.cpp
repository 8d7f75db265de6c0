// The settings editor on the simulated line, through the real serial stack:
// entries typed into the grids, the write frame, the port's 24-tick timer,
// the read-back and the tint that tells whether the regulator took the byte;
// a site change, a closed or destroyed window and a second click in the
// middle of a write.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>

#include "tests/views/view_harness.h"
#include "protocol/status_messages.h"
#include "views/set_form.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

// 24 ticks of 55 ms: the port's timer fires once they are past.
constexpr std::chrono::milliseconds kWriteWait{LinkController::kWriteReadBackTicks * kTickMilliseconds + 1};

class SetFormTest : public ::testing::Test {
 protected:
  explicit SetFormTest(int site = 1) : harness(options(site)) {
    form = new Tsetform(harness.controller(), harness.feedback);
    attach(form);
    QObject::connect(form, &Tsetform::closedByOperator, [this] { ++closedByOperator; });
  }
  ~SetFormTest() override { delete form; }

  static test::ViewHarness::Options options(int site) {
    test::ViewHarness::Options o;
    o.site = site;
    return o;
  }

  void attach(Tsetform* window) {
    QPointer<Tsetform> guarded(window);
    harness.views.on.setdisplay = [guarded] { if (guarded) guarded->setdisplay(); };
    harness.views.on.caldisplay = [guarded] { if (guarded) guarded->caldisplay(); };
  }

  QTableWidget* grid(EditorGrid which) const {
    return which == EditorGrid::Labels ? form->sgrid1 : which == EditorGrid::Values ? form->sgrid2 : form->sgrid3;
  }
  QString cell(EditorGrid which, int row) const { return grid(which)->item(row, 0)->text(); }

  // Opens the editor and lets its reads come in.
  void open() {
    form->show();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form, &activate);
    ASSERT_TRUE(harness.settle());
  }

  void hover(EditorGrid which) {
    QWidget* viewport = grid(which)->viewport();
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), viewport->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
  }

  // Types into a cell as an operator does: the mouse over its column, the
  // cell selected, the first key starts the edit, Return commits it. False
  // when the cell would not take typing.
  bool type(EditorGrid which, int row, const QString& text) {
    hover(which);
    QTableWidget* table = grid(which);
    table->setCurrentCell(row, 0);
    QKeyEvent first(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, text.left(1));
    QApplication::sendEvent(table, &first);
    auto* editor = table->findChild<QLineEdit*>();
    if (!editor || !editor->isVisible()) return false;
    editor->setText(text);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    harness.processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor
    return true;
  }

  // The 24 ticks of the port's timer, then the read-back.
  void passTheWriteWait() {
    harness.advance(kWriteWait);
    ASSERT_TRUE(harness.runUntil([this] { return harness.controller().lastWrite().phase != WritePhase::Waiting; }));
    ASSERT_TRUE(harness.settle());
  }

  int memoryAt(int site, int address) {
    int byte = -1;
    harness.line().withBus([&](sim::RegulatorBus& bus) { byte = bus.site(site)->memory()[static_cast<std::size_t>(address)]; });
    return byte;
  }
  int count(LinkStatus status) const {
    int n = 0;
    for (const LinkStatus s : harness.views.statuses) n += s == status;
    return n;
  }

  test::ViewHarness harness;
  Tsetform* form = nullptr;
  int closedByOperator = 0;
};

TEST_F(SetFormTest, BoostMaximum27VoltsIn24VoltSystemIsWrittenReadBackAndTintedGreen) {
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(1)->memory()[16] = 150; });
  open();
  EXPECT_EQ(harness.controller().data().scaling.voltageMultiplier, 2);
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "30.0");
  EXPECT_EQ(cell(EditorGrid::Labels, BoostMaximumVoltage), "Boost Maximum Voltage");
  EXPECT_EQ(cell(EditorGrid::Units, BoostMaximumVoltage), "V");
  EXPECT_FALSE(form->sendbutton->isEnabled());

  const int beeps = harness.feedback.beeps;
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "27.0");
  EXPECT_TRUE(form->sendbutton->isEnabled());
  EXPECT_EQ(harness.feedback.beeps, beeps + 1);
  EXPECT_EQ(memoryAt(1, 16), 150) << "nothing is written before the send button";

  form->sendbutton->click();
  EXPECT_TRUE(form->sending());
  EXPECT_TRUE(form->sendbutton->isChecked());
  EXPECT_EQ(harness.views.lastStatus(), LinkStatus::SendingData);

  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 16), 135);
  EXPECT_EQ(harness.controller().lastWrite().phase, WritePhase::Confirmed);
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "27.0");
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::Taken);
  EXPECT_EQ(grid(EditorGrid::Values)->item(BoostMaximumVoltage, 0)->background().color(), QColor(150, 230, 150));
  EXPECT_FALSE(grid(EditorGrid::Values)->item(BoostMaximumVoltage, 0)->isSelected()) << "the highlight would hide it";
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostTaperVoltage), CellTint::None);
  EXPECT_FALSE(form->sending());
  EXPECT_FALSE(form->sendbutton->isEnabled());
  EXPECT_FALSE(form->sendbutton->isChecked());

  // The tint lasts until the next edit.
  form->setdisplay();
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::Taken);
  ASSERT_TRUE(type(EditorGrid::Values, LoadDisconnectVoltage, "22.0"));
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::None);
}

TEST_F(SetFormTest, ARegulatorThatIgnoresWritesTintsTheCellRed) {
  harness.line().withBus([](sim::RegulatorBus& bus) {
    bus.site(1)->memory()[16] = 150;
    bus.site(1)->setFault(sim::Fault::IgnoresWrites);
  });
  open();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  form->sendbutton->click();
  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 16), 150);
  EXPECT_EQ(harness.controller().lastWrite().phase, WritePhase::NotConfirmed);
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "30.0") << "the read-back shows what the regulator holds";
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::NotTaken);
  EXPECT_EQ(grid(EditorGrid::Values)->item(BoostMaximumVoltage, 0)->background().color(), QColor(240, 140, 140));
}

TEST_F(SetFormTest, ARefusedEntryBringsBackTheTextAndSendsNothing) {
  open();
  const QString before = cell(EditorGrid::Values, FloatMaximumVoltage);
  const int beeps = harness.feedback.beeps;
  for (const char* refused : {"27.00", "27V", "12,5"}) {
    ASSERT_TRUE(type(EditorGrid::Values, FloatMaximumVoltage, refused));
    EXPECT_EQ(cell(EditorGrid::Values, FloatMaximumVoltage), before) << refused;
    EXPECT_FALSE(form->sendbutton->isEnabled()) << refused;
  }
  ASSERT_TRUE(type(EditorGrid::Values, CommunicationBaudRate, "9600"));
  EXPECT_FALSE(form->sendbutton->isEnabled());
  EXPECT_EQ(harness.feedback.beeps, beeps);
  // An accepted entry, then a refused one in the same cell: the entry stays.
  ASSERT_TRUE(type(EditorGrid::Values, FloatMaximumVoltage, "28"));
  EXPECT_TRUE(form->sendbutton->isEnabled());
  ASSERT_TRUE(type(EditorGrid::Values, FloatMaximumVoltage, "abc"));
  EXPECT_EQ(cell(EditorGrid::Values, FloatMaximumVoltage), "28.0");
  EXPECT_TRUE(form->sendbutton->isEnabled());
  EXPECT_EQ(count(LinkStatus::SendingData), 0);
}

TEST_F(SetFormTest, OnlyTheColumnUnderTheMouseTakesTyping) {
  open();
  // Settings: the values column when the mouse is over it; never the units.
  hover(EditorGrid::Units);
  form->sgrid2->setCurrentCell(0, 0);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, "2");
  QApplication::sendEvent(form->sgrid2, &key);
  EXPECT_EQ(form->sgrid2->findChild<QLineEdit*>(), nullptr) << "the mouse is over the units";
  EXPECT_FALSE(type(EditorGrid::Units, 0, "2"));
  EXPECT_FALSE(type(EditorGrid::Labels, 0, "2"));
  EXPECT_TRUE(type(EditorGrid::Values, 0, "28"));

  // Calibration: G and O each while the mouse is over it.
  form->CalbuttonClick();
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(form->Label1->text(), "O");
  EXPECT_EQ(form->Label2->text(), "G");
  hover(EditorGrid::Values);
  form->sgrid3->setCurrentCell(1, 0);
  QApplication::sendEvent(form->sgrid3, &key);
  EXPECT_EQ(form->sgrid3->findChild<QLineEdit*>(), nullptr) << "the mouse is over G";
  EXPECT_TRUE(type(EditorGrid::Units, 1, "20"));
  EXPECT_TRUE(type(EditorGrid::Values, 1, "20"));
}

TEST_F(SetFormTest, ACalibrationWriteIsReadBackInTheCalibrationList) {
  open();
  form->CalbuttonClick();
  ASSERT_TRUE(harness.settle());
  ASSERT_EQ(form->list(), EditorList::Calibration);
  ASSERT_TRUE(type(EditorGrid::Units, 2, "7F"));  // O of Solar Voltage Bank A
  EXPECT_EQ(cell(EditorGrid::Units, 2), "7F");
  form->sendbutton->click();
  // The window loses and regains the focus meanwhile: it stays on calibration.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(form, &activate);
  EXPECT_EQ(form->list(), EditorList::Calibration);
  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 5), 127);
  EXPECT_EQ(form->list(), EditorList::Calibration);
  EXPECT_EQ(cell(EditorGrid::Units, 2), "7F");
  EXPECT_EQ(form->cellTint(EditorGrid::Units, 2), CellTint::Taken);
  EXPECT_EQ(form->cellTint(EditorGrid::Values, 2), CellTint::None);
}

TEST_F(SetFormTest, ASecondClickDuringTheWriteSendsNothing) {
  open();
  ASSERT_TRUE(type(EditorGrid::Values, DisplayContrast, "120"));
  form->sendbutton->click();
  form->sendbutton->click();
  EXPECT_TRUE(form->sending()) << "the button stays down";
  EXPECT_TRUE(form->sendbutton->isChecked());
  EXPECT_EQ(count(LinkStatus::SendingData), 1);
  EXPECT_EQ(harness.controller().lastWrite().number, 1);
  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 23), 120);
  form->sendbutton->click();
  EXPECT_EQ(count(LinkStatus::SendingData), 1) << "the entry went once; a new one is needed";
}

TEST_F(SetFormTest, ASiteChangeBeforeTheReadBackGivesNoTint) {
  open();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  form->sendbutton->click();
  harness.selectSite(2);
  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 16), 135) << "the write went to site 1";
  EXPECT_EQ(harness.controller().lastWrite().phase, WritePhase::Abandoned);
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::None);
  EXPECT_FALSE(form->sending());
  EXPECT_EQ(harness.controller().data().scaling.voltageMultiplier, 1) << "site 2's list was read, a 12 V model";
}

TEST_F(SetFormTest, AnEntryTypedForOneSiteIsNotSentToAnotherAndSaysSo) {
  open();
  ASSERT_TRUE(type(EditorGrid::Values, NumberOfBanksUsed, "3"));
  harness.selectSite(2);
  form->setdisplay();  // as the main window does after a site change
  EXPECT_FALSE(form->sendbutton->isEnabled());
  EXPECT_EQ(form->Statuslab->text(), "Entry for site 1 not sent");
  EXPECT_NE(cell(EditorGrid::Values, NumberOfBanksUsed), "3") << "site 2's list does not show it";
  form->sendbutton->click();
  EXPECT_EQ(count(LinkStatus::SendingData), 0);
  form->applyLanguage(Language::Chinese, QFont("WenQuanYi Micro Hei", 12));
  EXPECT_EQ(form->Statuslab->text(), "站位 1 的输入未发送");
  form->applyLanguage(Language::English, QFont());

  // Back at site 1 the entry is there again; it goes once the list is read.
  harness.selectSite(1);
  form->setdisplay();
  EXPECT_EQ(cell(EditorGrid::Values, NumberOfBanksUsed), "3");
  EXPECT_FALSE(form->sendbutton->isEnabled());
  EXPECT_EQ(form->Statuslab->text(), "Read the list before sending");
  form->conbuttonClick();
  ASSERT_TRUE(harness.settle());
  EXPECT_TRUE(form->sendbutton->isEnabled());
  EXPECT_EQ(form->Statuslab->text(), "");
  form->sendbutton->click();
  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 18) & 3, 2) << "3 banks";
}

// Site 1's 24 V list stays on view at site 0 (a 48 V regulator) until site
// 0's is read: greyed, said to be site 1's, and nothing can be sent from it.
TEST_F(SetFormTest, AfterASiteChangeTheListSaysWhoseValuesItShows) {
  open();
  EXPECT_EQ(form->Originlab->text().toStdString().find("Site 1"), 0u) << form->Originlab->text().toStdString();
  EXPECT_EQ(grid(EditorGrid::Values)->item(BoostMaximumVoltage, 0)->foreground().style(), Qt::NoBrush);
  harness.selectSite(0);
  form->setdisplay();
  EXPECT_EQ(form->Originlab->text().toStdString().find("from site 1"), 0u) << form->Originlab->text().toStdString();
  EXPECT_TRUE(form->Originlab->font().italic());
  EXPECT_EQ(grid(EditorGrid::Values)->item(BoostMaximumVoltage, 0)->foreground().color(), QColor(128, 128, 128));
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "56.0"));
  EXPECT_FALSE(form->sendbutton->isEnabled()) << "site 0's list has not been read";
  EXPECT_EQ(form->Statuslab->text(), "Read the list before sending");

  form->FormActivate();
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(form->Originlab->text().toStdString().find("Site 0"), 0u) << form->Originlab->text().toStdString();
  EXPECT_EQ(harness.controller().data().scaling.voltageMultiplier, 4);
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "56.0") << "the entry, by site 0's scale";
  EXPECT_TRUE(form->sendbutton->isEnabled());
  form->sendbutton->click();
  passTheWriteWait();
  EXPECT_EQ(memoryAt(0, 16), 140);
}

TEST_F(SetFormTest, AFailedReadingOfTheListIsShown) {
  open();
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(1)->setFault(sim::Fault::Silent); });
  form->sgrid1Click();
  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_EQ(form->Originlab->text().toStdString().find("last reading failed"), 0u)
      << form->Originlab->text().toStdString();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  EXPECT_FALSE(form->sendbutton->isEnabled());
}

// An entry stays until it is sent or replaced: activating the window and the
// list coming in again leave it on view and ready to go.
TEST_F(SetFormTest, AnEntryOutlastsActivationAndListRefresh) {
  open();
  ASSERT_TRUE(type(EditorGrid::Values, DisplayContrast, "120"));
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(form, &activate);
  form->setdisplay();
  form->sgrid1Click();  // the list read again
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(cell(EditorGrid::Values, DisplayContrast), "120");
  EXPECT_TRUE(form->sendbutton->isEnabled());
  form->sendbutton->click();
  EXPECT_EQ(count(LinkStatus::SendingData), 1);
  passTheWriteWait();
  EXPECT_EQ(memoryAt(1, 23), 120);
}

TEST_F(SetFormTest, AnEntryTypedDuringAWriteIsRefusedWithANotice) {
  open();
  const QString before = cell(EditorGrid::Values, LoadDisconnectVoltage);
  ASSERT_TRUE(type(EditorGrid::Values, DisplayContrast, "120"));
  form->sendbutton->click();
  const int beeps = harness.feedback.beeps;
  ASSERT_TRUE(type(EditorGrid::Values, LoadDisconnectVoltage, "22.0"));
  EXPECT_EQ(cell(EditorGrid::Values, LoadDisconnectVoltage), before);
  EXPECT_EQ(harness.feedback.beeps, beeps) << "no beep for a refused entry";
  EXPECT_EQ(form->Statuslab->text(), "Refused: a write is in progress");
  passTheWriteWait();
  EXPECT_EQ(cell(EditorGrid::Values, LoadDisconnectVoltage), before) << "it is not sent later either";
  EXPECT_FALSE(form->sendbutton->isEnabled());
  EXPECT_EQ(form->Statuslab->text(), "");
}

// The written cell keeps the value written while the read-back is awaited;
// a read-back that never comes leaves the value the list holds.
TEST_F(SetFormTest, TheWrittenValueWaitsInItsCellUntilTheReadBack) {
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(1)->memory()[16] = 150; });
  open();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(1)->setFault(sim::Fault::Silent); });
  form->sendbutton->click();
  harness.advance(kWriteWait);
  ASSERT_TRUE(harness.runUntil([this] { return harness.controller().lastWrite().phase == WritePhase::ReadingBack; }));
  EXPECT_FALSE(form->sending());
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "27.0");
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::Waiting);
  EXPECT_EQ(grid(EditorGrid::Values)->item(BoostMaximumVoltage, 0)->background().color(), QColor(255, 225, 150));

  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_EQ(harness.controller().lastWrite().phase, WritePhase::Abandoned);
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "30.0");
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::None);
}

TEST_F(SetFormTest, ClosingTheWindowDuringTheWriteStillReadsBackAndShowsTheTintOnReturn) {
  open();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  form->sendbutton->click();
  form->close();
  EXPECT_EQ(closedByOperator, 1);
  EXPECT_FALSE(form->isVisible());
  passTheWriteWait();
  EXPECT_EQ(harness.controller().lastWrite().phase, WritePhase::Confirmed);
  open();
  EXPECT_EQ(form->list(), EditorList::Settings);
  EXPECT_EQ(cell(EditorGrid::Values, BoostMaximumVoltage), "27.0");
  EXPECT_EQ(form->cellTint(EditorGrid::Values, BoostMaximumVoltage), CellTint::Taken);
}

TEST_F(SetFormTest, DestroyingTheWindowDuringTheWriteLeavesTheLinkSound) {
  open();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  form->sendbutton->click();
  delete form;
  form = nullptr;
  passTheWriteWait();
  EXPECT_EQ(harness.controller().lastWrite().phase, WritePhase::Confirmed);
  EXPECT_FALSE(harness.controller().lineBusy());
}

TEST_F(SetFormTest, AClosedPortSendsNothingAndKeepsTheEntry) {
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(1)->memory()[16] = 150; });
  open();
  ASSERT_TRUE(type(EditorGrid::Values, BoostMaximumVoltage, "27.0"));
  harness.link().Comport1.setOpen(false);
  form->sendbutton->click();
  EXPECT_EQ(harness.views.lastStatus(), LinkStatus::WritePortNotOpen);
  EXPECT_TRUE(form->sendbutton->isEnabled());
  EXPECT_FALSE(form->sending());
  harness.advance(kWriteWait);
  EXPECT_EQ(memoryAt(1, 16), 150);
}

// Every caption, row label and unit shows whole in each language, in both lists.
TEST_F(SetFormTest, EveryTextFitsItsPlaceInEachLanguage) {
  const QFont fonts[] = {QFont("DejaVu Sans", 10), QFont("DejaVu Sans", 10), QFont("WenQuanYi Micro Hei", 12)};
  for (int language = 0; language < 3; ++language) {
    form->applyLanguage(languageFromIndex(language), fonts[language]);
    for (const bool calibration : {false, true}) {
      if (calibration)
        form->CalbuttonClick();
      else
        form->conbuttonClick();
      ASSERT_TRUE(harness.settle());
      for (EditorGrid which : {EditorGrid::Labels, EditorGrid::Values, EditorGrid::Units}) {
        QTableWidget* table = grid(which);
        const QFontMetrics metrics(table->font());
        for (int row = 0; row < table->rowCount(); ++row) {
          const QString text = table->item(row, 0)->text();
          EXPECT_LE(metrics.horizontalAdvance(text) + 6, table->columnWidth(0))
              << "language " << language << " \"" << text.toStdString() << '"';
          EXPECT_LE((row + 1) * kEditorRowHeight, table->height()) << "row " << row << " below the window";
        }
      }
      for (QToolButton* button : {form->conbutton, form->Calbutton}) {
        const QFontMetrics metrics(button->font());
        EXPECT_LE(metrics.horizontalAdvance(button->text()) + 6, button->width()) << button->text().toStdString();
        EXPECT_LE(button->geometry().right(), form->sendbutton->geometry().left()) << "overlaps the send button";
      }
      EXPECT_LE(form->sendbutton->geometry().right(), form->width());
    }
  }
  EXPECT_EQ(form->windowTitle(), "设置数据");
  EXPECT_EQ(form->conbutton->text(), "控制设置数据");
  EXPECT_EQ(form->Calbutton->text(), "统调");
  EXPECT_EQ(form->sgrid1->font().pointSize(), 12);
}

}  // namespace
}  // namespace solwire
