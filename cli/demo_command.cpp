// The demo: the link controller reads one site of the simulated regulator bus
// in process, in virtual time, and prints everything it read.

#include "cli/commands.h"
#include "cli/read_failure.h"
#include "cli/site_report.h"
#include "protocol/link_controller.h"
#include "protocol/main_thread_clock.h"
#include "protocol/quiet_services.h"
#include "protocol/request_waiter.h"
#include "protocol/virtual_clock.h"
#include "sim/simulated_link.h"

namespace solwire::cli {

namespace {

class Demo {
 public:
  Demo(int site, std::ostream& out)
      : clock_(systemLocalTime()),
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

  const RequestOutcome& lastOutcome() const { return lastOutcome_; }

 private:
  static LinkControls controlsFor(int site) {
    LinkControls controls;
    controls.site = site;
    controls.directPortIndex = 0;
    return controls;
  }

  bool read(Requester requester) {
    const RequestId id = waiter_.ask(requester);
    for (int step = 0; step < 1000 && !waiter_.ended(id); ++step)
      if (!clock_.runNext()) break;
    lastOutcome_ = waiter_.take(id).value_or(RequestOutcome{{id}, OutcomeKind::TimedOut, "no outcome", {}, {}});
    return lastOutcome_.ok();
  }

  bool readHistory() { return read(Requester::HistoryView); }

  bool printCurrentState() {
    out_ << "Site " << controller_.controls().site << " on the simulated line\n\n";
    cli::printCurrentState(out_, controller_.data());
    return true;
  }
  bool printSettings() {
    cli::printSettings(out_, controller_.data());
    return true;
  }
  bool printCalibration() {
    cli::printCalibration(out_, controller_.data());
    return true;
  }
  bool printHistory() {
    cli::printHistory(out_, controller_.data());
    return true;
  }
  bool printAlarms() {
    cli::printAlarmInputs(out_, controller_.data());
    return true;
  }

  VirtualClock clock_;
  sim::RegulatorBus bus_;
  sim::SimulatedLinkPort direct_;
  sim::SimulatedLinkPort modem_;
  sim::SimulatedReplyMatcher directMatcher_;
  sim::SimulatedReplyMatcher modemMatcher_;
  StatusRecorder views_;
  SilentFeedback feedback_;
  NoLogFile log_;
  NoModem dial_;
  LinkController controller_;
  RequestWaiter waiter_{controller_};
  RequestOutcome lastOutcome_;
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
  err << "reading the simulated site failed: " << readFailureText(demo.lastOutcome()) << '\n';
  return kExitLinkFailed;
}

}  // namespace solwire::cli
