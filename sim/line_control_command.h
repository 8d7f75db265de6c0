// The commands solwire-sim takes on standard input while it serves the line
// over the network: "dcd on", "cts off", "dsr on", "ri off" set one input line
// of the device server's port. With a modem, whose call drives the lines,
// "dcd off" is the far end hanging up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace solwire::sim {

// The input lines (modem::kLines bits) after `command`, or nullopt when the
// command is not one of the above.
std::optional<std::uint8_t> applyLineCommand(const std::string& command, std::uint8_t lines);

// True for "dcd off" (spaces as above).
bool isCarrierDropCommand(const std::string& command);

}  // namespace solwire::sim
