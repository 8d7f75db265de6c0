// The link controller on the real transport: TComPort, the dispatcher's
// threads and TDataPacket, against simulated regulators on a pseudo-terminal
// or on the built-in in-memory line. Replies come in real time; the
// controller's waits and the matcher's time-out run on a hand-moved clock.
#include <gtest/gtest.h>

#include <memory>

#include "protocol/link_controller.h"
#include "tests/support/link_state_access.h"
#include "protocol/main_thread_clock.h"
#include "serial/manual_clock.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "sim/pty_server.h"
#include "sim/simulated_line_service.h"
#include "tests/support/link_fakes.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class LinkOverSerial : public ::testing::Test {
 protected:
  // Opens the link on `path` (a pty or "sim") for site `site`.
  void start(const std::string& path, int site) {
    ui = std::make_unique<QueueMainThread>(clock);
    devices = std::make_unique<DeviceDirectory>(PortNames(), &registry);
    link = std::make_unique<ProgramLink>(*ui, *ui, *devices, clock);
    link->Comport1.setDevicePath(path);
    link->Comport1.OnDeviceLost = [this](TComPort&) { ++devicesLost; };
    controllerClock = std::make_unique<MainThreadClock>(*ui);
    LinkControls controls;
    controls.site = site;
    controller = std::make_unique<LinkController>(
        LinkEndpoints{link->Comport1, link->datapack1, link->Comport2, link->Datapack2},
        LinkServices{*controllerClock, views, feedback, logWriter, dial}, controls, startValues(4, 1));
    controller->Timer1Timer();
  }

  void TearDown() override {
    controller.reset();
    link.reset();
    ui.reset();
  }

  // Runs the main thread until the line is free (real time, bounded); the
  // quiet time after a failed reply passes on the hand clock.
  bool settle() {
    ui->runUntil([this] { return !controller->lineBusy() || controller->state().settling(); }, 5s);
    passTheQuietTime();
    return !controller->lineBusy();
  }
  void passTheQuietTime() {
    if (!controller->state().settling()) return;
    clock.advance(controller->guardTime().count());
    ui->runUntil([this] { return !controller->lineBusy(); }, 5s);
  }
  // Runs the main thread until a reply or failure ended the request, then
  // moves the hand clock over the wait before the next chained request.
  void settleChained(std::int64_t waitMs) {
    ui->runUntil([this] { return controller->state().lineReserved() || !controller->lineBusy(); }, 5s);
    clock.advance(waitMs);
    ui->processEvents();
  }
  // The matcher's time-out: 90 ticks of 55 ms after enabling.
  void letTheTimeOutPass() {
    clock.advance(90 * 55 + 1);
    ui->runUntil([this] { return controller->state().settling(); }, 5s);
    passTheQuietTime();
  }

  ManualClock clock;
  VirtualDeviceRegistry registry;
  std::unique_ptr<QueueMainThread> ui;
  std::unique_ptr<DeviceDirectory> devices;
  std::unique_ptr<ProgramLink> link;
  std::unique_ptr<MainThreadClock> controllerClock;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  test::RecordingDialSupervisor dial;
  std::unique_ptr<LinkController> controller;
  int devicesLost = 0;
};

// Regulators answering on a pseudo-terminal: site 4 sends two bytes after each
// reply, site 5 does not. The modem line's collector stays enabled after a
// reply, so it takes such bytes in as the start of another packet.
class TrailingBytesOnTheModemLine : public LinkOverSerial {
 protected:
  void SetUp() override {
    server.withBus([](sim::RegulatorBus& bus) {
      bus.addSite(kTrailingSite, 2).setFault(sim::Fault::TrailingBytes);
      bus.addSite(kCleanSite, 17);
    });
    server.start();
    start(server.devicePath(), kTrailingSite);
    link->Comport2.setDevicePath(server.devicePath());
    // Bytes that come while no request waits are read and dropped.
    link->Comport2.OnTriggerAvail = [this, feed = link->Comport2.OnTriggerAvail](TComPort& port, std::uint16_t count) {
      if (!link->Datapack2.Enabled()) strayArrived += count;
      feed(port, count);
    };
    link->Comport2.setOpen(true);
    LinkStateAccess::of(*controller).DirectMode = false;
    LinkStateAccess::of(*controller).ModemConnected = true;
  }
  // Bytes received and not yet part of a reply.
  std::size_t strayBytes() { return link->Comport2.InBuffUsed() + link->Datapack2.collected() + strayArrived; }

  std::size_t strayArrived = 0;
  static constexpr int kTrailingSite = 4;
  static constexpr int kCleanSite = 5;
  sim::PtyServer server{3, 2400};
};

