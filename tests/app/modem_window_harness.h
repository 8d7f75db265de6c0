// A main window with its modem line on the real serial stack: Comport2 and
// its dispatcher threads on the built-in simulated modem ("sim-modem" at
// COM4), the telephony line device on Hayes modems, the dial-up supervisor,
// the link controller and the phone book window made at start.
//
// Time: one ManualClock drives the transport (port timer triggers, the
// matcher's time-out), the simulated modem (dial, CONNECT, DCD, guard times),
// the telephony line device's retry timer and the controller's waits; the
// controller's local time is set by hand. tick() is one second of both, as the
// running program's one-second timer sees it. Nothing sleeps: the pumps spin
// the transport's queue and Qt's event loop, bounded in real time so that a
// broken path fails instead of hanging.
#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "tests/support/link_state_access.h"
#include "app/modem_line.h"
#include "app/status_panels.h"
#include "serial/device_directory.h"
#include "serial/manual_clock.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "serial/virtual_device_registry.h"
#include "sim/simulated_modem_service.h"
#include "store/config/settings_backend_memory.h"
#include "tests/support/link_fakes.h"
#include "views/phone_book_form.h"
#include <QTableWidget>

namespace solwire::test {

using namespace std::chrono_literals;

// The controller's clock: its waits on the transport's timers (so on the
// manual clock), its local time set by the test.
class HandSetClock : public Clock {
 public:
  HandSetClock(MainThreadTimers& timers, LocalTime start) : timers_(timers), now(start) {}
  LocalTime localNow() const override { return now; }
  void callAfter(std::chrono::milliseconds delay, std::function<void()> task) override {
    timers_.startTimer(delay, std::move(task));
  }

 private:
  MainThreadTimers& timers_;

 public:
  LocalTime now;
};

// The seed of a randomised test: SOLWIRE_STRESS_SEED when set (to repeat a
// failed run), otherwise a new one each run.
inline std::uint32_t stressSeed() {
  if (const char* seed = std::getenv("SOLWIRE_STRESS_SEED")) return static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10));
  return std::random_device{}();
}

struct ModemWindowOptions {
  bool tapi = false;
  // From the dial to CONNECT and the carrier; a real modem takes 10 to 40 s.
  std::chrono::milliseconds connectDelay{2000};
  // Entries of the phone book file: name, number.
  std::vector<std::pair<std::string, std::string>> book{{"North Station", "0123"}, {"Busy Relay", "555"}};
  std::function<void(MemorySettingsBackend&)> adjustStore;
};

class ModemWindow {
 public:
  static constexpr int kModemCom = 4;

  explicit ModemWindow(ModemWindowOptions options = {}) {
    sim::HayesModemOptions modemOptions = sim::builtInModemOptions();
    modemOptions.connectDelay = options.connectDelay;
    modem = std::make_unique<sim::SimulatedModemService>(modemOptions, clock);
    modem->registerAs(registry);
    ui = std::make_unique<QueueMainThread>(clock);
    devices = std::make_unique<DeviceDirectory>(
        PortNames([](int com) -> std::optional<std::string> {
          if (com == kModemCom) return std::string(kSimulatedModemName);
          return std::nullopt;
        }),
        &registry);
    link = std::make_unique<ProgramLink>(*ui, *ui, *devices, clock);
    modemLine = std::make_unique<ModemLine>(ModemLine::Ports{link->Comport1, link->Comport2, link->Datapack2}, *ui, *ui, feedback,
                                            std::vector<TelephonyLineEntry>{});
    controllerClock = std::make_unique<HandSetClock>(*ui, LocalTime{2026, 12, 7, 10, 30, 0});

    bookFile = dir.filePath("sites.csv").toStdString();
    std::ofstream book(bookFile, std::ios::binary);
    int n = 1;
    for (const auto& [name, number] : options.book) book << n++ << ",\"" << name << "\"," << number << "\r\n";
    book.close();
    store.set("Settings", "PhoneBook", bookFile);
    store.set("Settings", "Modem Port Number", std::to_string(kModemCom - 1));
    store.set("Settings", "Selected TAPI Device", kSimulatedModemLineName);
    store.set("Save Options", "Tapi selection", options.tapi ? "1" : "0");
    if (options.adjustStore) options.adjustStore(store);

    form = std::make_unique<Tmainform>(
        MainFormServices{store, *controllerClock, feedback, logWriter, modemLine->dialSupervisor()},
        LinkEndpoints{link->Comport1, link->datapack1, link->Comport2, link->Datapack2});
    form->Timer1->stop();  // the test's ticks stand for it
    form->reportError = [this](const QString& message) { errors.push_back(message); };
    form->reportModemProblem = [this](const QString& message) { modemProblems.push_back(message); };
    form->inform = [this](const QString& message) { notices.push_back(message); };
    if (TfrmPhoneBook* phoneBook = form->phoneBook()) {
      phoneBook->dialogs.inform = [this](QWidget*, const QString& message) { notices.push_back(message); };
      phoneBook->dialogs.confirm = [](QWidget*, const QString&) { return true; };
      // Closing the window at the end of a test drops what a test changed.
      phoneBook->dialogs.ask = [](QWidget*, const QString&) { return PhoneBookAnswer::No; };
    }
    QObject::connect(&form->statusBar(), &StatusPanels::panelTextSet, [this](int panel, const QString& text) {
      if (panel == 5) statuses.push_back(text);
    });
    form->attachModem(modemLine.get());
    form->Timer1Timer();  // the first second ends the start-up hold
    pump();
  }

