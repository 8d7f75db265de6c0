// solwire-cli report: the data report of one site, composed as the window
// composes it, appended to a rich-text file or printed as text.
#include <sstream>
#include <vector>

#include "cli/commands.h"
#include "cli/language_option.h"
#include "cli/local_time_text.h"
#include "cli/session_port.h"
#include "store/report_file.h"

namespace solwire::cli {

namespace {

struct ReportRequest {
  SessionOptions session;
  ReportSections sections;
  Language language = Language::English;
  std::optional<std::string> appendTo;  // else the text goes to the output
};

std::optional<ReportSections> sectionsOption(const std::string& list) {
  ReportSections sections;
  std::istringstream words(list);
  std::string word;
  bool any = false;
  while (std::getline(words, word, ',')) {
    if (word == "current") sections.currentState = true;
    else if (word == "history") sections.history = true;
    else if (word == "settings") sections.settings = true;
    else if (word == "calibration") sections.calibration = true;
    else return std::nullopt;
    any = true;
  }
  if (!any) return std::nullopt;
  return sections;
}

constexpr ReportSections kAllSections{true, true, true, true};

std::optional<ReportRequest> parseReport(const Arguments& args, std::ostream& err) {
  const auto port = args.option("--port");
  const auto site = parseInteger(args.option("--site").value_or(""), 0, kSiteCount - 1);
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  const auto sections = args.option("--sections") ? sectionsOption(*args.option("--sections")) : kAllSections;
  const auto language = languageOption(args.option("--lang").value_or("en"));
  const auto appendTo = args.option("--append");
  const bool oneDestination = appendTo.has_value() != args.has("--text") && (!appendTo || !appendTo->empty());
  if (!port || port->empty() || !site || !baud || !sections || !language || !oneDestination) {
    err << "usage: solwire-cli report --port COMn|PATH [--baud B] --site N\n"
           "         [--sections current,history,settings,calibration] [--lang en|fr|zh] (--append FILE | --text)\n"
           "B is 110, 300, 600, 1200 or 2400; N is 0..31; PATH \"sim\" is the built-in simulated line\n";
    return std::nullopt;
  }
  return ReportRequest{{*port, *baud, *site}, *sections, *language, appendTo};
}

// The current state always comes first: the header shows its state and
// voltage class, and its multipliers scale the other sections.
std::vector<Requester> readsFor(const ReportSections& sections) {
  std::vector<Requester> reads{Requester::CurrentStateView};
  if (sections.history) reads.push_back(Requester::HistoryView);
  if (sections.settings) reads.push_back(Requester::SettingsView);
  if (sections.calibration) reads.push_back(Requester::CalibrationButton);
  return reads;
}

// The runs' text as it reads on a terminal: the report's opening line break
// is left out, tabs and line breaks stay.
std::string reportText(const RichTextDocument& report) {
  std::string text = report.plainText();
  if (!text.empty() && text.front() == '\n') text.erase(0, 1);
  return text + "\n";
}

int appendReport(const std::string& file, const RichTextDocument& report, std::ostream& err) {
  try {
    if (appendToRichTextFile(file, report) == AppendOutcome::NoRoomForNewFile) {
      err << "solwire-cli report: " << file << ": not created, the disk has " << kMinFreeBytesForNewFile
          << " bytes free or fewer\n";
      return kExitFailed;
    }
  } catch (const RichTextFileError& error) {
    err << "solwire-cli report: " << error.what() << '\n';
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int runReport(const Arguments& args, std::ostream& out, std::ostream& err) {
  const auto request = parseReport(args, err);
  if (!request) return kExitUsage;

  const SessionPort port(request->session);
  LinkSession session(request->session, port.registry());
  for (const Requester reading : readsFor(request->sections)) {
    if (!session.read(reading)) {
      err << "solwire-cli report: " << port.failureText(session) << '\n';
      return kExitLinkFailed;
    }
  }
  const RichTextDocument report = composeReport(session.data(), request->language, request->session.site,
                                                request->sections, reportStampOf(systemLocalTime()));
  if (request->appendTo) return appendReport(*request->appendTo, report, err);
  out << reportText(report);
  return kExitOk;
}

}  // namespace solwire::cli
