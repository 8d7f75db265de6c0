// solwire-cli read: one site over a real port, printed as text or JSON.
#include <vector>

#include "cli/commands.h"
#include "cli/dial_option.h"
#include "cli/link_session.h"
#include "cli/modem_port.h"
#include "cli/modem_session.h"
#include "cli/read_failure.h"
#include "cli/session_port.h"
#include "cli/site_json.h"
#include "cli/site_report.h"
#include "cli/stop_signals.h"

namespace solwire::cli {

namespace {

struct ReadStep {
  const char* name;
  Requester requester;
};

constexpr ReadStep kSteps[] = {
    {"current", Requester::CurrentStateView}, {"settings", Requester::SettingsView},
    {"calibration", Requester::CalibrationButton}, {"history", Requester::HistoryView},
    {"alarms", Requester::AlarmView},
};

std::vector<ReadStep> stepsFor(const std::string& what) {
  std::vector<ReadStep> steps;
  for (const ReadStep& step : kSteps)
    if (what == "all" || what == step.name) steps.push_back(step);
  return steps;
}

void printText(std::ostream& out, const std::vector<ReadStep>& steps, const SiteData& data) {
  for (const ReadStep& step : steps) {
    switch (step.requester) {
      case Requester::CurrentStateView: printCurrentState(out, data); break;
      case Requester::SettingsView: printSettings(out, data); break;
      case Requester::CalibrationButton: printCalibration(out, data); break;
      case Requester::HistoryView: printHistory(out, data); break;
      case Requester::AlarmView: printAlarmInputs(out, data); break;
      default: break;
    }
  }
}

void printJson(std::ostream& out, const std::vector<ReadStep>& steps, const SiteData& data) {
  Json json;
  json["check"] = "ok";
  for (const ReadStep& step : steps) {
    switch (step.requester) {
      case Requester::CurrentStateView: addCurrentState(json, data); break;
      case Requester::SettingsView: addSettings(json, data); break;
      case Requester::CalibrationButton: addCalibration(json, data); break;
      case Requester::HistoryView: addHistoryDays(json, data, 0, kHistoryDays - 1); break;
      case Requester::AlarmView: addAlarmInputs(json, data); break;
      default: break;
    }
  }
  out << json.dump() << '\n';
}

struct ReadRequest {
  SessionOptions session;
  std::vector<ReadStep> steps;
  bool json = false;
};

std::optional<ReadRequest> parseRead(const Arguments& args, std::ostream& err) {
  const auto port = args.option("--port");
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  const std::string what = args.positional.size() == 2 ? args.positional[1] : "";
  const auto steps = stepsFor(what);
  if (!port || port->empty() || !site || !baud || steps.empty()) {
    err << "usage: solwire-cli read --port COMn|PATH [--baud B] --site N "
           "{current|settings|calibration|history|alarms|all} [--json]\n"
           "B is 110, 300, 600, 1200 or 2400; N is 0..31; PATH \"sim\" is the built-in simulated line\n";
    return std::nullopt;
  }
  return ReadRequest{{*port, *baud, *site}, steps, args.has("--json")};
}

int readThroughModem(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const std::string what = args.positional.size() == 2 ? args.positional[1] : "";
  const auto steps = stepsFor(what);
  const auto modem = args.option("--modem");
  const auto number = args.option("--dial");
  if (!modem || modem->empty() || !number || number->empty() || !site || steps.empty() || args.option("--port")) {
    err << "usage: solwire-cli read --modem COMn|PATH --dial NUMBER [--pulse] [--setup STRING] --site N "
           "{current|settings|calibration|history|alarms|all} [--json]\n"
           "PATH \"sim-modem\" is the built-in simulated modem\n";
    return kExitUsage;
  }
  const auto dialled = dialOption("read", *number, err);
  if (!dialled) return kExitUsage;
  ModemDialOptions options{*modem, *dialled, args.has("--pulse"), args.option("--setup"), *site};

  // A signal ends the call before the program: a modem that ignores DTR
  // would keep the line off-hook after the process has gone.
  const StopSignals signals;
  const ModemPort port(*modem);
  ModemSession session(options, port.registry());
  session.stopWhen([&signals] { return signals.received(); });
  if (!session.dial()) {
    err << "Call failed: " << session.failure() << '\n';
    return kExitLinkFailed;
  }
  bool readAll = true;
  for (const ReadStep& step : steps) {
    if (signals.received() || !session.read(step.requester)) {
      err << (signals.received()         ? "stopped before the reading ended"
              : session.modemPortLost() ? session.portLostText() + " (" + readFailureText(session.lastOutcome()) + ")"
                                        : readFailureText(session.lastOutcome()))
          << '\n';
      readAll = false;
      break;
    }
  }
  if (!session.hangUp()) {
    err << "solwire-cli read: the hang-up of the call to " << options.number
        << " did not end it: the call may still be up; hang up the modem (switch it off, or ATH0 in a terminal)\n";
    return kExitLinkFailed;
  }
  if (!readAll) return kExitLinkFailed;
  if (args.has("--json"))
    printJson(out, steps, session.data());
  else
    printText(out, steps, session.data());
  return kExitOk;
}

}  // namespace

int runRead(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (args.option("--modem") || args.option("--dial")) return readThroughModem(args, out, err);
  const auto request = parseRead(args, err);
  if (!request) return kExitUsage;

  const SessionPort port(request->session);
  LinkSession session(request->session, port.registry());
  for (const ReadStep& step : request->steps) {
    if (!session.read(step.requester)) {
      err << port.failureText(session) << '\n';
      return kExitLinkFailed;
    }
  }
  if (request->json)
    printJson(out, request->steps, session.data());
  else
    printText(out, request->steps, session.data());
  return kExitOk;
}

}  // namespace solwire::cli
