// Options of solwire-sim: which regulators are on the line, their type codes,
// the line speed and the faults to show.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sim/fault.h"
#include "sim/hayes_modem.h"

namespace solwire::sim {

struct SiteOption {
  int site = 0;
  int typeCode = 2;
};

struct FaultOption {
  int site = 0;
  Fault fault = Fault::None;
  std::chrono::milliseconds lateBy{};
};

// --listen tcp:PORT or rfc2217:PORT: serve the line on a TCP port instead of a pty.
struct ListenOption {
  bool rfc2217 = true;
  int port = 0;
};

struct SimOptions {
  std::vector<SiteOption> sites{{0, 2}, {1, 17}, {2, 14}};
  int baud = 2400;
  std::uint32_t seed = 1;
  std::vector<FaultOption> faults;
  std::string linkPath;  // a symbolic link to the pty, when asked for
  std::optional<ListenOption> listen;
  std::string bindAddress = "127.0.0.1";
  bool modem = false;  // the bus behind a simulated Hayes modem
  std::chrono::milliseconds connectDelay{2000};
};

// The simulated modem's options when --modem was given: the built-in modem's
// special numbers (555 BUSY, 556 NO CARRIER, 557 no answer) and the connect delay.
std::optional<HayesModemOptions> modemOptions(const SimOptions& options);

struct SimOptionsResult {
  std::optional<SimOptions> options;
  std::string error;
  bool helpAsked = false;  // --help or -h: print the usage and stop
};

// --sites 0:2,1:17,5   --baud 1200   --seed 7   --fault 5=late:6000   --link /tmp/line
// --listen rfc2217:4001   --bind 0.0.0.0   --modem   --connect-delay 500
SimOptionsResult parseSimOptions(const std::vector<std::string>& words);

extern const char* const kSimUsage;

}  // namespace solwire::sim
