// solwire-sim: simulated regulators on a pseudo-terminal or a TCP port, for
// trying Solwire or solwire-cli against a line without real hardware.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <thread>

#include "sim/device_link.h"
#include "sim/line_control_command.h"
#include "sim/network_line_server.h"
#include "sim/pty_server.h"
#include "sim/sim_options.h"

namespace {

solwire::sim::PtyServer* runningServer = nullptr;
solwire::sim::NetworkLineServer* runningNetworkServer = nullptr;

void stopOnSignal(int) {
  // stop() only sets a flag and writes to an eventfd: both are safe here.
  if (runningServer) runningServer->stop();
  if (runningNetworkServer) runningNetworkServer->stop();
}

void addSites(const solwire::sim::SimOptions& options, solwire::sim::RegulatorBus& bus) {
  for (const auto& site : options.sites) bus.addSite(site.site, site.typeCode);
  for (const auto& fault : options.faults)
    if (solwire::sim::RegulatorSite* site = bus.site(fault.site)) site->setFault(fault.fault, fault.lateBy);
}

// Reads line commands ("dcd on") from standard input until it ends.
void takeLineCommands(solwire::sim::NetworkLineServer& server) {
  std::thread([&server] {
    for (std::string line; std::getline(std::cin, line);) {
      if (line.empty()) continue;
      if (const auto lines = solwire::sim::applyLineCommand(line, server.modemLines())) {
        server.setModemLines(*lines);
      } else {
        std::cerr << "solwire-sim: not a line command: " << line << " (try \"dcd on\" or \"cts off\")\n";
      }
    }
  }).detach();
}

// With a modem its call drives the lines: standard input can only end the
// call from the far end ("dcd off").
template <typename Server>
void takeFarEndCommands(Server& server) {
  std::thread([&server] {
    for (std::string line; std::getline(std::cin, line);) {
      if (line.empty()) continue;
      if (solwire::sim::isCarrierDropCommand(line)) {
        server.dropCarrier();
      } else {
        std::cerr << "solwire-sim: the modem drives the lines; only \"dcd off\" (the far end hangs up) is taken, not: "
                  << line << '\n';
      }
    }
  }).detach();
}

int serveNetwork(const solwire::sim::SimOptions& options) {
  using namespace solwire::sim;
  ListenOptions listen;
  listen.protocol = options.listen->rfc2217 ? ListenOptions::Protocol::Rfc2217 : ListenOptions::Protocol::RawTcp;
  listen.port = static_cast<std::uint16_t>(options.listen->port);
  listen.bindAddress = options.bindAddress;
  NetworkLineServer server(listen, options.seed, options.baud, modemOptions(options));
  server.withBus([&](RegulatorBus& bus) { addSites(options, bus); });
  const std::string host = options.bindAddress.find(':') == std::string::npos ? options.bindAddress
                                                                                : "[" + options.bindAddress + "]";
  std::cout << (options.listen->rfc2217 ? "rfc2217://" : "tcp://") << host << ':' << server.port() << std::endl;
  runningNetworkServer = &server;
  std::signal(SIGINT, stopOnSignal);
  std::signal(SIGTERM, stopOnSignal);
  if (options.modem)
    takeFarEndCommands(server);
  else
    takeLineCommands(server);
  server.run();
  runningNetworkServer = nullptr;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace solwire::sim;
  const auto parsed = parseSimOptions({argv + 1, argv + argc});
  if (parsed.helpAsked) {
    std::cout << kSimUsage;
    return 0;
  }
  if (!parsed.options) {
    std::cerr << parsed.error << '\n' << kSimUsage;
    return 2;
  }
  const SimOptions& options = *parsed.options;
  try {
    if (options.listen) return serveNetwork(options);
    PtyServer server(options.seed, options.baud, modemOptions(options));
    server.withBus([&](RegulatorBus& bus) { addSites(options, bus); });
    if (!options.linkPath.empty()) placeDeviceLink(options.linkPath, server.devicePath());
    std::cout << server.devicePath() << std::endl;

    runningServer = &server;
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    if (options.modem) takeFarEndCommands(server);
    server.run();
    runningServer = nullptr;
    if (!options.linkPath.empty()) removeDeviceLink(options.linkPath, server.devicePath());
  } catch (const std::exception& e) {
    std::cerr << "solwire-sim: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
