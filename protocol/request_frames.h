// The regulator command set: request frames of every kind, the memory write
// frame, and the per-kind reply lengths and per-baud time-outs.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace solwire {

enum class RequestKind : int {
  CurrentState = 1,
  Settings = 2,
  Calibration = 3,
  HistoryBlock = 4,
  AlarmInputs = 5,
  LogCurrentState = 6,
};

inline constexpr int kSiteCount = 32;
inline constexpr int kHistoryBlocks = 8;
inline constexpr int kMemorySize = 32;

// Byte that addresses a site on the line: 0xC0..0xDF for sites 0..31.
std::uint8_t siteByte(int site);

// Command byte of a read request; `historyBlock` (1..8) is used by kind 4 only.
std::uint8_t commandByte(RequestKind kind, int historyBlock);

// The two-byte read request, as the bytes to put on the line.
std::string requestFrame(RequestKind kind, int site, int historyBlock = 1);

// The five-byte frame that writes one byte of a regulator's memory.
std::string writeFrame(int site, int address, int data);

// Reply length in bytes by kind: 27, 33, 33, 49, 5, 27.
int replyLength(RequestKind kind);

// Matcher time-out (ticks) by the item index of the baud-rate list (0..4).
int replyTimeoutForBaudIndex(int baudIndex);

// Line speed by the item index of the baud-rate list; only 0..4 are offered.
inline constexpr std::array<int, 7> kBaudTable{110, 300, 600, 1200, 2400, 4800, 9600};
inline constexpr int kOfferedBaudCount = 5;
// The line speed of an item of the baud-rate list; an item out of the table gives 2400.
int baudRateForIndex(int baudIndex);

std::string_view requestKindName(RequestKind kind);
// Parses 1..6 or current, settings, calibration, history, alarms, log.
std::optional<RequestKind> parseRequestKind(std::string_view text);

}  // namespace solwire
