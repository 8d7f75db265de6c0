#include "cli/watch_options.h"

#include "cli/duration_option.h"
#include "cli/link_session.h"
#include "fleet/line_id.h"
#include "fleet/site_list.h"

namespace solwire::cli {

namespace {

constexpr const char* kWatchUsage =
    "usage: solwire-cli watch --port COMn|PATH [--baud B] --sites LIST [--every DURATION] [--alarms]\n"
    "         [--line-id ID] --json-lines\n"
    "B is 110, 300, 600, 1200 or 2400; LIST is site numbers 0..31 and ranges (0-3,7,31); DURATION is a\n"
    "whole number of seconds, minutes or hours (10s, 1m, 15m; default 1m); ID is letters, digits, - and _\n"
    "(default: made from the port); PATH \"sim\" is the built-in simulated line\n";

std::optional<WatchOptions> usage(std::ostream& err, const std::string& problem) {
  if (!problem.empty()) err << "solwire-cli watch: " << problem << '\n';
  err << kWatchUsage;
  return std::nullopt;
}

}  // namespace

std::optional<WatchOptions> parseWatch(const Arguments& args, std::ostream& err) {
  WatchOptions options;
  const auto port = args.option("--port");
  if (!port || port->empty()) return usage(err, "--port is missing");
  options.port = *port;
  const auto baud = baudIndexOf(args.option("--baud").value_or("2400"));
  if (!baud) return usage(err, "--baud is not one of the line's speeds");
  options.baudIndex = *baud;
  const fleet::SiteList sites = fleet::parseSiteList(args.option("--sites").value_or(""));
  if (!sites.error.empty()) return usage(err, "--sites: " + sites.error);
  options.sites = sites.sites;
  if (const auto every = args.option("--every")) {
    const auto span = parseDuration(*every);
    if (!span) return usage(err, "--every: \"" + *every + "\" is not a duration");
    options.every = *span;
  }
  options.alarms = args.has("--alarms");
  options.line = args.option("--line-id").value_or(fleet::lineIdFromPort(options.port));
  if (!fleet::isValidLineId(options.line)) return usage(err, "--line-id: \"" + options.line + "\" is not a line id");
  options.jsonLines = args.has("--json-lines");
  if (!options.jsonLines) return usage(err, "say where the readings go: --json-lines");
  return options;
}

}  // namespace solwire::cli
