#include "sim/sim_options.h"

#include <charconv>
#include <sstream>

#include "sim/simulated_modem_service.h"

namespace solwire::sim {

const char* const kSimUsage =
    "usage: solwire-sim [--sites SITE[:TYPE],...] [--baud B] [--seed N]\n"
    "                   [--fault SITE=silent|short|corrupt|trailing|late[:MS]|readonly]...\n"
    "                   [--link PATH] [--listen tcp:PORT|rfc2217:PORT [--bind ADDR]]\n"
    "                   [--modem [--connect-delay MS]]\n"
    "Serves simulated regulators on a new pseudo-terminal and prints its path,\n"
    "or with --listen on a TCP port (127.0.0.1 unless --bind), raw or RFC 2217.\n"
    "While listening, lines such as \"dcd on\" or \"cts off\" on standard input\n"
    "set the input lines an RFC 2217 client sees (dcd, cts, dsr, ri).\n"
    "With --modem the regulators sit behind a simulated Hayes modem: it takes AT\n"
    "commands, dials any number (555 answers BUSY, 556 NO CARRIER, 557 never\n"
    "answers, others connect after --connect-delay, 2000 ms by default) and hangs\n"
    "up on \"+++\" and ATH0. Over RFC 2217 its DCD, CTS and DSR reach the client\n"
    "and \"dcd off\" on standard input is the far end hanging up. A pty and raw\n"
    "TCP carry no modem lines: a client waiting for DCD there never sees the\n"
    "carrier and its call ends at its own time limit.\n";

namespace {

std::optional<int> number(const std::string& text, int low, int high) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
  return parts;
}

std::optional<std::vector<SiteOption>> parseSites(const std::string& text) {
  std::vector<SiteOption> sites;
  for (const std::string& entry : split(text, ',')) {
    const auto fields = split(entry, ':');
    if (fields.empty() || fields.size() > 2) return std::nullopt;
    const auto site = number(fields[0], 0, 31);
    const auto type = fields.size() == 2 ? number(fields[1], 0, 31) : std::optional<int>(2);
    if (!site || !type) return std::nullopt;
    sites.push_back({*site, *type});
  }
  if (sites.empty()) return std::nullopt;
  return sites;
}

std::optional<Fault> faultNamed(const std::string& name) {
  if (name == "silent") return Fault::Silent;
  if (name == "short") return Fault::ShortReply;
  if (name == "corrupt") return Fault::CorruptTag;
  if (name == "trailing") return Fault::TrailingBytes;
  if (name == "late") return Fault::LateReply;
  if (name == "readonly") return Fault::IgnoresWrites;
  if (name == "none") return Fault::None;
  return std::nullopt;
}

std::optional<FaultOption> parseFault(const std::string& text) {
  const auto equals = text.find('=');
  if (equals == std::string::npos) return std::nullopt;
  const auto site = number(text.substr(0, equals), 0, 31);
  const auto kindAndDelay = split(text.substr(equals + 1), ':');
  if (!site || kindAndDelay.empty() || kindAndDelay.size() > 2) return std::nullopt;
  const auto fault = faultNamed(kindAndDelay[0]);
  const auto delay = kindAndDelay.size() == 2 ? number(kindAndDelay[1], 0, 600000) : std::optional<int>(0);
  if (!fault || !delay) return std::nullopt;
  return FaultOption{*site, *fault, std::chrono::milliseconds(*delay)};
}

std::optional<ListenOption> parseListen(const std::string& text) {
  const auto fields = split(text, ':');
  if (fields.size() != 2 || (fields[0] != "tcp" && fields[0] != "rfc2217")) return std::nullopt;
  const auto port = number(fields[1], 0, 65535);
  if (!port) return std::nullopt;
  return ListenOption{fields[0] == "rfc2217", *port};
}

}  // namespace

SimOptionsResult parseSimOptions(const std::vector<std::string>& words) {
  SimOptions options;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--help" || word == "-h") return {std::nullopt, {}, true};
    if (word == "--modem") {
      options.modem = true;
      continue;
    }
    if (i + 1 >= words.size()) return {std::nullopt, word + " needs a value"};
    const std::string& value = words[++i];
    if (word == "--sites") {
      const auto sites = parseSites(value);
      if (!sites) return {std::nullopt, "--sites takes SITE[:TYPE],... with sites and type codes 0..31"};
      options.sites = *sites;
    } else if (word == "--baud") {
      const auto baud = number(value, 50, 115200);
      if (!baud) return {std::nullopt, "--baud takes a line speed from 50 to 115200"};
      options.baud = *baud;
    } else if (word == "--seed") {
      const auto seed = number(value, 0, 1'000'000'000);
      if (!seed) return {std::nullopt, "--seed takes a number"};
      options.seed = static_cast<std::uint32_t>(*seed);
    } else if (word == "--fault") {
      const auto fault = parseFault(value);
      if (!fault) return {std::nullopt, "--fault takes SITE=silent|short|corrupt|trailing|late[:MS]|readonly"};
      options.faults.push_back(*fault);
    } else if (word == "--link") {
      options.linkPath = value;
    } else if (word == "--listen") {
      options.listen = parseListen(value);
      if (!options.listen) return {std::nullopt, "--listen takes tcp:PORT or rfc2217:PORT"};
    } else if (word == "--connect-delay") {
      const auto delay = number(value, 0, 600000);
      if (!delay) return {std::nullopt, "--connect-delay takes milliseconds from 0 to 600000"};
      options.connectDelay = std::chrono::milliseconds(*delay);
    } else if (word == "--bind") {
      if (value.empty()) return {std::nullopt, "--bind takes an address such as 127.0.0.1 or ::1"};
      options.bindAddress = value;
    } else {
      return {std::nullopt, "unknown option " + word};
    }
  }
  if (options.connectDelay != SimOptions{}.connectDelay && !options.modem)
    return {std::nullopt, "--connect-delay is for the simulated modem: add --modem"};
  return {options, {}};
}

std::optional<HayesModemOptions> modemOptions(const SimOptions& options) {
  if (!options.modem) return std::nullopt;
  HayesModemOptions modem = builtInModemOptions();
  modem.connectDelay = options.connectDelay;
  return modem;
}

}  // namespace solwire::sim
