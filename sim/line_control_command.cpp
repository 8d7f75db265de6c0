#include "sim/line_control_command.h"

#include <sstream>

#include "serial/modem_status.h"

namespace solwire::sim {

std::optional<std::uint8_t> applyLineCommand(const std::string& command, std::uint8_t lines) {
  std::istringstream words(command);
  std::string name, state, extra;
  if (!(words >> name >> state) || (words >> extra)) return std::nullopt;
  std::uint8_t bit = 0;
  if (name == "dcd") bit = modem::kDCD;
  if (name == "cts") bit = modem::kCTS;
  if (name == "dsr") bit = modem::kDSR;
  if (name == "ri") bit = modem::kRI;
  if (bit == 0 || (state != "on" && state != "off")) return std::nullopt;
  return static_cast<std::uint8_t>(state == "on" ? lines | bit : lines & ~bit);
}

bool isCarrierDropCommand(const std::string& command) {
  // Of all line commands only "dcd off" clears DCD when it is the one line up.
  return applyLineCommand(command, modem::kDCD) == std::uint8_t{0};
}

}  // namespace solwire::sim
