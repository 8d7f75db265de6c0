// The link controller reading a simulated regulator end to end, in virtual
// time: the values decoded must be the ones the regulator holds.
#include <gtest/gtest.h>

#include "protocol/link_controller.h"
#include "tests/support/link_state_access.h"
#include "protocol/virtual_clock.h"
#include "sim/simulated_link.h"
#include "tests/support/link_fakes.h"

namespace solwire::sim {
namespace {

using namespace std::chrono_literals;

class ControllerOnSimulatedLine : public ::testing::Test {
 protected:
  ControllerOnSimulatedLine()
      : clock({2024, 6, 15, 12, 0, 0}),
        direct(bus, clock),
        modem(bus, clock),
        directMatcher(direct, clock),
        modemMatcher(modem, clock),
        controller({direct, directMatcher, modem, modemMatcher}, {clock, views, feedback, logWriter, dial},
                   controlsForSite(6), startValues(4, 1)) {
    site = &bus.addSite(6, 17);
    controller.Timer1Timer();
  }

  static LinkControls controlsForSite(int site) {
    LinkControls controls;
    controls.site = site;
    return controls;
  }

  // Runs virtual time until the line is free again; returns the time it took.
  std::chrono::milliseconds settle() {
    const auto start = clock.elapsed();
    for (int i = 0; i < 100 && controller.lineBusy() && clock.runNext(); ++i) {
    }
    return clock.elapsed() - start;
  }

  std::chrono::milliseconds read(Requester requester) {
    controller.Getdata(requester);
    return settle();
  }

