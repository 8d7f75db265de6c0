#include "sim/modem_front_end.h"

#include "serial/modem_status.h"

namespace solwire::sim {

namespace {

// The lines a modem that is switched on holds up; DCD joins them during a call.
constexpr std::uint8_t kReadyLines = modem::kCTS | modem::kDSR;

}  // namespace

ModemFrontEnd::ModemFrontEnd(RegulatorBus& bus, HayesModemOptions options, int baud)
    : remote_(bus, baud), modem_(std::move(options)) {}

void ModemFrontEnd::received(std::span<const std::uint8_t> bytes, TimePoint arrival, const LocalTime& now) {
  modem_.advance(arrival);  // a call that connected, or an escape that ended, before these bytes
  modem_.fromComputer(bytes, arrival);
  const auto toRemote = modem_.takeToRemote();
  if (!toRemote.empty()) remote_.received(toRemote, arrival, now);
}

std::vector<std::uint8_t> ModemFrontEnd::takeDue(TimePoint now) {
  modem_.advance(now);
  modem_.fromRemote(remote_.takeDue(now));
  return modem_.takeToComputer();
}

std::optional<ServedLine::TimePoint> ModemFrontEnd::nextDue() const {
  std::optional<TimePoint> next = modem_.nextDue();
  if (const auto reply = remote_.nextDue(); reply && (!next || *reply < *next)) next = reply;
  return next;
}

std::optional<std::uint8_t> ModemFrontEnd::modemLines() const {
  return static_cast<std::uint8_t>(kReadyLines | (modem_.dcd() ? modem::kDCD : 0));
}

}  // namespace solwire::sim
