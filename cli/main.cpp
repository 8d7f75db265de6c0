// solwire-cli: encode request frames, decode captured replies and read
// regulators from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  return solwire::cli::runCommand({argv + 1, argv + argc}, std::cout, std::cerr);
}
