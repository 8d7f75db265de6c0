#include "protocol/request_frames.h"

#include <charconv>

namespace solwire {

namespace {

constexpr std::array<int, 6> kReplyLengths{27, 33, 33, 49, 5, 27};
constexpr std::array<int, kOfferedBaudCount> kTimeoutByBaudIndex{90, 90, 100, 100, 90};

struct KindName {
  RequestKind kind;
  std::string_view name;
};
constexpr std::array<KindName, 6> kKindNames{{
    {RequestKind::CurrentState, "current"},
    {RequestKind::Settings, "settings"},
    {RequestKind::Calibration, "calibration"},
    {RequestKind::HistoryBlock, "history"},
    {RequestKind::AlarmInputs, "alarms"},
    {RequestKind::LogCurrentState, "log"},
}};

}  // namespace

std::uint8_t siteByte(int site) { return static_cast<std::uint8_t>(192 + (site & 31)); }

std::uint8_t commandByte(RequestKind kind, int historyBlock) {
  switch (kind) {
    case RequestKind::CurrentState:
    case RequestKind::LogCurrentState:
      return 'N';
    case RequestKind::Settings:
      return '~';
    case RequestKind::Calibration:
      return '}';
    case RequestKind::HistoryBlock:
      return static_cast<std::uint8_t>(historyBlock + 31);
    case RequestKind::AlarmInputs:
      return 'V';
  }
  return 'N';
}

std::string requestFrame(RequestKind kind, int site, int historyBlock) {
  return {static_cast<char>(siteByte(site)), static_cast<char>(commandByte(kind, historyBlock))};
}

std::string writeFrame(int site, int address, int data) {
  const int s = site & 31;
  // An address or data byte out of range is never put on the line: it becomes 0.
  const int a = (address >= 0 && address < kMemorySize) ? address : 0;
  const int d = (data >= 0 && data <= 255) ? data : 0;
  return {static_cast<char>(192 + s), static_cast<char>(0xA5), static_cast<char>(a),
          static_cast<char>(d), static_cast<char>(224 + s)};
}

int replyLength(RequestKind kind) {
  const int index = static_cast<int>(kind) - 1;
  return (index >= 0 && index < 6) ? kReplyLengths[static_cast<std::size_t>(index)] : 27;
}

int replyTimeoutForBaudIndex(int baudIndex) {
  if (baudIndex < 0 || baudIndex >= kOfferedBaudCount) return kTimeoutByBaudIndex[4];
  return kTimeoutByBaudIndex[static_cast<std::size_t>(baudIndex)];
}

int baudRateForIndex(int baudIndex) {
  if (baudIndex < 0 || baudIndex >= static_cast<int>(kBaudTable.size())) return kBaudTable[4];
  return kBaudTable[static_cast<std::size_t>(baudIndex)];
}

std::string_view requestKindName(RequestKind kind) {
  for (const auto& entry : kKindNames)
    if (entry.kind == kind) return entry.name;
  return "current";
}

std::optional<RequestKind> parseRequestKind(std::string_view text) {
  for (const auto& entry : kKindNames)
    if (entry.name == text) return entry.kind;
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error == std::errc{} && end == text.data() + text.size() && number >= 1 && number <= 6)
    return static_cast<RequestKind>(number);
  return std::nullopt;
}

}  // namespace solwire
