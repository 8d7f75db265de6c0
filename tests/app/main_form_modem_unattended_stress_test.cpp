// Unattended calls with an operator at the window: hourly log calls and alarm
// calls through a modem with a real connect time, while random things happen
// in random order: the log number turns busy or silent, the far end hangs up,
// the operator dials from the phone book, hangs up, switches TAPI control,
// changes the modem port and the site. Afterwards no call is left up, and
// every due log reading was either written or its failure was shown, unless
// the operator ended its call.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <cstdlib>
#include <random>

#include "app/up_down.h"
#include "tests/app/modem_window_harness.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using test::ModemWindow;

using test::stressSeed;

bool failureText(const QString& status) {
  static const std::vector<QString> failures{"Comm Fail", "Data Timeout", "Read Error", "TAPI Fail", "Busy",
                                             "No Carrier", "No Answer", "Modem Error", "No number to dial",
                                             "Log call not made", "Cant open", "The call could not be placed"};
  for (const QString& failure : failures)
    if (status.startsWith(failure)) return true;
  return false;
}

// One due log reading and what became of it.
struct DueReading {
  std::size_t statusesBefore = 0;
  int entriesBefore = 0;
  bool operatorInterfered = false;
};

class UnattendedStress {
 public:
  explicit UnattendedStress(std::uint32_t seed) : random_(seed), window_(options(seed)) {
    window_.modemLine->tapi().RetryWait = 5;
    window_.form->mportboxChange();  // the setup string: hang up when DTR drops
  }

  void run(int steps) {
    for (int step = 0; step < steps; ++step) {
      act();
      expectConsistent(step);
      if (testing::Test::HasFailure()) return;
    }
    closeDueReading();
  }

  void endEveryCall() {
    for (int second = 0; second < 240 && !quietLine(); ++second) {
      if (second % 20 == 0) window_.form->HangupClick();
      window_.tick(50ms);
    }
    window_.passSettled(2s, 100ms);
  }

  bool quietLine() {
    TTapiDevice& tapi = window_.modemLine->tapi();
    return window_.state().lineIdle() && !window_.modemLine->hangingUp() && !tapi.lineOpen() && !tapi.retrying() &&
           !window_.state().logDialPending() && !window_.state().alarmDialPending();
  }

  ModemWindow& window() { return window_; }

  // The end of the status history and of what the modem was told.
  std::string lastWords() {
    std::string said = "\nstatuses:";
    const auto& statuses = window_.statuses;
    for (std::size_t i = statuses.size() > 20 ? statuses.size() - 20 : 0; i < statuses.size(); ++i)
      said += " | " + statuses[i].toStdString();
    said += "\nmodem was told:";
    const auto record = window_.modem->record();
    for (std::size_t i = record.size() > 12 ? record.size() - 12 : 0; i < record.size(); ++i) {
      std::string shown;
      for (const char c : record[i].bytes) shown += (c >= 32 && c < 127) ? std::string(1, c) : "~";
      said += " [" + shown + "]";
    }
    said += "\nTAPI " + std::to_string(window_.form->Tapicheck->isChecked()) + ", modem port open " +
            std::to_string(window_.link->Comport2.Open()) + ", COM" + std::to_string(window_.link->Comport2.ComNumber()) +
            ", path '" + window_.link->Comport2.DevicePath() + "'";
    return said;
  }
  int dueReadings() const { return dueReadings_; }
  int readingsChecked() const { return readingsChecked_; }

