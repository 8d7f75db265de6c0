// Any byte stream, cut anywhere, parses without crashing, and two cuts of the
// same stream agree on the results up to the first CONNECT.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "modem/hayes_result_parser.h"

namespace {

std::vector<solwire::HayesEvent> resultsOf(std::string_view bytes, std::size_t cut) {
  solwire::HayesResultParser parser;
  std::vector<solwire::HayesEvent> events;
  for (std::string_view piece : {bytes.substr(0, cut), bytes.substr(cut)}) {
    const solwire::HayesFeed feed = parser.feed(piece);
    if (feed.consumed > piece.size()) std::abort();
    events.insert(events.end(), feed.events.begin(), feed.events.end());
    if (!events.empty() && events.back().result == solwire::HayesResult::Connect) break;
  }
  return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t cut = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);
  if (resultsOf(bytes, cut) != resultsOf(bytes, bytes.size())) std::abort();
  return 0;
}
