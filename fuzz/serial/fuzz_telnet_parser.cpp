// Whatever a device server sends: the Telnet parser and the RFC 2217 client
// take any bytes, cut anywhere, without reading out of bounds, growing without
// limit or telling two cuts of the same stream apart.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "serial/rfc2217_client.h"
#include "serial/telnet_parser.h"

namespace {

struct Outcome {
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> replies;
  std::uint8_t lines = 0;
};

Outcome run(std::span<const std::uint8_t> stream, std::size_t cut) {
  solwire::telnet::TelnetParser parser;
  solwire::telnet::Rfc2217Client client;
  std::vector<solwire::telnet::TelnetEvent> events;
  Outcome outcome;
  client.start(outcome.replies);
  for (auto piece : {stream.first(cut), stream.subspan(cut)}) {
    std::vector<std::uint8_t> bytes(piece.begin(), piece.end());
    const std::size_t n = parser.feed(bytes, bytes.data(), events);
    if (n > bytes.size()) std::abort();
    outcome.data.insert(outcome.data.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    for (const auto& event : events) {
      if (event.payload.size() > solwire::telnet::TelnetParser::kMaxPayload) std::abort();
      client.handle(event, outcome.replies);
    }
    events.clear();
  }
  client.setLine(solwire::LineSettings{}, outcome.replies);
  outcome.lines = client.modemLines();
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::span<const std::uint8_t> stream(data + 1, size - 1);
  const std::size_t cut = stream.empty() ? 0 : data[0] % (stream.size() + 1);
  const Outcome whole = run(stream, 0);
  const Outcome split = run(stream, cut);
  if (whole.data != split.data || whole.replies != split.replies || whole.lines != split.lines) std::abort();
  // Answers stay in proportion to what came in: besides the opening and the
  // final setLine, a server that turns COM-PORT-OPTION off and on again
  // (six bytes) gets the line settings again (under 80 bytes).
  if (whole.replies.size() > 160 + 16 * stream.size()) std::abort();
  return 0;
}
