// Result codes of a Hayes modem, read from the bytes it sends: verbose
// ("\r\nCONNECT 2400\r\n") or numeric ("1\r"), with the command echo on or
// off, RING and other information lines between, split anywhere across reads.
// A pure parser: feed it bytes, it returns what completed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solwire {

enum class HayesResult { Ok, Connect, Ring, NoCarrier, Error, NoDialtone, Busy, NoAnswer };

struct HayesEvent {
  HayesResult result = HayesResult::Ok;
  std::optional<long> speed;  // CONNECT's line speed, when the modem gave one
  std::string text;           // the line as received, without its line end
  bool operator==(const HayesEvent&) const = default;
};

struct HayesFeed {
  std::vector<HayesEvent> events;
  // After a CONNECT the rest of the bytes are data from the far end, not
  // result codes: they are left unconsumed, from this offset on.
  std::size_t consumed = 0;
  // The CONNECT line's CR was the last byte: a line feed that opens the next
  // bytes still belongs to it.
  bool lineFeedMayFollow = false;
};

class HayesResultParser {
 public:
  // Lines longer than this are noise and are dropped whole.
  static constexpr std::size_t kMaxLineLength = 128;

  HayesFeed feed(std::string_view bytes);
  void reset();

 private:
  std::optional<HayesEvent> endLine();

  std::string line_;
  bool overlong_ = false;
};

// The result a complete line names, or nullopt for an echo, an empty line or
// an information line ("CARRIER 2400", "PROTOCOL: LAPM").
std::optional<HayesEvent> hayesResultOfLine(std::string_view line);

const char* hayesResultName(HayesResult result);

}  // namespace solwire
