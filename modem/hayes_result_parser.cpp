#include "modem/hayes_result_parser.h"

#include <array>
#include <cctype>
#include <charconv>
#include <utility>

namespace solwire {

namespace {

struct VerboseCode {
  std::string_view word;
  HayesResult result;
};

constexpr std::array<VerboseCode, 9> kVerboseCodes{{
    {"OK", HayesResult::Ok},
    {"CONNECT", HayesResult::Connect},
    {"RING", HayesResult::Ring},
    {"NO CARRIER", HayesResult::NoCarrier},
    {"ERROR", HayesResult::Error},
    {"NO DIALTONE", HayesResult::NoDialtone},
    {"NO DIAL TONE", HayesResult::NoDialtone},
    {"BUSY", HayesResult::Busy},
    {"NO ANSWER", HayesResult::NoAnswer},
}};

struct NumericCode {
  int code;
  HayesResult result;
  long speed;  // 0: none given
};

// The basic codes and the common CONNECT speeds.
constexpr std::array<NumericCode, 18> kNumericCodes{{
    {0, HayesResult::Ok, 0},          {1, HayesResult::Connect, 0},      {2, HayesResult::Ring, 0},
    {3, HayesResult::NoCarrier, 0},   {4, HayesResult::Error, 0},        {5, HayesResult::Connect, 1200},
    {6, HayesResult::NoDialtone, 0},  {7, HayesResult::Busy, 0},         {8, HayesResult::NoAnswer, 0},
    {10, HayesResult::Connect, 2400}, {11, HayesResult::Connect, 4800},  {12, HayesResult::Connect, 9600},
    {13, HayesResult::Connect, 7200}, {14, HayesResult::Connect, 12000}, {15, HayesResult::Connect, 14400},
    {16, HayesResult::Connect, 19200}, {17, HayesResult::Connect, 38400}, {18, HayesResult::Connect, 57600},
}};

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// "CONNECT", "CONNECT 2400", "CONNECT 2400/ARQ", "CONNECT 33600 V42bis".
std::optional<long> connectSpeed(std::string_view rest) {
  rest = trimmed(rest);
  long speed = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), speed);
  if (error != std::errc() || end == rest.data() || speed <= 0) return std::nullopt;
  return speed;
}

std::optional<HayesEvent> verboseResult(std::string_view line) {
  for (const VerboseCode& code : kVerboseCodes) {
    if (!startsWithNoCase(line, code.word)) continue;
    const std::string_view rest = line.substr(code.word.size());
    if (code.result == HayesResult::Connect) {
      if (!rest.empty() && rest.front() != ' ' && rest.front() != '/') continue;
      return HayesEvent{code.result, connectSpeed(rest), std::string(line)};
    }
    if (!trimmed(rest).empty()) continue;
    return HayesEvent{code.result, std::nullopt, std::string(line)};
  }
  return std::nullopt;
}

std::optional<HayesEvent> numericResult(std::string_view line) {
  int value = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (error != std::errc() || end != line.data() + line.size()) return std::nullopt;
  for (const NumericCode& code : kNumericCodes) {
    if (code.code != value) continue;
    std::optional<long> speed;
    if (code.speed != 0) speed = code.speed;
    return HayesEvent{code.result, speed, std::string(line)};
  }
  return std::nullopt;
}

}  // namespace

std::optional<HayesEvent> hayesResultOfLine(std::string_view line) {
  line = trimmed(line);
  if (line.empty() || startsWithNoCase(line, "AT")) return std::nullopt;  // nothing, or the command's echo
  if (std::isdigit(static_cast<unsigned char>(line.front()))) return numericResult(line);
  return verboseResult(line);
}

const char* hayesResultName(HayesResult result) {
  switch (result) {
    case HayesResult::Ok: return "OK";
    case HayesResult::Connect: return "CONNECT";
    case HayesResult::Ring: return "RING";
    case HayesResult::NoCarrier: return "NO CARRIER";
    case HayesResult::Error: return "ERROR";
    case HayesResult::NoDialtone: return "NO DIALTONE";
    case HayesResult::Busy: return "BUSY";
    case HayesResult::NoAnswer: return "NO ANSWER";
  }
  return "?";
}

HayesFeed HayesResultParser::feed(std::string_view bytes) {
  HayesFeed out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (std::optional<HayesEvent> event = endLine()) {
        const bool connected = event->result == HayesResult::Connect;
        out.events.push_back(std::move(*event));
        if (connected) {
          // A CONNECT line ends with CR LF in verbose form: swallow the LF too.
          if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
          out.consumed = i + 1;
          out.lineFeedMayFollow = c == '\r' && out.consumed == bytes.size();
          return out;
        }
      }
      continue;
    }
    if (line_.size() >= kMaxLineLength) {
      overlong_ = true;
      continue;
    }
    line_ += c;
  }
  out.consumed = bytes.size();
  return out;
}

std::optional<HayesEvent> HayesResultParser::endLine() {
  std::optional<HayesEvent> event;
  if (!overlong_) event = hayesResultOfLine(line_);
  line_.clear();
  overlong_ = false;
  return event;
}

void HayesResultParser::reset() {
  line_.clear();
  overlong_ = false;
}

}  // namespace solwire
