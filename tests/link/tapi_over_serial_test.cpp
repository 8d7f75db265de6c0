// The telephony line device on Hayes modems, over the real transport: the
// simulated modem on the in-memory line, the modem port opened by the call,
// result codes read from the port, retries on busy, and the four events.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "modem/hayes_line_service.h"
#include "serial/manual_clock.h"
#include "serial/program_link.h"
#include "serial/queue_main_thread.h"
#include "serial/tapi_device.h"
#include "serial/tapi_errors.h"
#include "sim/simulated_modem_service.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

class TapiOverSerial : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::HayesModemOptions options;
    options.answers = {{"555", sim::DialAnswer::Busy}, {"557", sim::DialAnswer::NeverAnswer}};
    modem = std::make_unique<sim::SimulatedModemService>(options, clock);
    modem->registerAs(registry);
    ui = std::make_unique<QueueMainThread>(clock);
    devices = std::make_unique<DeviceDirectory>(PortNames(), &registry);
    link = std::make_unique<ProgramLink>(*ui, *ui, *devices, clock);
    lines = std::make_unique<HayesLineService>(link->Comport2, *ui, std::vector<TelephonyLineEntry>{});
    tapi = std::make_unique<TTapiDevice>(*ui, *ui, *lines);
    tapi->setComPort(&link->Comport2);
    tapi->setSelectedDevice(kSimulatedModemLineName);
    tapi->RetryWait = 2;
    tapi->OnTapiPortOpen = [this] { events.push_back("open"); };
    tapi->OnTapiConnect = [this] { events.push_back("connect"); };
    tapi->OnTapiFail = [this] { events.push_back("fail"); };
    tapi->OnTapiPortClose = [this] { events.push_back("close"); };
    tapi->OnTapiRetry = [this](LineCallState, const std::string& said, int next, int most) {
      events.push_back("retry " + std::to_string(next) + "/" + std::to_string(most) + " " + said);
    };
    link->Comport2.OnTriggerModemStatus = [this](TComPort&) { lines->modemStatusChanged(); };
    link->Comport2.setTapiMode(TapiMode::tmAuto);
  }

  void TearDown() override {
    tapi.reset();
    lines.reset();
    link.reset();
    ui.reset();
    modem.reset();
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
  bool runUntil(const std::function<bool()>& done, int steps = 4000) {
    for (int step = 0; step < steps; ++step) {
      if (done()) return true;
      settle();
      clock.advance(5);
      ui->runUntil(done, 2ms);
    }
    return done();
  }
  int dialsSeen() const {
    int dials = 0;
    for (const auto& received : modem->record())
      if (received.bytes.starts_with("ATDT")) ++dials;
    return dials;
  }

  ManualClock clock;
  VirtualDeviceRegistry registry;
  std::unique_ptr<sim::SimulatedModemService> modem;
  std::unique_ptr<QueueMainThread> ui;
  std::unique_ptr<DeviceDirectory> devices;
  std::unique_ptr<ProgramLink> link;
  std::unique_ptr<HayesLineService> lines;
  std::unique_ptr<TTapiDevice> tapi;
  std::vector<std::string> events;
};

TEST_F(TapiOverSerial, AConnectedCallOpensThePortBeforeTheConnectEventAndAnAbortClosesIt) {
  tapi->DialNumber("0123");
  EXPECT_EQ(link->Comport2.tapiMode(), TapiMode::tmOn) << "tmAuto is switched on by the dial";
  EXPECT_THROW(tapi->DialNumber("0123"), ETapi) << "a call is already in progress";
  ASSERT_TRUE(runUntil([this] { return events.size() >= 2; }));
  EXPECT_EQ(events, (std::vector<std::string>{"open", "connect"}));
  EXPECT_TRUE(link->Comport2.Open());
  EXPECT_EQ(link->Comport2.Baud(), 2400);
  EXPECT_TRUE(modem->carrier());
  EXPECT_EQ(modem->record().back().bytes, "ATDT0123\r");

  tapi->AbortCall();
  ASSERT_TRUE(runUntil([this] { return !modem->carrier(); }));
  for (int i = 0; i < 20; ++i) runUntil([] { return false; }, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"open", "connect"}))
      << "the caller ended the call: the close it posted belongs to a call that is over";
  EXPECT_FALSE(link->Comport2.Open());
  EXPECT_EQ(link->Comport2.DevicePath(), "") << "the line's modem was the port's device for that call only";
}

