// The demo: the link controller reads one site of the simulated regulator bus
// in process, in virtual time, and prints everything it read.
#include <ctime>
#include <iomanip>

#include "cli/commands.h"
#include "protocol/link_controller.h"
#include "protocol/value_format.h"
#include "protocol/virtual_clock.h"
#include "sim/simulated_link.h"

namespace solwire::cli {

namespace {

// The demo shows only what was read; it keeps the last link status to report failures.
class DemoViews : public LinkViews {
 public:
  void showLinkStatus(LinkStatus status) override { last = status; }
  void showClock(const LocalTime&) override {}
  void showLinkInStatus(int, int) override {}
  void showHoursToLog(int, bool) override {}
  void hideCurrentStateWait() override {}
  void labelupdate() override {}
  void setdisplay() override {}
  void caldisplay() override {}
  void hideHistoryWait() override {}
  void setHistoryProgress(int) override {}
  void drawgraph() override {}
  void repaintAlarmStatus() override {}
  void setAlarmPollPending(bool) override {}
  void enableSaveOption(SaveOption) override {}
  void disableSaveOptions() override {}
  LinkStatus last = LinkStatus::Closed;
};

class SilentFeedback : public Feedback {
 public:
  void beep() override {}
};

// The demo logs nothing and has no modem.
class NoLogWriter : public LogWriter {
 public:
  void writeLogEntry() override {}
};
class NoDialup : public DialSupervisor {
 public:
  void superviseCalls() override {}
  void dialup(DialReason, const std::string&) override {}
};

LocalTime localTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

class Demo {
 public:
  Demo(int site, std::ostream& out)
      : clock_(localTimeNow()),
        direct_(bus_, clock_),
        modem_(bus_, clock_),
        directMatcher_(direct_, clock_),
        modemMatcher_(modem_, clock_),
        controller_({direct_, directMatcher_, modem_, modemMatcher_}, {clock_, views_, feedback_, log_, dial_},
                    controlsFor(site), startValues(4, 1)),
        out_(out) {
    bus_.addSite(site, 2);
  }

  bool run() {
    controller_.Timer1Timer();
    return read(Requester::CurrentStateView) && printCurrentState() && read(Requester::SettingsView) &&
           printSettings() && read(Requester::CalibrationButton) && printCalibration() && readHistory() &&
           printHistory() && read(Requester::AlarmView) && printAlarms();
  }

  LinkStatus lastStatus() const { return views_.last; }

 private:
  static LinkControls controlsFor(int site) {
    LinkControls controls;
    controls.site = site;
    controls.directPortIndex = 0;
    return controls;
  }

  bool waitForLine() {
    for (int step = 0; step < 1000 && controller_.lineBusy(); ++step)
      if (!clock_.runNext()) break;
    return !controller_.lineBusy() && views_.last == LinkStatus::DataReceived;
  }

  bool read(Requester requester) {
    controller_.Getdata(requester);
    return waitForLine();
  }

  bool readHistory() {
    controller_.state().HistoryBlock = 1;
    return read(Requester::HistoryView) && controller_.state().HistoryBlock == 0;
  }

  bool printCurrentState() {
    const SiteData& d = controller_.data();
    out_ << "Site " << controller_.controls().site << " on the simulated line\n\n"
         << "Current state\n"
         << "  System voltage     " << voltageClassText(d.scaling) << '\n'
         << "  Battery voltage    " << batteryVoltageText(d.scaling, d.current) << '\n'
         << "  Charge current     " << chargeCurrentText(d.scaling, d.current) << '\n'
         << "  Load current       " << loadCurrentText(d.scaling, d.current) << '\n'
         << "  Charge today       " << ampHoursText(d.current.chargeAh) << '\n'
         << "  Load today         " << ampHoursText(d.current.loadAh) << '\n'
         << "  Min<>max voltage   " << minMaxVoltageText(d.scaling, d.current) << " V\n"
         << "  State              " << stateNumberText(d.current.stateCode) << "\n\n";
    return true;
  }

  bool printSettings() {
    const SiteData& d = controller_.data();
    out_ << "Settings\n";
    for (int row = 0; row < kShownSettingRows; ++row) {
      const SettingRow& r = settingRow(row);
      out_ << "  " << std::left << std::setw(30) << r.label[0] << std::right << std::setw(6)
           << settingValueText(row, d.settings[static_cast<std::size_t>(row)], d.scaling.voltageMultiplier) << ' '
           << r.unit[0] << '\n';
    }
    out_ << '\n';
    return true;
  }

  bool printCalibration() {
    const SiteData& d = controller_.data();
    out_ << "Calibration                     G   O\n";
    for (int channel = 0; channel < kCalibrationChannels; ++channel) {
      const auto c = static_cast<std::size_t>(channel);
      out_ << "  " << std::left << std::setw(28) << calibrationChannelName(channel, Language::English) << std::right
           << "  " << hexByteText(d.calibration.g[c]) << "  " << hexByteText(d.calibration.o[c]) << '\n';
    }
    out_ << '\n';
    return true;
  }

  bool printHistory() {
    const SiteData& d = controller_.data();
    const int v = d.scaling.voltageMultiplier;
    out_ << "History (32 days)\n  day   min V   max V   charge Ah   discharge Ah\n";
    for (int day = 0; day < kHistoryDays; ++day) {
      const auto i = static_cast<std::size_t>(day);
      out_ << "  " << std::setw(3) << day << std::setw(8) << dailyVoltageText(v, d.history.minVoltage[i])
           << std::setw(8) << dailyVoltageText(v, d.history.maxVoltage[i]) << std::setw(12) << d.history.chargeAh[i]
           << std::setw(15) << d.history.dischargeAh[i] << '\n';
    }
    out_ << '\n';
    return true;
  }

  bool printAlarms() {
    const SiteData& d = controller_.data();
    out_ << "Alarm inputs\n";
    for (int input = 0; input < kAlarmInputs; ++input)
      out_ << "  Alarm " << std::setw(2) << input + 1 << "  "
           << (d.alarms.state[static_cast<std::size_t>(input)] ? "active" : "inactive") << '\n';
    return true;
  }

  VirtualClock clock_;
  sim::RegulatorBus bus_;
  sim::SimulatedLinkPort direct_;
  sim::SimulatedLinkPort modem_;
  sim::SimulatedReplyMatcher directMatcher_;
  sim::SimulatedReplyMatcher modemMatcher_;
  DemoViews views_;
  SilentFeedback feedback_;
  NoLogWriter log_;
  NoDialup dial_;
  LinkController controller_;
  std::ostream& out_;
};

}  // namespace

int runDemo(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto site = parseInteger(args.option("--site").value_or("0"), 0, kSiteCount - 1);
  if (!site) {
    err << "the site must be 0..31\n";
    return kExitUsage;
  }
  Demo demo(*site, out);
  if (demo.run()) return kExitOk;
  err << "reading the simulated site failed: " << statusText(demo.lastStatus(), Language::English) << '\n';
  return kExitLinkFailed;
}

}  // namespace solwire::cli
