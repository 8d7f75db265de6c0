// Any line splits without crashing, and every field written by the quoting
// rule reads back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "modem/csv_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  (void)solwire::splitCsvLine(input);

  if (input.find_first_of("\r\n") != std::string_view::npos || input.empty()) return 0;
  const bool alreadyQuoted = input.size() >= 2 && input.front() == '"' && input.back() == '"';
  const std::string expected(alreadyQuoted ? input.substr(1, input.size() - 2) : input);
  const auto fields = solwire::splitCsvLine(solwire::quoteCsvField(input) + ",x");
  if (fields.size() != 2 || fields[0] != expected || fields[1] != "x") std::abort();
  return 0;
}