TEST_F(TapiOverSerial, EventsOfACallThatEndedDoNotReachTheNextCall) {
  link->Comport2.setDevicePath("/dev/ttyS9");  // the port's own device stays its own
  tapi->DialNumber("557");
  ASSERT_TRUE(runUntil([this] { return dialsSeen() == 1; }));
  tapi->AbortCall();  // posts the fail of the first call...
  tapi->DialNumber("0123");  // ...which must not end the second
  ASSERT_TRUE(runUntil([this] { return events.size() >= 2; }));
  EXPECT_EQ(events, (std::vector<std::string>{"open", "connect"}));
  EXPECT_TRUE(tapi->connected());
  tapi->AbortCall();
  EXPECT_EQ(link->Comport2.DevicePath(), "/dev/ttyS9");
}

TEST_F(TapiOverSerial, ABusyNumberIsRetriedAfterRetryWaitAndFailsOnceAfterTheLastAttempt) {
  tapi->DialNumber("555");
  ASSERT_TRUE(runUntil([this] { return !events.empty() && events.back() == "fail"; }, 8000));
  EXPECT_EQ(events, (std::vector<std::string>{"retry 2/3 BUSY", "retry 3/3 BUSY", "fail"}))
      << "each failed attempt is told with what the modem said and the attempt that follows";
  EXPECT_EQ(dialsSeen(), 3);
  EXPECT_EQ(tapi->attempt(), 3);
  EXPECT_FALSE(tapi->retrying());
  EXPECT_FALSE(link->Comport2.Open());
}

TEST_F(TapiOverSerial, AbortingWhileDiallingFailsWithoutRetryAndTheRemoteHangingUpClosesTheCall) {
  tapi->DialNumber("557");
  ASSERT_TRUE(runUntil([this] { return dialsSeen() == 1; }));
  tapi->AbortCall();
  clock.advance(10'000);
  for (int i = 0; i < 20; ++i) runUntil([] { return false; }, 1);
  EXPECT_TRUE(events.empty()) << "the fail an abort posts belongs to a call that is over";
  EXPECT_EQ(dialsSeen(), 1) << "no retry after a cancel";

  events.clear();
  tapi->DialNumber("0123");
  ASSERT_TRUE(runUntil([this] { return events.size() >= 2; })) << [this] {
    std::string seen = "events:";
    for (const auto& e : events) seen += " " + e;
    seen += "; modem said: " + lines->lastResult() + "; computer sent:";
    for (const auto& r : modem->record()) seen += " [" + r.bytes + "]";
    return seen;
  }();
  modem->dropCarrier();
  ASSERT_TRUE(runUntil([this] { return events.size() >= 3; }));
  EXPECT_EQ(events.back(), "close");
}

// The far end hangs up at once after it answers, at a random moment close to
// the CONNECT: the port may see the carrier rise only after CONNECT has been
// read, and its fall must still end every call.
TEST_F(TapiOverSerial, AFarEndThatHangsUpRightAfterAnsweringEndsEveryCall) {
  std::mt19937 random(20261207);
  for (int call = 0; call < 12; ++call) {
    events.clear();
    tapi->DialNumber("0123");
    ASSERT_TRUE(runUntil([this] { return modem->carrier(); })) << "call " << call;
    for (int steps = std::uniform_int_distribution<int>(0, 3)(random); steps > 0; --steps) settle();
    modem->dropCarrier();
    ASSERT_TRUE(runUntil([this] { return !events.empty() && events.back() == "close"; }))
        << "call " << call << ": the remote hang-up went unnoticed";
    ASSERT_TRUE(runUntil([this] { return !link->Comport2.Open(); })) << "call " << call;
  }
}

TEST_F(TapiOverSerial, DiallingNeedsAPortInTapiModeAndAKnownDevice) {
  link->Comport2.setTapiMode(TapiMode::tmOff);
  EXPECT_THROW(tapi->DialNumber("1"), ETapi);
  link->Comport2.setTapiMode(TapiMode::tmOn);
  tapi->setSelectedDevice("Nowhere");
  EXPECT_THROW(tapi->DialNumber("1"), ETapi);
  tapi->selectDevice = [](const std::vector<std::string>& names) -> std::optional<std::string> {
    return names.back();
  };
  tapi->DialNumber("1");
  EXPECT_EQ(tapi->SelectedDevice(), kSimulatedModemLineName);
  TTapiDevice unbound(*ui, *ui, *lines);
  EXPECT_THROW(unbound.DialNumber("1"), ETapi);
}

}  // namespace
}  // namespace solwire
