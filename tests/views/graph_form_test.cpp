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
#include <random>

#include "tests/views/view_harness.h"
#include "protocol/status_messages.h"
#include "views/current_form.h"
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
    ASSERT_TRUE(harness.controller().awaiting(RequestKind::HistoryBlock)) << "the transfer waits its turn";
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
    EXPECT_EQ(harness.controller().state().historyBlock(), block + 1);
  }
  passBlock();
  EXPECT_FALSE(form->waiting());
  EXPECT_TRUE(form->waitprogress->isHidden());
  EXPECT_EQ(harness.controller().state().historyBlock(), 0);
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
  EXPECT_EQ(harness.controller().state().historyBlock(), 3) << "the transfer goes on where it was";
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
  EXPECT_TRUE(form->Voltbutton->isChecked());
  EXPECT_FALSE(form->charbutton->isChecked());
  EXPECT_EQ(form->crpanel->palette().color(QPalette::Window), QColor(0, 255, 0));
  EXPECT_EQ(form->dispanel->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(pixel(45, 379), QColor(0, 255, 0));
  EXPECT_EQ(pixel(52, 379), QColor(255, 0, 0));
  form->charbuttonClick();
  EXPECT_EQ(form->calab->text(), "Charge Ah");
  EXPECT_EQ(pixel(45, 379), QColor(0, 0, 255));
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
  EXPECT_EQ(harness.controller().state().historyBlock(), 3);
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  expectDays(0, 0, 31);

  form->close();
  form->hide();  // the tool bar hides it: no second close signal
  EXPECT_EQ(closedByOperator, 2);
  form->show();
  form->FormActivate();  // the line is free: a new transfer from block 1
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(harness.controller().state().historyBlock(), 1);
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
  EXPECT_EQ(harness.controller().state().historyBlock(), 0);
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
  EXPECT_EQ(harness.controller().state().historyBlock(), 0);
  EXPECT_FALSE(harness.controller().lineBusy());
  expectDays(0, 0, 3);
  expectSampleDays(4, 31);
}

TEST_F(GraphFormTest, ASiteChangeDuringTheFirstCurrentStateReadEndsTheWait) {
  form->FormActivate();
  harness.selectSite(1);  // the current-state read of site 0 is on its way
  ASSERT_TRUE(harness.runUntil([this] { return !form->waiting(); }));
  EXPECT_TRUE(form->waitprogress->isHidden());
  EXPECT_EQ(harness.controller().state().historyBlock(), 0);
  ASSERT_TRUE(harness.settle()) << "the old site's reply is dropped";
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

  // The operator tries another site. (Site 0 stays silent: the time-out took
  // no real time, and its request may reach the simulator only now.)
  harness.selectSite(1);
  form->FormClick();
  EXPECT_TRUE(form->waiting());
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  expectDays(1, 0, 31);
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
  EXPECT_EQ(harness.controller().state().historyBlock(), 0);
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

TEST_F(GraphFormAtStart, OpeningBeforeTheFirstTickWaitsForItAndGetsTheTransfer) {
  form->FormActivate();
  EXPECT_TRUE(form->waiting());
  EXPECT_EQ(blockRequestsSent(), 0);
  harness.tick();
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  expectDays(0, 0, 31);
}

TEST_F(GraphFormTest, CaptionsAndFontsFollowTheLanguage) {
  const QFont chinese("WenQuanYi Micro Hei", 12);
  const QFont english("Arial", 10);
  form->applyLanguage(Language::Chinese, chinese, english);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("历史数据"));
  EXPECT_EQ(form->headlab->text(), QString::fromUtf8("被记存的数据"));
  EXPECT_EQ(form->Waitlab->text(), QString::fromUtf8("等待正在传送"));
  EXPECT_EQ(form->headlab->font().pointSize(), 14);
  EXPECT_EQ(form->charbutton->font().pointSize(), 12);
  EXPECT_EQ(form->Waitlab->font().pointSize(), 18);
  EXPECT_EQ(form->ahlab->font().pointSize(), 10);
  EXPECT_EQ(form->calab->font().family(), chinese.family());
  form->applyLanguage(Language::French, english, english);
  EXPECT_EQ(form->calab->text(), "Chargement Ah");
  EXPECT_EQ(form->Waitlab->font().pointSize(), 16);
  EXPECT_EQ(form->daylab->font().pointSize(), 10);
}

