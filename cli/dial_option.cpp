#include "cli/dial_option.h"

#include "modem/dial_number.h"

namespace solwire::cli {

std::optional<std::string> dialOption(const std::string& command, const std::string& value, std::ostream& err) {
  auto dialled = dialString(value);
  if (!dialled)
    err << "solwire-cli " << command << ": --dial: \"" << value << "\" is not a number a modem can dial: "
        << kDialCharacters << '\n';
  return dialled;
}

}  // namespace solwire::cli