  ~ModemWindow() {
    form->close();
    form->attachModem(nullptr);
    form.reset();
    modemLine.reset();
    link.reset();
    ui.reset();
    modem.reset();
  }

  ModemWindow(const ModemWindow&) = delete;
  ModemWindow& operator=(const ModemWindow&) = delete;

  const LinkState& state() { return (form->link()).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(form->link()); }
  TfrmPhoneBook& book() { return *form->phoneBook(); }
  QString status() const { return form->statusBar().panelText(5); }
  int callPicture() const { return form->ToolButtons[8]->property("picture").toInt(); }
  std::chrono::steady_clock::time_point now() const {
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(clock.nowMs()));
  }

  // Runs what is queued on the transport and in Qt, without moving time.
  void pump() {
    for (int i = 0; i < 3; ++i) {
      ui->processEvents();
      QCoreApplication::processEvents();
    }
  }
  // Moves the clock in steps (5 ms: finer than a port timer tick), letting
  // both sides act on each. Coarser steps do for stretches where only whole
  // seconds matter.
  void pass(std::chrono::milliseconds span, std::chrono::milliseconds step = 5ms) {
    for (auto done = 0ms; done < span; done += step) {
      clock.advance(step.count());
      ui->runUntil([] { return false; }, 1ms);
      QCoreApplication::processEvents();
    }
  }
  // Lets the port's threads and the modem take in what is on the line, so
  // that a clock moved in coarse steps never runs ahead of them.
  // Bounded in real time, generously: on a loaded machine the modem's thread
  // may need a while, and a clock moved ahead of it would run its guard
  // times short.
  void settle() {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < limit) {
      ui->processEvents();
      QCoreApplication::processEvents();
      // What the program sent is on the line only once the port's output
      // thread has written it.
      const bool sent = !link->Comport2.Open() || link->Comport2.OutBuffUsed() == 0;
      const bool portIdle = !modem->line().portOpen() || modem->line().waitUntilPortIdle(1ms);
      if (sent && portIdle && modem->waitUntilIdle(1ms) && !link->Comport2.Closing()) return;
    }
  }
  // As pass(), with the line settled before each step.
  void passSettled(std::chrono::milliseconds span, std::chrono::milliseconds step) {
    for (auto done = 0ms; done < span; done += step) {
      settle();
      clock.advance(std::min(step, span - done).count());
      settle();
      ui->processEvents();
      QCoreApplication::processEvents();
    }
  }
  // Moves time until `done` holds, at most `limit` of clock time.
  bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s,
                std::chrono::milliseconds step = 5ms) {
    for (auto spent = 0ms; spent < limit; spent += step) {
      if (done()) return true;
      clock.advance(step.count());
      ui->runUntil(done, 2ms);
      QCoreApplication::processEvents();
    }
    return done();
  }
  // One second of the program: the line's second, then the timer's tick.
  void tick(std::chrono::milliseconds step = 5ms) {
    pass(1000ms, step);
    controllerClock->now.second += 1;
    if (controllerClock->now.second == 60) {
      controllerClock->now.second = 0;
      nextMinute();
    }
    form->Timer1Timer();
    pump();
  }
  void nextMinute() {
    if (++controllerClock->now.minute == 60) {
      controllerClock->now.minute = 0;
      controllerClock->now.hour = (controllerClock->now.hour + 1) % 24;
    }
  }
  void nextHour() { controllerClock->now.hour = (controllerClock->now.hour + 1) % 24; }

  // The phone book's Dial on the entry of that name.
  void dialFromBook(const std::string& name) {
    const PhoneBookRows& rows = book().rows();
    for (std::size_t row = 0; row < rows.size(); ++row)
      if (rows[row].name == name) book().PhoneGrid->setCurrentCell(static_cast<int>(row), 2);
    book().DialbuttonClick();
  }
  // The modem's record of one kind of command.
  int received(std::string_view prefix) const {
    int count = 0;
    for (const auto& entry : modem->record())
      if (entry.bytes.starts_with(prefix)) ++count;
    return count;
  }

  QTemporaryDir dir;
  std::string bookFile;
  ManualClock clock;
  VirtualDeviceRegistry registry;
  std::unique_ptr<sim::SimulatedModemService> modem;
  std::unique_ptr<QueueMainThread> ui;
  std::unique_ptr<DeviceDirectory> devices;
  std::unique_ptr<ProgramLink> link;
  CountingFeedback feedback;
  CountingLogWriter logWriter;
  std::unique_ptr<ModemLine> modemLine;
  std::unique_ptr<HandSetClock> controllerClock;
  MemorySettingsBackend store;
  std::unique_ptr<Tmainform> form;
  std::vector<QString> errors;
  std::vector<QString> modemProblems;
  std::vector<QString> notices;
  std::vector<QString> statuses;  // every text the link status panel was given
};

}  // namespace solwire::test
