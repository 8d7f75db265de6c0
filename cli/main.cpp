// solwire-cli: encode request frames, decode captured replies and read
// regulators from the command line.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

bool descriptorOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

// A device opened while standard input or error is closed would take its
// number, and messages meant for the terminal would go down the line.
void holdClosedDescriptor(int fd) {
  if (descriptorOpen(fd)) return;
  const int placeholder = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (placeholder >= 0 && placeholder != fd) close(placeholder);
}

}  // namespace

int main(int argc, char** argv) {
  holdClosedDescriptor(STDIN_FILENO);
  holdClosedDescriptor(STDERR_FILENO);
  if (!descriptorOpen(STDOUT_FILENO)) {
    std::cerr << "solwire-cli: standard output is closed\n";
    return solwire::cli::kExitFailed;
  }
  return solwire::cli::runCommand({argv + 1, argv + argc}, std::cout, std::cerr);
}
