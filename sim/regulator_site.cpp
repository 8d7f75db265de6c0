#include "sim/regulator_site.h"

#include <stdexcept>

#include "sim/live_state.h"
#include "sim/record_replies.h"
#include "sim/site_contents.h"

namespace solwire::sim {

namespace {

constexpr int kMaxTypeCode = 31;
constexpr std::uint8_t kFirstHistoryCommand = 0x20;

int checkedRange(int value, int high, const char* what) {
  if (value < 0 || value > high) throw std::out_of_range(what);
  return value;
}

bool isHistoryCommand(std::uint8_t command) {
  return command >= kFirstHistoryCommand && command < kFirstHistoryCommand + kHistoryBlocks;
}

}  // namespace

RegulatorSite::RegulatorSite(int number, int typeCode, std::uint64_t seed)
    : number_(checkedRange(number, kSiteCount - 1, "site number outside 0..31")),
      typeCode_(checkedRange(typeCode, kMaxTypeCode, "type code outside 0..31")) {
  const SiteContents contents = plausibleContents(seed);
  memory_ = contents.memory;
  history_ = contents.history;
  alarms_ = contents.alarms;
  profile_ = contents.profile;
}

void RegulatorSite::setTypeCode(int typeCode) {
  typeCode_ = checkedRange(typeCode, kMaxTypeCode, "type code outside 0..31");
}

CurrentState RegulatorSite::currentState(const LocalTime& now) const {
  if (pinned_) return *pinned_;
  return liveState(profile_, memory_, typeCode_, now);
}

void RegulatorSite::setFault(Fault fault, std::chrono::milliseconds lateBy) {
  fault_ = fault;
  lateBy_ = lateBy;
}

std::optional<Reply> RegulatorSite::answer(std::uint8_t command, const LocalTime& now) const {
  auto bytes = replyBytes(command, now);
  if (!bytes) return std::nullopt;
  Reply reply;
  reply.bytes = std::move(*bytes);
  reply.site = number_;
  return withFault(std::move(reply), fault_, lateBy_);
}

void RegulatorSite::write(int address, std::uint8_t data) {
  if (address < 0 || address >= kMemorySize || fault_ == Fault::IgnoresWrites) return;
  memory_[static_cast<std::size_t>(address)] = data;
}

std::optional<std::vector<std::uint8_t>> RegulatorSite::replyBytes(std::uint8_t command,
                                                                   const LocalTime& now) const {
  if (isHistoryCommand(command))
    return historyBlockReply(history_, command - kFirstHistoryCommand + 1);
  switch (command) {
    case 'N':
      return currentStateReply(typeCode_, currentState(now));
    case '~':
      return settingsReply(memory_);
    case '}':
      return calibrationReply(memory_);
    case 'V':
      return alarmReply(alarms_);
    default:
      return std::nullopt;
  }
}

}  // namespace solwire::sim
