#include "cli/write_entry.h"

#include <memory>

#include "cli/commands.h"
#include "cli/hex_bytes.h"
#include "cli/read_failure.h"
#include "cli/site_json.h"
#include "protocol/value_format.h"
#include "sim/simulated_line_service.h"

namespace solwire::cli {

namespace {

const char* commandName(const EntryWrite& r) { return r.calibration ? "calibrate" : "set"; }

MemoryEntry handleEntry(const EntryWrite& r, const SiteData& data) {
  return r.calibration ? calibrationEntry(r.row, r.column, r.text) : settingsEntry(data, r.row, r.text);
}

std::string rowName(const EntryWrite& r) {
  if (!r.calibration) return settingRow(r.row).label[0];
  return std::string(calibrationChannelName(r.row, Language::English)) +
         (r.column == CalibrationColumn::G ? " G" : " O");
}

// The row's value as the settings window shows it, with its unit.
std::string rowText(const EntryWrite& r, const SiteData& data) {
  const auto row = static_cast<std::size_t>(r.row);
  if (r.calibration) return hexByteText(r.column == CalibrationColumn::G ? data.calibration.g[row] : data.calibration.o[row]);
  const std::string unit = settingRow(r.row).unit[0];
  const std::string value = settingValueText(r.row, data.settings[row], voltageMultiplierOf(data.origins.settings, data));
  return unit.empty() ? value : value + " " + unit;
}

// The device a --port value opens; the built-in simulated line is served here
// when it is named directly or a COM number resolves to it (SOLWIRE_COM<n>=sim).
class Line {
 public:
  explicit Line(const SessionOptions& options) {
    com_ = comNumberOf(options.port);
    device_ = com_ ? PortNames().pathFor(*com_) : options.port;
    if (device_ == kSimulatedLineName) {
      simulated_ = std::make_unique<sim::SimulatedLineService>(baudRateForIndex(options.baudIndex));
      simulated_->registerAs(registry_);
    }
  }
  const VirtualDeviceRegistry& registry() const { return registry_; }

  // Why the line failed: the status text, and what the system said when the
  // port would not open.
  void reportFailure(std::ostream& err, const std::string& port, const LinkSession& session,
                     const std::string& context) const {
    err << context;
    if (session.lastOutcome().kind != OutcomeKind::PortFailed || session.portError().empty())
      err << readFailureText(session.lastOutcome()) << '\n';
    else
      err << statusText(LinkStatus::PortSetException, Language::English) << ": " << port
          << (com_ ? " (" + device_ + ")" : "") << ": " << session.portError() << '\n';
  }

 private:
  std::optional<int> com_;
  std::string device_;
  VirtualDeviceRegistry registry_;
  std::unique_ptr<sim::SimulatedLineService> simulated_;
};

struct Written {
  MemoryEntry entry;
  std::string before;
  std::string after;
  WriteCheck check;
};

void printText(std::ostream& out, const EntryWrite& r, const Written& w) {
  out << "Site " << r.session.site << ", " << rowName(r) << ": " << w.before << '\n'
      << "  entry \"" << r.text << "\" writes " << w.entry.data << " to address " << w.entry.address << " (frame "
      << formatHexBytes(writeFrame(r.session.site, w.entry.address, w.entry.data)) << ")\n"
      << "  read back: " << w.after << '\n';
  if (w.check.phase == WritePhase::Confirmed)
    out << "The regulator took it.\n";
  else
    out << "The regulator did not take it: address " << w.entry.address << " holds " << w.check.heldByte
        << ", not " << w.entry.data << ".\n";
}

void printJson(std::ostream& out, const EntryWrite& r, const Written& w, const SiteData& readBack) {
  Json json;
  json["site"] = r.session.site;
  json["row"] = r.row;
  if (r.calibration) json["column"] = r.column == CalibrationColumn::G ? "g" : "o";
  json["entry"] = r.text;
  json["address"] = w.entry.address;
  json["data"] = w.entry.data;
  json["frame"] = formatHexBytes(writeFrame(r.session.site, w.entry.address, w.entry.data));
  json["before"] = w.before;
  json["after"] = w.after;
  json["held"] = w.check.heldByte;
  json["confirmed"] = w.check.phase == WritePhase::Confirmed;
  if (r.calibration)
    addCalibration(json, readBack);
  else
    addSettings(json, readBack);
  out << json.dump() << '\n';
}

}  // namespace

std::string_view entryRefusal(EntryFault fault, bool calibration) {
  switch (fault) {
    case EntryFault::None: return "accepted";
    case EntryFault::Length: return "an entry is 1 to 4 characters long";
    case EntryFault::Character:
      return calibration ? "a calibration entry takes the hexadecimal digits 0-9 and A-F only"
                         : "a settings entry takes digits, \"-\" and \".\" only";
    case EntryFault::NoSuchBaudRate: return "the baud rates a regulator takes are 110, 300, 600, 1200 and 2400";
    case EntryFault::NotADigit: return "the temperature compensation is a minus sign and one digit";
    case EntryFault::NoSuchRow: return "the list has no such row";
  }
  return "refused";
}

int runEntryWrite(const EntryWrite& r, std::ostream& out, std::ostream& err) {
  // The refusals do not depend on the site's values: say why before the line
  // is touched.
  const MemoryEntry checked = handleEntry(r, startValues(1, 1));
  if (!checked.accepted()) {
    err << "solwire-cli " << commandName(r) << ": \"" << r.text << "\" is refused: " << entryRefusal(checked.fault, r.calibration)
        << "; nothing was sent\n";
    return kExitUsage;
  }

  const Line line(r.session);
  LinkSession session(r.session, line.registry());
  // The current state first: its type code gives the voltage multiplier the
  // settings entries are scaled with.
  const bool read = r.calibration ? session.read(Requester::CalibrationButton)
                                  : session.read(Requester::CurrentStateView) && session.read(Requester::SettingsView);
  if (!read) {
    line.reportFailure(err, r.session.port, session, "");
    return kExitLinkFailed;
  }

  Written w;
  w.entry = handleEntry(r, session.data());
  w.before = rowText(r, session.data());
  const LinkSession::WriteOutcome outcome = session.write(w.entry.address, w.entry.data);
  w.check = outcome.check;
  if (outcome.result != WriteResult::Sent) {
    line.reportFailure(err, r.session.port, session, "the write did not go out: ");
    return kExitLinkFailed;
  }
  if (w.check.phase != WritePhase::Confirmed && w.check.phase != WritePhase::NotConfirmed) {
    line.reportFailure(err, r.session.port, session, "written, but the list could not be read back: ");
    return kExitLinkFailed;
  }
  w.after = rowText(r, session.data());
  if (r.json)
    printJson(out, r, w, session.data());
  else
    printText(out, r, w);
  return w.check.phase == WritePhase::Confirmed ? kExitOk : kExitNotConfirmed;
}

}  // namespace solwire::cli
