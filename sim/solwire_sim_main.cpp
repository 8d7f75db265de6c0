// solwire-sim: simulated regulators on a pseudo-terminal, for trying Solwire
// or solwire-cli against a line without real hardware.
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "sim/device_link.h"
#include "sim/pty_server.h"
#include "sim/sim_options.h"

namespace {

solwire::sim::PtyServer* runningServer = nullptr;

void stopOnSignal(int) {
  // stop() only sets a flag and writes to an eventfd: both are safe here.
  if (runningServer) runningServer->stop();
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
    PtyServer server(options.seed, options.baud);
    server.withBus([&](RegulatorBus& bus) {
      for (const SiteOption& site : options.sites) bus.addSite(site.site, site.typeCode);
      for (const FaultOption& fault : options.faults)
        if (RegulatorSite* site = bus.site(fault.site)) site->setFault(fault.fault, fault.lateBy);
    });
    if (!options.linkPath.empty()) placeDeviceLink(options.linkPath, server.devicePath());
    std::cout << server.devicePath() << std::endl;

    runningServer = &server;
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    server.run();
    runningServer = nullptr;
    if (!options.linkPath.empty()) removeDeviceLink(options.linkPath, server.devicePath());
  } catch (const std::exception& e) {
    std::cerr << "solwire-sim: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
