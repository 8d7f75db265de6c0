// Checking and decoding of regulator replies into the site data model.
//
// A reply of N bytes is a header byte followed by N-1 bytes that each carry a
// data nibble in the low four bits under a fixed tag in the high four bits.
// Data byte Pk is rebuilt from bytes 2k-1 (high nibble) and 2k (low nibble).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "protocol/local_time.h"
#include "protocol/request_frames.h"
#include "protocol/site_data.h"

namespace solwire {

// The data bytes P1..P24 of one reply, addressed 1-based as the tables name them.
class DataBytes {
 public:
  static constexpr int kMaxCount = 24;
  DataBytes() = default;
  // Rebuilds the (length-1)/2 data bytes from the first `length` bytes of `reply`;
  // missing bytes read as 0.
  DataBytes(std::span<const std::uint8_t> reply, int length);

  int P(int k) const { return (k >= 1 && k <= count_) ? bytes_[static_cast<std::size_t>(k - 1)] : 0; }
  int count() const { return count_; }

 private:
  std::array<std::uint8_t, kMaxCount> bytes_{};
  int count_ = 0;
};

// Header byte of the kinds whose header is a fixed marker; the current-state
// kinds carry the regulator type code instead.
std::uint8_t replyHeader(RequestKind kind);
// Tag expected in the high nibble of bytes 1..N-1.
std::uint8_t replyTag(RequestKind kind);

// True when `reply` holds at least the kind's reply length and every byte of
// it carries the header and tag the kind prescribes.
bool replyFramingOk(RequestKind kind, std::span<const std::uint8_t> reply);

// Scaling selected by the type code of a current-state reply, a log
// reading's included: a site's log entry shows what its window shows.
Scaling scalingForCurrentState(int typeCode);

CurrentStateRecord decodeCurrentState(const DataBytes& p);
SettingsRecord decodeSettings(const DataBytes& p);
CalibrationRecord decodeCalibration(const DataBytes& p);
// Stores the four days of history block `block` (1..8); other blocks are ignored.
void decodeHistoryBlock(HistoryRecord& history, int block, const DataBytes& p);
std::array<std::int32_t, kAlarmInputs> decodeAlarmInputs(const DataBytes& p);
// Moves the current states to the previous ones, takes the new states and
// raises the flash flag of every input that changed (flags are never cleared here).
void applyAlarmInputs(AlarmRecord& alarms, const std::array<std::int32_t, kAlarmInputs>& states);

// Decodes `reply` as a reply of `kind` and stores it in `data`, whatever its
// framing; `historyBlock` places a history block. The caller checks framing.
// A log reading decoded this way treats `data` as a record of its own (a
// capture decoded alone); the link keeps its log readings in a LogReading.
void storeReply(SiteData& data, RequestKind kind, std::span<const std::uint8_t> reply, int historyBlock);

// Where and when a reply was read: the site the request went to, the local
// time it was decoded, and that site's voltage class (0: not known).
struct ReadStamp {
  int site = 0;
  LocalTime at{};
  int voltageMultiplier = 0;
};

// As above, and the record stored is stamped as read from `from.site` at
// `from.at` (for a history block, the block's four days).
void storeReply(SiteData& data, RequestKind kind, std::span<const std::uint8_t> reply, int historyBlock,
                const ReadStamp& from);

// Decodes a log reading's current-state `reply` into `reading`, scaled as a
// current-state reply, whatever its framing.
void storeLogReply(LogReading& reading, std::span<const std::uint8_t> reply);

}  // namespace solwire
