// The history window on the simulated line, through the real serial stack:
// the eight-block transfer with its wait label and progress bar, the chart it
// paints, and what happens when the operator clicks, closes the window or
// changes the site in the middle of a transfer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QToolButton>

#include "tests/views/view_harness.h"
#include "views/graph_form.h"

namespace solwire {
namespace {

const QColor kWhite(255, 255, 255);

class GraphFormTest : public ::testing::Test {
 protected:
  explicit GraphFormTest(test::ViewHarness::Options options = {}) : harness(std::move(options)) {
    form = new Tgraphform(harness.controller());
    QPointer<Tgraphform> window(form);
    auto& on = harness.views.on;
    on.drawgraph = [window] { if (window) window->drawgraph(); };
    on.hideHistoryWait = [window] { if (window) window->hideHistoryWait(); };
    on.setHistoryProgress = [window](int position) { if (window) window->setHistoryProgress(position); };
    on.hideCurrentStateWait = [window] { if (window) window->hideCurrentStateWait(); };
    QObject::connect(form, &Tgraphform::closedByOperator, [this] { ++closedByOperator; });
  }
  ~GraphFormTest() override { delete form; }

  sim::History historyOf(int site) {
    sim::History history{};
    harness.line().withBus([&](sim::RegulatorBus& bus) { history = bus.site(site)->history(); });
    return history;
  }
  // Days first..last hold what the site logged.
  void expectDays(int site, int first, int last) {
    const sim::History logged = historyOf(site);
    const HistoryRecord& shown = harness.controller().data().history;
    for (int day = first; day <= last; ++day) {
      const auto d = static_cast<std::size_t>(day);
      EXPECT_EQ(shown.chargeAh[d], logged[d].chargeAh) << "day " << day;
      EXPECT_EQ(shown.dischargeAh[d], logged[d].dischargeAh) << "day " << day;
      EXPECT_EQ(shown.maxVoltage[d], logged[d].maxVoltage) << "day " << day;
      EXPECT_EQ(shown.minVoltage[d], logged[d].minVoltage) << "day " << day;
    }
  }
  void expectSampleDays(int first, int last) {
    const HistoryRecord sample = HistoryRecord::sampleValues();
    for (int day = first; day <= last; ++day)
      EXPECT_EQ(harness.controller().data().history.chargeAh[static_cast<std::size_t>(day)],
                sample.chargeAh[static_cast<std::size_t>(day)])
          << "day " << day;
  }
  // The current-state read that precedes a site's first transfer.
  void passCurrentStateRead() {
    ASSERT_TRUE(harness.awaitReply());
    ASSERT_EQ(harness.controller().state().HistoryBlock, 1);
    harness.passChainedWait();
  }
  // One block's reply and the wait after it; the next block goes out.
  void passBlock() {
    ASSERT_TRUE(harness.awaitReply());
    harness.passChainedWait();
  }
  QColor pixel(int x, int y) {
    harness.processEvents();
    return form->grab().toImage().pixelColor(x, y);
  }
  int blockRequestsSent() const {
    int sent = 0;
    for (const LinkStatus status : harness.views.statuses) sent += status == LinkStatus::RequestSent;
    return sent;
  }

  test::ViewHarness harness;
  Tgraphform* form = nullptr;
  int closedByOperator = 0;
};

TEST_F(GraphFormTest, OpeningTransfersEightBlocksWithProgressThenPaintsTheChart) {
  form->FormActivate();
  EXPECT_TRUE(form->waiting());
  EXPECT_FALSE(form->waitprogress->isHidden());
  EXPECT_EQ(form->waitprogress->value(), 0);
  EXPECT_EQ(pixel(45, 379), kWhite) << "no bars while the transfer runs";

  passCurrentStateRead();
  for (int block = 1; block <= 7; ++block) {
    passBlock();
    EXPECT_TRUE(form->waiting()) << block;
    EXPECT_EQ(form->waitprogress->value(), block);
    EXPECT_EQ(harness.controller().state().HistoryBlock, block + 1);
  }
  passBlock();
  EXPECT_FALSE(form->waiting());
  EXPECT_TRUE(form->waitprogress->isHidden());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 0);
  EXPECT_EQ(harness.views.historyProgress, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, -1}));
  EXPECT_FALSE(harness.controller().lineBusy());
  expectDays(0, 0, 31);

  // Day 1's charge bar (blue) and discharge bar (yellow) stand on the axis;
  // the charge bar is exactly as high as the scale makes it.
  const ChartPicture chart = chartPicture(ChartMode::AmpHours, harness.controller().data().history,
                                          harness.controller().data().scaling.voltageMultiplier);
  EXPECT_EQ(pixel(45, 379), QColor(0, 0, 255));
  EXPECT_EQ(pixel(52, 379), QColor(255, 255, 0));
  EXPECT_EQ(pixel(45, chart.bars[0].top), QColor(0, 0, 255));
  EXPECT_NE(pixel(45, chart.bars[0].top - 1), QColor(0, 0, 255));
  EXPECT_EQ(pixel(45, 380), QColor(0, 0, 0)) << "the time axis";
  EXPECT_EQ(form->crpanel->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(form->dispanel->palette().color(QPalette::Window), QColor(255, 255, 0));
  EXPECT_EQ(form->ahlab->text(), "Ah");
}