TEST_F(LinkOverSerial, EveryKindOverAPseudoTerminal) {
  sim::PtyServer server(3, 115200);
  std::optional<sim::Memory> memory;
  std::optional<sim::History> history;
  server.withBus([&](sim::RegulatorBus& bus) {
    auto& site = bus.addSite(4, 2);
    site.alarmInputs().fill(false);
    site.alarmInputs()[3] = true;
    memory = site.memory();
    history = site.history();
  });
  server.start();
  start(server.devicePath(), 4);

  controller->Getdata(Requester::CurrentStateView);
  ASSERT_TRUE(settle());
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
  EXPECT_TRUE(link->Comport1.Open());
  EXPECT_EQ(controller->data().current.typeCode, 2);
  EXPECT_EQ(controller->data().scaling.voltageMultiplier, 4);

  controller->Getdata(Requester::SettingsView);
  ASSERT_TRUE(settle());
  EXPECT_EQ(controller->data().settings[BoostMaximumVoltage], (*memory)[16]);
  EXPECT_EQ(controller->data().settings[AbsoluteMaximumVoltage], (*memory)[29]);

  controller->Getdata(Requester::CalibrationButton);
  ASSERT_TRUE(settle());
  EXPECT_EQ(controller->data().calibration.o[7], (*memory)[15]);

  LinkStateAccess::of(*controller).HistoryBlock = 1;
  controller->Getdata(Requester::HistoryView);
  for (int block = 1; block <= 8; ++block) settleChained(1000);
  EXPECT_EQ(controller->state().historyBlock(), 0);
  for (std::size_t day = 0; day < 32; ++day)
    EXPECT_EQ(controller->data().history.dischargeAh[day], (*history)[day].dischargeAh) << day;

  controller->Getdata(Requester::AlarmView);
  ASSERT_TRUE(settle());
  for (std::size_t i = 0; i < 13; ++i) EXPECT_EQ(controller->data().alarms.state[i] != 0, i == 3) << i;
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
}

// The current state of the two sites in turn; each trailing site's late
// bytes are in before the next request goes out.
TEST_F(TrailingBytesOnTheModemLine, AlternatingReadsOfATrailingAndACleanSiteAllSucceed) {
  int strayBeforeARequest = 0;
  for (int read = 0; read < 12; ++read) {
    const int site = read % 2 == 0 ? kTrailingSite : kCleanSite;
    controller->siteselChanging();
    controller->controls().site = site;
    strayArrived = 0;
    controller->Getdata(Requester::CurrentStateView);
    ASSERT_TRUE(settle()) << "read " << read;
    EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived) << "read " << read;
    EXPECT_EQ(controller->data().current.typeCode, site == kTrailingSite ? 2 : 17) << "read " << read;
    if (site == kTrailingSite && ui->runUntil([this] { return strayBytes() >= 2; }, 300ms)) ++strayBeforeARequest;
  }
  EXPECT_GT(strayBeforeARequest, 0);  // the fault really left bytes waiting
}

TEST_F(LinkOverSerial, ASilentSiteTimesOutOnlyWhenItsTimeHasCome) {
  sim::PtyServer server(3, 115200);
  server.withBus([](sim::RegulatorBus& bus) { bus.addSite(4, 2).setFault(sim::Fault::Silent); });
  server.start();
  start(server.devicePath(), 4);

  controller->Getdata(Requester::CurrentStateView);
  ui->runFor(100ms);
  EXPECT_TRUE(controller->lineBusy());
  clock.advance(90 * 55 - 10);
  ui->runFor(50ms);
  EXPECT_TRUE(controller->lineBusy());
  letTheTimeOutPass();
  EXPECT_FALSE(controller->lineBusy());
  ASSERT_GE(views.statuses.size(), 2u);
  EXPECT_EQ(views.statuses[views.statuses.size() - 2], LinkStatus::DataTimeout);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);
}

TEST_F(LinkOverSerial, ACorruptedReplyIsAReadError) {
  sim::PtyServer server(3, 115200);
  server.withBus([](sim::RegulatorBus& bus) { bus.addSite(4, 2).setFault(sim::Fault::CorruptTag); });
  server.start();
  start(server.devicePath(), 4);
  controller->Getdata(Requester::CurrentStateView);
  ASSERT_TRUE(settle());
  EXPECT_EQ(views.lastStatus(), LinkStatus::ReadError);
  EXPECT_EQ(controller->data().current.batteryVoltageReading, 24);
}

TEST_F(LinkOverSerial, TheDeviceVanishingMidRequestEndsItThroughTheTimeOut) {
  auto server = std::make_unique<sim::PtyServer>(3, 115200);
  server->withBus([](sim::RegulatorBus& bus) { bus.addSite(4, 2).setFault(sim::Fault::LateReply, 60s); });
  server->start();
  start(server->devicePath(), 4);
  controller->Getdata(Requester::CurrentStateView);
  ui->runFor(50ms);
  server.reset();  // the pty's far end is gone: the device hangs up
  ASSERT_TRUE(ui->runUntil([this] { return devicesLost > 0; }, 5s));
  letTheTimeOutPass();
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);
  EXPECT_EQ(devicesLost, 1);
  link->Comport1.setOpen(false);
  EXPECT_FALSE(link->Comport1.Open());
}

TEST_F(LinkOverSerial, ALineThatComesBackIsOpenedAgain) {
  sim::SimulatedLineService line(115200);
  line.registerAs(registry);
  start("sim", 1);
  controller->Getdata(Requester::AlarmView);
  ASSERT_TRUE(settle());
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);

  line.line().hangUp();
  ASSERT_TRUE(ui->runUntil([this] { return devicesLost > 0; }, 5s));
  controller->Getdata(Requester::AlarmView);
  letTheTimeOutPass();
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);

  link->Comport1.setOpen(false);
  line.line().restore();
  controller->Getdata(Requester::CurrentStateView);  // opens the port again
  ASSERT_TRUE(settle());
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
  EXPECT_EQ(controller->data().current.typeCode, 21);
}

}  // namespace
}  // namespace solwire
