// A remote site reached through solwire-sim's modem over RFC 2217, in real
// time on real sockets: the modem port is a network port, the carrier trigger
// fires from the server's NOTIFY-MODEMSTATE, the log reading comes back through
// the fixed-size collector, and the hang-up keeps its guard times, which the
// server's record of what it received shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <thread>

#include "modem/com_port_carrier_line.h"
#include "tests/support/link_state_access.h"
#include "modem/dialup_supervisor.h"
#include "protocol/link_controller.h"
#include "protocol/main_thread_clock.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "sim/network_line_server.h"
#include "sim/simulated_modem_service.h"
#include "tests/support/link_fakes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kTick = 55ms;  // one timer-trigger tick of the port
constexpr auto kPatience = 15s;

class NoTelephony : public TelephonyLine {
 public:
  void DialNumber(const std::string&) override { throw std::runtime_error("no telephony line"); }
  bool AbortCall() override { return true; }
};

sim::HayesModemOptions quickModem() {
  sim::HayesModemOptions options = sim::builtInModemOptions();
  options.connectDelay = 300ms;
  options.failureDelay = 300ms;
  return options;
}

class DialupOverRfc2217 : public ::testing::Test {
 protected:
  static constexpr int kModemCom = 4;

  DialupOverRfc2217()
      : server({sim::ListenOptions::Protocol::Rfc2217, 0, "127.0.0.1", false}, 1, 2400, quickModem()) {}

  void SetUp() override {
    server.withBus([](sim::RegulatorBus& bus) {
      bus.addSite(1, 21);
      bus.addSite(2, 6);
    });
    server.start();
    const std::string url = "rfc2217://127.0.0.1:" + std::to_string(server.port());
    devices = std::make_unique<DeviceDirectory>(PortNames([url](int com) -> std::optional<std::string> {
      if (com == kModemCom) return url;
      return std::nullopt;
    }));
    link = std::make_unique<ProgramLink>(ui, ui, *devices);
    carrierLine = std::make_unique<ComPortCarrierLine>(link->Comport2);
    supervisor = std::make_unique<DialupSupervisor>(link->Comport1, link->Comport2, *carrierLine, telephony, views,
                                                    feedback, DialupViews{});
    controllerClock = std::make_unique<MainThreadClock>(ui);
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
    server.stop();
  }

  bool runUntil(const std::function<bool()>& done) { return ui.runUntil(done, kPatience); }
  // The one-second timer's step, run at once: the tests move the call limit
  // and the hang-up request on by hand rather than wait seconds for them.
  void tick() {
    controller->Timer1Timer();
    ui.processEvents();
  }
  // Runs the hang-up the next timer step starts; returns when it started.
  Clock::time_point hangUpAtNextTick() {
    const auto started = Clock::now();
    tick();
    EXPECT_EQ(views.lastStatus(), LinkStatus::WaitForClose);
    return started;
  }
  const LinkState& state() { return (*controller).state(); }
  LinkStateAccess::Fields set() { return LinkStateAccess::of(*controller); }

  static std::string allSent(const std::vector<sim::HayesModem::Received>& record) {
    std::string all;
    for (const auto& r : record) all += r.bytes;
    return all;
  }

