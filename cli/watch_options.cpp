#include "cli/watch_options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <fstream>

#include "cli/duration_option.h"
#include "cli/language_option.h"
#include "cli/link_session.h"
#include "fleet/line_id.h"
#include "fleet/site_list.h"
#include "fleet/topic_prefix.h"

namespace solwire::cli {

namespace {

constexpr const char* kWatchUsage =
    "usage: solwire-cli watch --port COMn|PATH [--baud B] --sites LIST [--every DURATION] [--alarms]\n"
    "         [--line-id ID] [--lang en|fr|zh] (--mqtt URL [--mqtt-prefix P] [--ha-prefix H] [--no-ha] [--mqtt-user U\n"
    "         --mqtt-password-file F] [--mqtt-ca FILE [--mqtt-cert FILE --mqtt-key FILE]] | --json-lines)\n"
    "B is 110, 300, 600, 1200 or 2400; LIST is site numbers 0..31 and ranges (0-3,7,31); DURATION is a\n"
    "whole number of seconds, minutes or hours (10s, 1m, 15m; default 1m); ID is letters, digits, - and _\n"
    "(default: made from the host's name and the port); URL is mqtt://HOST[:PORT] or mqtts://HOST[:PORT]\n"
    "(TLS: the broker's certificate is checked against --mqtt-ca, else the system's trusted authorities);\n"
    "P and H are topic levels without wildcards; --lang is the language of the state texts;\n"
    "PATH \"sim\" is the built-in simulated line\n";

std::optional<WatchOptions> usage(std::ostream& err, const std::string& problem) {
  if (!problem.empty()) err << "solwire-cli watch: " << problem << '\n';
  err << kWatchUsage;
  return std::nullopt;
}

// Options that name something to use must name it.
bool emptyWhereGiven(const Arguments& args, std::initializer_list<const char*> names, std::string& which) {
  for (const char* name : names)
    if (const auto value = args.option(name); value && value->empty()) {
      which = name;
      return true;
    }
  return false;
}

std::optional<MqttOptions> parseMqtt(const Arguments& args, std::string& problem) {
  const auto url = args.option("--mqtt");
  MqttOptions mqtt;
  const auto broker = fleet::parseBrokerUrl(*url);
  if (!broker) {
    problem = "--mqtt: \"" + *url + "\" is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]";
    return std::nullopt;
  }
  mqtt.broker = *broker;
  mqtt.prefix = args.option("--mqtt-prefix").value_or(mqtt.prefix);
  mqtt.haPrefix = args.option("--ha-prefix").value_or(mqtt.haPrefix);
  mqtt.discovery = !args.has("--no-ha");
  mqtt.user = args.option("--mqtt-user");
  mqtt.passwordFile = args.option("--mqtt-password-file");
  mqtt.caFile = args.option("--mqtt-ca");
  mqtt.certFile = args.option("--mqtt-cert");
  mqtt.keyFile = args.option("--mqtt-key");
  std::string empty;
  if (emptyWhereGiven(args, {"--mqtt-prefix", "--ha-prefix", "--mqtt-user", "--mqtt-password-file", "--mqtt-ca",
                             "--mqtt-cert", "--mqtt-key"},
                      empty))
    problem = empty + " is empty";
  else if (const auto bad = fleet::topicPrefixProblem(mqtt.prefix))
    problem = "--mqtt-prefix " + *bad;
  else if (const auto badHa = fleet::topicPrefixProblem(mqtt.haPrefix))
    problem = "--ha-prefix " + *badHa;
  else if (mqtt.passwordFile && !mqtt.user)
    problem = "--mqtt-password-file goes with --mqtt-user";
  else if (!mqtt.broker.tls && (mqtt.caFile || mqtt.certFile || mqtt.keyFile))
    problem = "--mqtt-ca, --mqtt-cert and --mqtt-key go with mqtts://";
  else if (mqtt.certFile.has_value() != mqtt.keyFile.has_value())
    problem = "--mqtt-cert and --mqtt-key go together";
  if (!problem.empty()) return std::nullopt;
  return mqtt;
}

std::string hostName() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

}  // namespace

std::optional<std::string> passwordFileWarning(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || (status.st_mode & S_IRWXO) == 0) return std::nullopt;
  return "the password file " + path + " can be read by every user of this machine; make it private (chmod o-rwx " +
         path + ")";
}

std::optional<std::string> readPasswordFile(const std::string& path) {
  std::ifstream in(path);
  std::string password;
  if (!in || !std::getline(in, password)) return std::nullopt;
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return password;
}

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
  const auto language = languageOption(args.option("--lang").value_or("en"));
  if (!language) return usage(err, "--lang is not en, fr or zh");
  options.language = *language;
  options.line = args.option("--line-id").value_or(fleet::defaultLineId(hostName(), options.port));
  if (!fleet::isValidLineId(options.line)) return usage(err, "--line-id: \"" + options.line + "\" is not a line id");
  options.jsonLines = args.has("--json-lines");
  if (args.option("--mqtt")) {
    std::string problem;
    options.mqtt = parseMqtt(args, problem);
    if (!options.mqtt) return usage(err, problem);
  }
  if (!options.jsonLines && !options.mqtt) return usage(err, "say where the readings go: --mqtt URL or --json-lines");
  return options;
}

}  // namespace solwire::cli