  VirtualClock clock;
  RegulatorBus bus;
  RegulatorSite* site = nullptr;
  SimulatedLinkPort direct;
  SimulatedLinkPort modem;
  SimulatedReplyMatcher directMatcher;
  SimulatedReplyMatcher modemMatcher;
  test::RecordingViews views;
  test::CountingFeedback feedback;
  test::CountingLogWriter logWriter;
  test::RecordingDialSupervisor dial;
  LinkController controller;
};

TEST_F(ControllerOnSimulatedLine, CurrentStateMatchesTheRegulatorsReadings) {
  const CurrentState expected = site->currentState(clock.localNow());
  read(Requester::CurrentStateView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
  const SiteData& d = controller.data();
  EXPECT_EQ(d.current.batteryVoltageReading, expected.batteryVoltage);
  EXPECT_EQ(d.current.chargeCurrentReading, expected.chargeCurrent);
  EXPECT_EQ(d.current.loadCurrentReading, expected.loadCurrent);
  EXPECT_EQ(d.current.chargeAh, expected.chargeAmpHours);
  EXPECT_EQ(d.current.dailyMaxVoltage, expected.dailyMaxVoltage);
  EXPECT_EQ(d.scaling.voltageMultiplier, 2);
  EXPECT_EQ(d.scaling.chargeCurrentMultiplier, 2);
}

TEST_F(ControllerOnSimulatedLine, SettingsAndCalibrationAreTheRegulatorsMemory) {
  read(Requester::CurrentStateView);
  read(Requester::SettingsView);
  read(Requester::CalibrationButton);
  const Memory& m = site->memory();
  const SiteData& d = controller.data();
  EXPECT_EQ(d.settings[BoostMaximumVoltage], m[16]);
  EXPECT_EQ(d.settings[NumberOfBanksUsed], (m[18] & 3) + 1);
  EXPECT_EQ(d.settings[StateChangeDelay], m[18] >> 2);
  EXPECT_EQ(d.settings[AbsoluteMaximumVoltage], m[29]);
  EXPECT_EQ(d.settings[CommunicationBaudRate], m[28] >> 5);
  for (int channel = 0; channel < kCalibrationChannels; ++channel) {
    EXPECT_EQ(d.calibration.g[static_cast<std::size_t>(channel)], m[static_cast<std::size_t>(2 * channel)]);
    EXPECT_EQ(d.calibration.o[static_cast<std::size_t>(channel)], m[static_cast<std::size_t>(2 * channel + 1)]);
  }
}

TEST_F(ControllerOnSimulatedLine, AWriteFrameOnTheLineShowsInTheNextSettingsRead) {
  read(Requester::CurrentStateView);
  direct.SendString(writeFrame(6, 16, 150));
  read(Requester::SettingsView);
  EXPECT_EQ(site->memory()[16], 150);
  EXPECT_EQ(controller.data().settings[BoostMaximumVoltage], 150);
}

TEST_F(ControllerOnSimulatedLine, HistoryTransferTakesEightBlocksWithTheirWaits) {
  LinkStateAccess::of(controller).HistoryBlock = 1;
  const auto took = read(Requester::HistoryView);
  EXPECT_EQ(controller.state().historyBlock(), 0);
  // A current-state read, 1.2 s, then eight blocks each followed by 1 s.
  EXPECT_GE(took, 1200ms + 8 * 1000ms);
  const auto& frames = direct.sentFrames();
  ASSERT_EQ(frames.size(), 9u);
  for (int block = 1; block <= 8; ++block)
    EXPECT_EQ(frames[static_cast<std::size_t>(block)][1], static_cast<char>(0x1F + block));
  const History& h = site->history();
  for (std::size_t day = 0; day < 32; ++day) {
    EXPECT_EQ(controller.data().history.chargeAh[day], h[day].chargeAh) << day;
    EXPECT_EQ(controller.data().history.dischargeAh[day], h[day].dischargeAh) << day;
    EXPECT_EQ(controller.data().history.minVoltage[day], h[day].minVoltage) << day;
  }
}

TEST_F(ControllerOnSimulatedLine, AlarmInputsMatchIncludingTheActiveLowInput) {
  site->alarmInputs().fill(false);
  site->alarmInputs()[3] = true;
  site->alarmInputs()[12] = true;
  read(Requester::AlarmView);
  const auto& state = controller.data().alarms.state;
  for (std::size_t i = 0; i < 13; ++i) EXPECT_EQ(state[i] != 0, i == 3 || i == 12) << i;
}

TEST_F(ControllerOnSimulatedLine, ASilentSiteTimesOutAfterNinetyTicks) {
  site->setFault(Fault::Silent);
  const auto took = read(Requester::CurrentStateView);
  EXPECT_EQ(took, 90 * 55ms + controller.guardTime()) << "the time-out, then the line's quiet time";
  EXPECT_EQ(views.statuses.back(), LinkStatus::CommFail);
  EXPECT_EQ(views.statuses[views.statuses.size() - 2], LinkStatus::DataTimeout);
}

TEST_F(ControllerOnSimulatedLine, ShortAndLateRepliesTimeOutTrailingBytesDoNot) {
  site->setFault(Fault::ShortReply);
  read(Requester::AlarmView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);

  site->setFault(Fault::LateReply, 6s);
  read(Requester::AlarmView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);

  site->setFault(Fault::TrailingBytes);
  clock.advance(10s);  // the late reply lands on a matcher that no longer waits
  read(Requester::CurrentStateView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
}

TEST_F(ControllerOnSimulatedLine, ACorruptedReplyIsNotStored) {
  site->setFault(Fault::CorruptTag);
  read(Requester::CurrentStateView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::ReadError);
  EXPECT_EQ(controller.data().current.batteryVoltageReading, 24);
}

TEST_F(ControllerOnSimulatedLine, AnAbsentSiteTimesOutAndAnotherSiteStillAnswers) {
  controller.siteselChanging();
  controller.controls().site = 9;
  read(Requester::CurrentStateView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::CommFail);
  controller.siteselChanging();
  controller.controls().site = 6;
  read(Requester::CurrentStateView);
  EXPECT_EQ(views.lastStatus(), LinkStatus::DataReceived);
}

}  // namespace
}  // namespace solwire::sim