 private:
  static test::ModemWindowOptions options(std::uint32_t seed) {
    test::ModemWindowOptions options;
    options.connectDelay = std::chrono::milliseconds(10'000 + static_cast<int>(seed % 30'001));
    options.book.push_back({"Silent Hill", "557"});
    options.adjustStore = [](MemorySettingsBackend& store) {
      store.set("Settings", "Modem Set String", "&K0&Q0&D2");
      store.set("Save Options", "Alarm Dial", "1");
      store.set("Save Options", "Alarm Dial Number", "0789");
      store.set("Settings", "Alarm Update Rate", "2");  // every 5 minutes
      store.set("Settings", "Log Number", "0456");
      store.set("Settings", "Periodic Log Rate", "1");
      store.set("Save Options", "Sample enabled", "1");
      store.set("Save Options", "Log Dial Up enabled", "1");
    };
    return options;
  }

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  void act() {
    Tmainform& form = *window_.form;
    switch (pick(14)) {
      case 0:
      case 1: nextHour(); break;
      case 2: window_.dialFromBook(pick(3) == 0 ? "Busy Relay" : "North Station"); break;
      case 3:
        interfered();
        form.HangupClick();
        break;
      case 4:
        interfered();
        form.Tapicheck->click();
        break;
      case 5:
        interfered();
        form.mportbox->setCurrentIndex(pick(3) == 0 ? 4 : ModemWindow::kModemCom - 1);
        form.mportboxChange();
        break;
      case 6: form.sitesel->stepBy(pick(2) == 0 ? 1 : -1); break;
      case 7:
        // The far end hangs up: on a call the log waited for, that is its failure.
        if (window_.modem->carrier()) interfered();
        window_.modem->dropCarrier();
        break;
      case 8: form.Lognumedit->setText(pick(3) == 0 ? "555" : "0456"); break;
      default:
        for (int second = 1 + pick(60); second > 0; --second) window_.tick(pick(2) == 0 ? 50ms : 250ms);
        break;
    }
    window_.pump();
  }

  // The hour changes at the next tick: a log reading falls due.
  void nextHour() {
    closeDueReading();
    if (window_.form->mportbox->currentIndex() != ModemWindow::kModemCom - 1) {
      window_.form->mportbox->setCurrentIndex(ModemWindow::kModemCom - 1);
      window_.form->mportboxChange();
    }
    window_.nextHour();
    due_ = DueReading{window_.statuses.size(), window_.logWriter.entries, false};
    ++dueReadings_;
    for (int second = 0; second < 90; ++second) window_.tick(100ms);
  }

  // The reading due before has been written, or something said why not.
  void closeDueReading() {
    if (!due_) return;
    const DueReading due = *due_;
    due_.reset();
    if (due.operatorInterfered) return;
    ++readingsChecked_;
    if (window_.logWriter.entries > due.entriesBefore) return;
    bool failureShown = false;
    for (std::size_t i = due.statusesBefore; i < window_.statuses.size(); ++i)
      failureShown = failureShown || failureText(window_.statuses[i]);
    std::string seen;
    for (std::size_t i = due.statusesBefore; i < window_.statuses.size(); ++i)
      seen += " | " + window_.statuses[i].toStdString();
    EXPECT_TRUE(failureShown) << "a due log reading was neither written nor said to have failed:" << seen;
  }

  void interfered() {
    if (due_) due_->operatorInterfered = true;
  }

  void expectConsistent(int step) {
    const LinkState& state = window_.state();
    SCOPED_TRACE(step);
    if (state.lineIdle()) {
      EXPECT_TRUE(state.directMode());
      EXPECT_FALSE(state.dialling());
      EXPECT_FALSE(state.modemConnected());
      EXPECT_FALSE(state.hangingUp());
    }
    EXPECT_FALSE(state.dialling() && state.modemConnected());
  }

  std::mt19937 random_;
  ModemWindow window_;
  std::optional<DueReading> due_;
  int dueReadings_ = 0;
  int readingsChecked_ = 0;
};

TEST(MainFormModemUnattendedStress, NoCallIsLeftUpAndNoDueReadingIsLostUnsaid) {
  const std::uint32_t seed = stressSeed();
  SCOPED_TRACE(testing::Message() << "SOLWIRE_STRESS_SEED=" << seed);
  UnattendedStress stress(seed);
  stress.run(60);
  if (testing::Test::HasFailure()) return;
  EXPECT_GT(stress.dueReadings(), 3) << "the run had log readings due";
  RecordProperty("due_readings_checked", stress.readingsChecked());

  stress.endEveryCall();
  EXPECT_TRUE(stress.quietLine());
  EXPECT_FALSE(stress.window().modem->carrier()) << "no call is left up at the modem" << stress.lastWords();
  EXPECT_TRUE(stress.window().state().directMode());
}

}  // namespace
}  // namespace solwire
