#include "protocol/record_stamps.h"

#include <span>

namespace solwire {

namespace {

constexpr int kDaysPerBlock = kHistoryDays / kHistoryBlocks;

// The days of history blocks `first`..`last`; empty outside 1..8.
std::span<RecordOrigin> daysOfBlocks(RecordOrigins& origins, int first, int last) {
  if (first < 1 || last > kHistoryBlocks || first > last) return {};
  const auto begin = static_cast<std::size_t>((first - 1) * kDaysPerBlock);
  const auto count = static_cast<std::size_t>((last - first + 1) * kDaysPerBlock);
  return std::span<RecordOrigin>(origins.historyDays).subspan(begin, count);
}

RecordOrigin* recordOf(RecordOrigins& origins, RequestKind kind) {
  switch (kind) {
    case RequestKind::CurrentState: return &origins.current;
    case RequestKind::Settings: return &origins.settings;
    case RequestKind::Calibration: return &origins.calibration;
    case RequestKind::AlarmInputs: return &origins.alarms;
    case RequestKind::HistoryBlock:
    case RequestKind::LogCurrentState: break;
  }
  return nullptr;
}

}  // namespace

void stampRead(RecordOrigins& origins, RequestKind kind, int historyBlock, int site, const LocalTime& at,
               int voltageMultiplier) {
  const RecordOrigin origin = RecordOrigin::read(site, at, voltageMultiplier);
  if (kind == RequestKind::HistoryBlock) {
    for (RecordOrigin& day : daysOfBlocks(origins, historyBlock, historyBlock)) day = origin;
  } else if (RecordOrigin* record = recordOf(origins, kind)) {
    *record = origin;
  }
}

void markReadFailed(RecordOrigins& origins, RequestKind kind, int historyBlock, int site) {
  if (kind == RequestKind::HistoryBlock) {
    for (RecordOrigin& day : daysOfBlocks(origins, historyBlock, kHistoryBlocks)) day.failedSite = site;
  } else if (RecordOrigin* record = recordOf(origins, kind)) {
    record->failedSite = site;
  }
}

}  // namespace solwire