  sim::NetworkLineServer server;
  QueueMainThread ui;
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

TEST_F(DialupOverRfc2217, ALogCallConnectsOnNotifiedCarrierReadsTheSiteAndHangsUpWithTheGuardTimes) {
  supervisor->dialup(DialReason::Log, "0123");
  ASSERT_TRUE(link->Comport2.Open());
  EXPECT_TRUE(state().dialling());

  ASSERT_TRUE(runUntil([this] { return state().modemConnected(); })) << "DCD came as NOTIFY-MODEMSTATE";
  EXPECT_TRUE(link->Comport2.CarrierPresent());
  EXPECT_TRUE(server.carrier());
  EXPECT_NE(std::find(views.statuses.begin(), views.statuses.end(), LinkStatus::Carrier), views.statuses.end());
  EXPECT_EQ(views.lastStatus(), LinkStatus::RequestSent) << "the log reading went out on the carrier";

  ASSERT_TRUE(runUntil([this] { return state().hangupRequested(); })) << "the log reply came back through the modem";
  EXPECT_EQ(controller->logReading().site, 2);
  EXPECT_EQ(controller->logReading().scaling.voltageMultiplier, 1) << "site 2 is a 12 V regulator";

  const auto hangupStarted = hangUpAtNextTick();
  EXPECT_EQ(logWriter.entries, 1);
  ASSERT_TRUE(runUntil([this] { return state().lineIdle(); }));
  const auto closedAt = Clock::now();
  EXPECT_EQ(views.lastStatus(), LinkStatus::Closed);
  EXPECT_TRUE(state().directMode());
  EXPECT_TRUE(link->Comport2.Open()) << "the modem port stays open after a hang-up";
  EXPECT_FALSE(server.carrier()) << "ATH0 ended the call";
  EXPECT_TRUE(runUntil([this] { return !link->Comport2.CarrierPresent(); })) << "and the client heard DCD drop";

  const auto record = server.modemRecord();
  ASSERT_GE(record.size(), 4u);
  EXPECT_EQ(allSent(record).rfind("ATDT0123\r\n", 0), 0u) << allSent(record);
  const auto& escape = record[record.size() - 2];
  const auto& hangup = record.back();
  ASSERT_EQ(escape.bytes, "+++");
  ASSERT_EQ(hangup.bytes, "ATH0\r\n");
  EXPECT_GE(escape.at - hangupStarted, 30 * kTick) << "30 ticks of silence before the escape";
  EXPECT_LT(escape.at - hangupStarted, 30 * kTick + 1s);
  EXPECT_GE(hangup.at - escape.at, 30 * kTick - 20ms) << "30 ticks between the escape and ATH0";
  EXPECT_LT(hangup.at - escape.at, 30 * kTick + 1s);
  EXPECT_GE(closedAt - hangup.at, 50 * kTick - 20ms) << "50 ticks after ATH0 before the port is back to direct";
}

TEST_F(DialupOverRfc2217, ABusyNumberNeverConnectsAndTheCallLimitHangsUp) {
  supervisor->dialup(DialReason::Alarm, "555");
  ASSERT_TRUE(runUntil([this] { return allSent(server.modemRecord()).find("ATDT555\r\n") != std::string::npos; }));
  ui.runFor(800ms);  // the modem answers BUSY after 300 ms; no carrier follows
  EXPECT_FALSE(state().modemConnected());
  EXPECT_TRUE(state().dialling());
  EXPECT_FALSE(link->Comport2.CarrierPresent());

  for (int second = 0; second < 60 && !state().hangupRequested(); ++second) tick();
  ASSERT_TRUE(state().hangupRequested()) << "the 60 s call limit";
  hangUpAtNextTick();
  ASSERT_TRUE(runUntil([this] { return state().lineIdle(); }));
  EXPECT_TRUE(state().directMode());
  EXPECT_EQ(server.modemRecord().back().bytes, "ATH0\r\n");
}

// The far end drops the carrier before the program has seen it: DCD rose and
// fell again while the carrier event waited for the main thread, which then
// finds no carrier and hangs up.
TEST_F(DialupOverRfc2217, ACarrierDroppedByTheFarEndWhileDiallingHangsUp) {
  supervisor->dialup(DialReason::Alarm, "0123");
  ASSERT_TRUE(state().dialling());
  ASSERT_FALSE(state().directMode());
  const auto patient = [](const std::function<bool()>& done) {
    const auto deadline = Clock::now() + kPatience;
    while (!done() && Clock::now() < deadline) std::this_thread::sleep_for(2ms);
    return done();
  };
  ASSERT_TRUE(patient([this] { return link->Comport2.CarrierPresent(); })) << "DCD reached the client";
  server.dropCarrier();
  ASSERT_TRUE(patient([this] { return !link->Comport2.CarrierPresent(); })) << "and left it again";
  EXPECT_FALSE(state().modemConnected()) << "no event has run yet";

  // The modem also says NO CARRIER. Whichever reaches the program first ends
  // the call: the carrier event (or the once-a-second step) finds no carrier
  // and asks for the hang-up, or the result ends the dial attempt at once (a
  // loaded machine may read the result before it runs the event).
  const auto ended = [this] { return state().hangupRequested() || state().directMode(); };
  // When the carrier watch missed the carrier altogether, the once-a-second
  // step finds it gone.
  for (int second = 0; second < 5 && !ui.runUntil(ended, 2s); ++second) tick();
  ASSERT_TRUE(ended());
  EXPECT_FALSE(state().modemConnected());
  if (!state().hangupRequested()) {
    EXPECT_EQ(views.lastStatus(), LinkStatus::ModemNoCarrier);
    EXPECT_TRUE(state().lineIdle());
    return;
  }
  hangUpAtNextTick();
  ASSERT_TRUE(runUntil([this] { return state().lineIdle(); }));
  EXPECT_TRUE(state().directMode());
  const auto record = server.modemRecord();
  ASSERT_GE(record.size(), 2u);
  EXPECT_EQ(record[record.size() - 2].bytes, "+++");
  EXPECT_EQ(record.back().bytes, "ATH0\r\n");
}

}  // namespace
}  // namespace solwire
