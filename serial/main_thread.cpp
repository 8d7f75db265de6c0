#include "serial/main_thread.h"

#include <iostream>

namespace solwire {

void printErrorToStderr(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << "solwire: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "solwire: unknown exception in an event handler\n";
  }
}

}  // namespace solwire