TEST_F(GraphFormTest, TheVoltageChartPaintsMaximumAndMinimum) {
  form->FormActivate();
  ASSERT_TRUE(harness.settle());
  form->VoltbuttonClick();
  EXPECT_TRUE(form->Voltbutton->isChecked());
  EXPECT_FALSE(form->charbutton->isChecked());
  EXPECT_EQ(form->calab->text(), "Voltage Maximum");
  EXPECT_EQ(form->cblab->text(), "Voltage Minimum");
  EXPECT_EQ(form->ahlab->text(), "V");
  EXPECT_EQ(pixel(45, 379), QColor(0, 255, 0));
  EXPECT_EQ(pixel(52, 379), QColor(255, 0, 0));
  EXPECT_EQ(form->crpanel->palette().color(QPalette::Window), QColor(0, 255, 0));
  form->charbuttonClick();
  EXPECT_EQ(form->calab->text(), "Charge Ah");
  EXPECT_EQ(pixel(45, 379), QColor(0, 0, 255));
}

TEST_F(GraphFormTest, ClicksAndActivationDuringATransferStartNothingNew) {
  form->FormActivate();
  passCurrentStateRead();
  passBlock();
  passBlock();  // block 3 is on its way
  const int sent = blockRequestsSent();
  form->FormClick();
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(form, &activate);
  EXPECT_EQ(blockRequestsSent(), sent);
  EXPECT_EQ(harness.controller().state().HistoryBlock, 3) << "the transfer goes on where it was";
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(harness.views.historyProgress, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, -1}));
  expectDays(0, 0, 31);  // every block stored at its own days
  EXPECT_FALSE(form->waiting());
}

TEST_F(GraphFormTest, SwitchingModesDuringATransferChangesOnlyTheTexts) {
  form->FormActivate();
  passCurrentStateRead();
  passBlock();
  form->VoltbuttonClick();
  EXPECT_EQ(form->calab->text(), "Voltage Maximum");
  EXPECT_EQ(form->ahlab->text(), "V");
  EXPECT_EQ(form->crpanel->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(pixel(45, 379), kWhite);
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(form->crpanel->palette().color(QPalette::Window), QColor(0, 255, 0));
  EXPECT_EQ(pixel(45, 379), QColor(0, 255, 0));
}

TEST_F(GraphFormTest, ClosingMidTransferLetsItFinishAndReopeningStartsAnother) {
  form->show();
  form->FormActivate();
  passCurrentStateRead();
  passBlock();
  form->close();
  EXPECT_EQ(closedByOperator, 1);
  EXPECT_TRUE(form->isHidden());
  passBlock();
  // Reopened while the transfer still runs: it goes on, nothing restarts.
  form->show();
  form->FormActivate();
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 3);
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  expectDays(0, 0, 31);

  form->close();
  form->hide();  // the tool bar hides it: no second close signal
  EXPECT_EQ(closedByOperator, 2);
  form->show();
  form->FormActivate();  // the line is free: a new transfer from block 1
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 1);
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
}

TEST_F(GraphFormTest, ASiteChangeDuringABlockEndsTheTransferAndTheWait) {
  form->FormActivate();
  passCurrentStateRead();
  passBlock();
  harness.selectSite(2);  // block 2 of site 0 is on its way
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  EXPECT_TRUE(form->waitprogress->isHidden());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 0);
  expectDays(0, 0, 3);
  expectSampleDays(4, 31);  // the old site's reply was not stored as the new site's

  form->FormClick();  // the new site: its current state first, then all blocks
  EXPECT_TRUE(form->waiting());
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(harness.controller().data().current.typeCode, 6);
  expectDays(2, 0, 31);
}

TEST_F(GraphFormTest, ASiteChangeBetweenBlocksEndsTheTransferAndTheWait) {
  form->FormActivate();
  passCurrentStateRead();
  ASSERT_TRUE(harness.awaitReply());  // block 1 is in; the line is held before block 2
  harness.selectSite(3);
  harness.passChainedWait();
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 0);
  EXPECT_FALSE(harness.controller().lineBusy());
  expectDays(0, 0, 3);
  expectSampleDays(4, 31);
}

TEST_F(GraphFormTest, ASiteChangeDuringTheFirstCurrentStateReadEndsTheWait) {
  form->FormActivate();
  harness.selectSite(1);  // the current-state read of site 0 is on its way
  ASSERT_TRUE(harness.runUntil([this] { return !form->waiting(); }));
  EXPECT_TRUE(form->waitprogress->isHidden());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 0);
  EXPECT_FALSE(harness.controller().lineBusy());
  EXPECT_EQ(blockRequestsSent(), 1) << "no history block of either site was asked for";

  form->FormClick();
  ASSERT_TRUE(harness.settle());
  EXPECT_EQ(harness.controller().data().current.typeCode, 21);
  expectDays(1, 0, 31);
}

