// A remote site reached through the simulated modem, over the real transport:
// TComPort and its dispatcher threads on the in-memory modem line, the
// carrier-detect trigger, the fixed-size collector, the link controller and
// the dial-up supervisor. The modem, the regulators and the program's timers
// all run on one hand-moved clock.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "modem/com_port_carrier_line.h"
#include "tests/support/link_state_access.h"
#include "modem/dialup_supervisor.h"
#include "protocol/link_controller.h"
#include "protocol/main_thread_clock.h"
#include "serial/manual_clock.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "sim/simulated_modem_service.h"
#include "tests/support/link_fakes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class NoTelephony : public TelephonyLine {
 public:
  void DialNumber(const std::string&) override { throw std::runtime_error("no telephony line"); }
  bool AbortCall() override { return true; }
};

class DialupOverSerial : public ::testing::Test {
 protected:
  static constexpr int kModemCom = 4;

  void SetUp() override {
    sim::HayesModemOptions options;
    options.answers = {{"555", sim::DialAnswer::Busy}};
    modem = std::make_unique<sim::SimulatedModemService>(options, clock);
    modem->registerAs(registry);
    ui = std::make_unique<QueueMainThread>(clock);
    devices = std::make_unique<DeviceDirectory>(
        PortNames([](int com) -> std::optional<std::string> {
          if (com == kModemCom) return std::string(kSimulatedModemName);
          return std::nullopt;
        }),
        &registry);
    link = std::make_unique<ProgramLink>(*ui, *ui, *devices, clock);
    carrierLine = std::make_unique<ComPortCarrierLine>(link->Comport2);
    supervisor = std::make_unique<DialupSupervisor>(link->Comport1, link->Comport2, *carrierLine, telephony, views,
                                                    feedback, DialupViews{});
    controllerClock = std::make_unique<MainThreadClock>(*ui);
    LinkControls controls;
    controls.modemPortIndex = kModemCom - 1;
    controls.logSite = 2;
    controls.logNumber = "0123";
    controller = std::make_unique<LinkController>(
        LinkEndpoints{link->Comport1, link->datapack1, link->Comport2, link->Datapack2},
        LinkServices{*controllerClock, views, feedback, logWriter, *supervisor}, controls, startValues(4, 1));
    supervisor->attach(*controller);
    controller->OnOtherTimerTrigger = [this](LinkPort& port, std::uint16_t handle) {
      supervisor->modemTimerTrigger(port, handle);
    };
    link->Comport2.OnTriggerModemStatus = [this](TComPort&) { supervisor->carrierChanged(); };
    controller->Timer1Timer();
  }

  void TearDown() override {
    controller.reset();
    supervisor.reset();
    carrierLine.reset();
    link.reset();
    ui.reset();
    modem.reset();
  }

  // Moves the clock in steps of one port tick, letting both sides act on each.
  void pass(std::int64_t ms) {
    for (std::int64_t done = 0; done < ms; done += 5) {
      clock.advance(5);
      ui->processEvents();
    }
  }
  // Lets the port's threads and the modem take in what is on the line before
  // time moves on, so that the hand-moved clock never runs ahead of a busy
  // machine.
  void settle() {
    for (int round = 0; round < 200; ++round) {
      ui->processEvents();
      const bool portIdle = !modem->line().portOpen() || modem->line().waitUntilPortIdle(1ms);
      if (portIdle && modem->waitUntilIdle(1ms)) return;
    }
  }
  bool runUntil(const std::function<bool()>& done) {
    for (int step = 0; step < 4000; ++step) {
      if (done()) return true;
      settle();
      clock.advance(5);
      ui->runUntil(done, 2ms);
    }
    return done();
  }
  void tick() {
    controller->Timer1Timer();
    ui->processEvents();
  }
  const LinkState& state() { return (*controller).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(*controller); }

  ManualClock clock;
  VirtualDeviceRegistry registry;
  std::unique_ptr<sim::SimulatedModemService> modem;
  std::unique_ptr<QueueMainThread> ui;
  std::unique_ptr<DeviceDirectory> devices;
  std::unique_ptr<ProgramLink> link;
  std::unique_ptr<ComPortCarrierLine> carrierLine;
  NoTelephony telephony;
  std::unique_ptr<DialupSupervisor> supervisor;
  std::unique_ptr<MainThreadClock> controllerClock;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  std::unique_ptr<LinkController> controller;
};

TEST_F(DialupOverSerial, ALogCallDialsConnectsOnCarrierReadsTheLogSiteAndHangsUpWithTheGuardTimes) {
  supervisor->dialup(DialReason::Log, "0123");
  ASSERT_TRUE(link->Comport2.Open());
  EXPECT_EQ(link->Comport2.Baud(), 2400);
  EXPECT_TRUE(state().dialling());

  ASSERT_TRUE(runUntil([this] { return state().modemConnected(); })) << "carrier seen through the status trigger";
  EXPECT_EQ(views.lastStatus(), LinkStatus::RequestSent) << "the log reading went out at once";
  ASSERT_TRUE(runUntil([this] { return state().hangupRequested(); })) << "the log reply came back over the modem";
  EXPECT_EQ(controller->logReading().site, 2);
  EXPECT_EQ(controller->logReading().scaling.voltageMultiplier, 1) << "site 2 is a 12 V regulator";

  tick();
  EXPECT_EQ(logWriter.entries, 1);
  EXPECT_EQ(views.lastStatus(), LinkStatus::WaitForClose);
  ASSERT_TRUE(runUntil([this] { return state().lineIdle(); }));
  EXPECT_EQ(views.lastStatus(), LinkStatus::Closed);
  EXPECT_TRUE(state().directMode());
  EXPECT_FALSE(modem->carrier()) << "ATH0 ended the call";

  // The modem's record: the request, then "+++" after 30 ticks, "ATH0" after 30 more.
  const auto record = modem->record();
  ASSERT_GE(record.size(), 4u);
  const auto& escape = record[record.size() - 2];
  const auto& hangup = record.back();
  EXPECT_EQ(escape.bytes, "+++");
  EXPECT_EQ(hangup.bytes, "ATH0\r\n");
  EXPECT_GE(hangup.at - escape.at, 30 * 55ms);
  EXPECT_LT(hangup.at - escape.at, 30 * 55ms + 20ms);
  EXPECT_GE(escape.at - record[record.size() - 3].at, 30 * 55ms) << "silence before the escape";
  EXPECT_EQ(record.front().bytes, "ATDT0123\r\n");
}

TEST_F(DialupOverSerial, ABusyNumberNeverConnectsAndTheCallLimitHangsUp) {
  supervisor->dialup(DialReason::Alarm, "555");
  pass(3000);
  EXPECT_FALSE(state().modemConnected());
  for (int second = 0; second < 60 && !state().hangupRequested(); ++second) tick();
  EXPECT_TRUE(state().hangupRequested());
  tick();
  ASSERT_TRUE(runUntil([this] { return state().lineIdle(); }));
  EXPECT_TRUE(state().directMode());
}

}  // namespace
}  // namespace solwire