// Every caption shows whole in its box, in each language and both charts.
TEST_F(GraphFormTest, NoCaptionIsCutOff) {
  const QFont fonts[] = {QFont("Arial", 10), QFont("Arial", 10), QFont("WenQuanYi Micro Hei", 12)};
  for (int language = 0; language < 3; ++language) {
    form->applyLanguage(languageFromIndex(language), fonts[language], fonts[0]);
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

// Operator actions at random points of transfers and readings: clicks,
// activations, mode switches, closing and reopening, site changes, sites
// falling silent and answering again, replies and time-outs in any order.
// Whatever happened, no block is stored at another block's days, no wait
// outlives the request it waits for, and a last transfer reads the whole
// history of the site selected.
class TransferStress : public GraphFormTest {
 protected:
  TransferStress() {
    current = new TCurrentform(harness.controller());
    QPointer<TCurrentform> window(current);
    QPointer<Tgraphform> graph(form);
    harness.views.on.labelupdate = [window] { if (window) window->labelupdate(); };
    harness.views.on.hideCurrentStateWait = [window, graph] {
      if (window) window->hideCurrentStateWait();
      if (graph) graph->hideCurrentStateWait();
    };
    for (int site = 0; site < 4; ++site) logged[static_cast<std::size_t>(site)] = historyOf(site);
  }
  ~TransferStress() override { delete current; }

  void setSilent(bool silent) {
    silent_ = silent;
    harness.line().withBus([silent](sim::RegulatorBus& bus) {
      for (int site = 0; site < 4; ++site) bus.site(site)->setFault(silent ? sim::Fault::Silent : sim::Fault::None);
    });
  }
  // The outstanding request gets its reply or, from a silent line, its time-out.
  void resolveRequest() {
    const LinkState& state = harness.controller().state();
    if (!state.requestBusy() || state.lineReserved()) return;
    if (silent_ || !harness.awaitReply(std::chrono::seconds(1))) harness.letTheTimeOutPass();
  }
  void act(int action, std::mt19937& random) {
    switch (action) {
      case 0: form->FormActivate(); break;
      case 1: form->FormClick(); break;
      case 2: current->FormClick(); break;
      case 3: random() % 2 ? form->VoltbuttonClick() : form->charbuttonClick(); break;
      case 4:
        form->close();
        form->show();
        break;
      case 5: harness.selectSite(static_cast<int>(random() % 4)); break;
      case 6: setSilent(random() % 3 == 0); break;
      case 7: resolveRequest(); break;
      default: harness.passChainedWait(); break;
    }
    harness.processEvents();
  }
  // Each day holds the start sample or what some site logged for that day.
  void expectEveryDayInPlace() {
    const HistoryRecord& shown = harness.controller().data().history;
    const HistoryRecord sample = HistoryRecord::sampleValues();
    for (std::size_t day = 0; day < kHistoryDays; ++day) {
      const sim::HistoryDay held{static_cast<std::uint8_t>(shown.minVoltage[day]),
                                 static_cast<std::uint8_t>(shown.maxVoltage[day]),
                                 static_cast<std::uint16_t>(shown.chargeAh[day]),
                                 static_cast<std::uint16_t>(shown.dischargeAh[day])};
      bool inPlace = shown.chargeAh[day] == sample.chargeAh[day] && shown.minVoltage[day] == sample.minVoltage[day];
      for (const sim::History& site : logged) inPlace = inPlace || site[day] == held;
      ASSERT_TRUE(inPlace) << "day " << day;
    }
  }
  // A wait ends on the event loop's next turn after its request failed; a
  // reply may come in at any moment, so give that turn a chance first.
  void expectNoWaitOnAFreeLine() {
    harness.runUntil([this] {
      return harness.controller().lineBusy() || (!form->waiting() && !current->waiting());
    }, std::chrono::milliseconds(500));
    if (harness.controller().lineBusy()) return;
    EXPECT_FALSE(form->waiting());
    EXPECT_FALSE(current->waiting());
  }

  TCurrentform* current = nullptr;
  std::array<sim::History, 4> logged{};
  bool silent_ = false;
};

TEST_F(TransferStress, RandomInterruptionsLeaveNoWaitAndNoMisplacedBlock) {
  form->show();
  for (const std::uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Replies and waits are more frequent than interruptions, so that
    // transfers get far before they are disturbed.
    std::discrete_distribution<int> action({3, 2, 2, 1, 1, 1, 1, 8, 8});
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      act(action(random), random);
      ASSERT_GE(harness.controller().state().historyBlock(), 0);
      ASSERT_LE(harness.controller().state().historyBlock(), kHistoryBlocks + 1);  // 9 in the wait after block 8
      expectEveryDayInPlace();
      expectNoWaitOnAFreeLine();
    }
    setSilent(false);
    while (harness.controller().lineBusy()) {
      harness.passChainedWait();
      resolveRequest();
    }
    harness.processEvents();
    expectNoWaitOnAFreeLine();
  }
  form->FormActivate();
  ASSERT_TRUE(harness.settle());
  EXPECT_FALSE(form->waiting());
  expectDays(harness.controller().controls().site, 0, 31);
}

}  // namespace
}  // namespace solwire