TEST_F(GraphFormTest, AFailedFirstCurrentStateReadEndsTheWaitAndAClickStartsOver) {
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(0)->setFault(sim::Fault::Silent); });
  form->FormActivate();
  ASSERT_TRUE(harness.letTheTimeOutPass());
  ASSERT_TRUE(harness.runUntil([this] { return !form->waiting(); }));
  EXPECT_EQ(harness.views.lastStatus(), LinkStatus::CommFail);
  EXPECT_FALSE(harness.controller().lineBusy());

  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(0)->setFault(sim::Fault::None); });
  form->FormClick();
  EXPECT_TRUE(form->waiting());
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  expectDays(0, 0, 31);
}

TEST_F(GraphFormTest, ATimeOutMidTransferPaintsTheBlocksReceivedSoFar) {
  form->FormActivate();
  passCurrentStateRead();
  for (int block = 1; block <= 3; ++block) passBlock();
  ASSERT_TRUE(harness.awaitReply());  // block 4 is in
  harness.line().withBus([](sim::RegulatorBus& bus) { bus.site(0)->setFault(sim::Fault::Silent); });
  harness.passChainedWait();  // block 5 goes out and meets silence
  ASSERT_TRUE(harness.letTheTimeOutPass());
  EXPECT_FALSE(form->waiting());
  EXPECT_TRUE(form->waitprogress->isHidden());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 0);
  expectDays(0, 0, 15);
  expectSampleDays(16, 31);
  EXPECT_EQ(pixel(45, 379), QColor(0, 0, 255));
}

class GraphFormAtStart : public GraphFormTest {
 protected:
  GraphFormAtStart() : GraphFormTest(startHeld()) {}
  static test::ViewHarness::Options startHeld() {
    test::ViewHarness::Options options;
    options.endStartupHold = false;
    return options;
  }
};

TEST_F(GraphFormAtStart, OpeningBeforeTheFirstTickLeavesNoWaitBehind) {
  form->FormActivate();
  EXPECT_FALSE(form->waiting());
  EXPECT_EQ(harness.controller().state().HistoryBlock, 0);
  EXPECT_EQ(blockRequestsSent(), 0);
  harness.tick();
  form->FormClick();
  EXPECT_TRUE(form->waiting());
  ASSERT_TRUE(harness.settle());
  expectDays(0, 0, 31);
}

TEST_F(GraphFormTest, CaptionsAndFontsFollowTheLanguage) {
  const QFont chinese("WenQuanYi Micro Hei", 12);
  const QFont english("Arial", 10);
  form->applyLanguage(2, chinese, english);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("历史数据"));
  EXPECT_EQ(form->headlab->text(), QString::fromUtf8("被记存的数据"));
  EXPECT_EQ(form->Waitlab->text(), QString::fromUtf8("等待正在传送"));
  EXPECT_EQ(form->headlab->font().pointSize(), 14);
  EXPECT_EQ(form->charbutton->font().pointSize(), 12);
  EXPECT_EQ(form->Waitlab->font().pointSize(), 18);
  EXPECT_EQ(form->ahlab->font().pointSize(), 10);
  EXPECT_EQ(form->calab->font().family(), chinese.family());
  form->applyLanguage(1, english, english);
  EXPECT_EQ(form->calab->text(), "Chargement Ah");
  EXPECT_EQ(form->Waitlab->font().pointSize(), 16);
  EXPECT_EQ(form->daylab->font().pointSize(), 10);
}

// Every caption shows whole in its box, in each language and both charts.
TEST_F(GraphFormTest, NoCaptionIsCutOff) {
  const QFont fonts[] = {QFont("Arial", 10), QFont("Arial", 10), QFont("WenQuanYi Micro Hei", 12)};
  for (int language = 0; language < 3; ++language) {
    form->applyLanguage(language, fonts[language], fonts[0]);
    for (const ChartMode mode : {ChartMode::AmpHours, ChartMode::Voltage}) {
      mode == ChartMode::AmpHours ? form->charbuttonClick() : form->VoltbuttonClick();
      for (QLabel* label : {form->headlab, form->calab, form->cblab, form->ahlab, form->daylab}) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << language << " " << label->text().toStdString();
        EXPECT_LE(label->fontMetrics().height(), label->height()) << language << " " << label->text().toStdString();
      }
      for (QToolButton* button : {form->charbutton, form->Voltbutton})
        EXPECT_LE(button->sizeHint().width(), button->width()) << language << " " << button->text().toStdString();
      EXPECT_LE(form->Waitlab->heightForWidth(form->Waitlab->width()), form->waitprogress->y() - form->Waitlab->y())
          << language << ": the wait text stays above the progress bar";
    }
  }
}

}  // namespace
}  // namespace solwire
