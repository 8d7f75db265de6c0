// The --dial option of the commands that call a site through a modem: only
// what a modem can dial, or a usage message naming the option.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace solwire::cli {

// The number as the modem dials it, or nullopt after a message on `err`.
std::optional<std::string> dialOption(const std::string& command, const std::string& value, std::ostream& err);

}  // namespace solwire::cli
