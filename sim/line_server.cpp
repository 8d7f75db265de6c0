#include "sim/line_server.h"

#include "sim/line_timing.h"

namespace solwire::sim {

LineServer::LineServer(RegulatorBus& bus, int baud) : bus_(bus), baud_(baud < 1 ? 2400 : baud) {}

void LineServer::received(std::span<const std::uint8_t> bytes, TimePoint arrival, const LocalTime& now) {
  // The last byte read arrived at `arrival`; earlier ones came a byte time apart.
  for (const Reply& reply : bus_.receive(bytes, now)) {
    const std::size_t after = bytes.size() - reply.requestEnd;
    schedule(reply, arrival - lineTime(after, baud_));
  }
}

void LineServer::schedule(const Reply& reply, TimePoint requestDone) {
  TimePoint start = requestDone + reply.delay;
  // One regulator talks at a time: a reply never overlaps the one before.
  if (start < lineFreeAt_) start = lineFreeAt_;
  for (std::size_t i = 0; i < reply.bytes.size(); ++i)
    queue_.push_back({start + lineTime(i + 1, baud_), reply.bytes[i]});
  lineFreeAt_ = start + lineTime(reply.bytes.size(), baud_);
}

std::vector<std::uint8_t> LineServer::takeDue(TimePoint now) {
  std::vector<std::uint8_t> due;
  while (!queue_.empty() && queue_.front().due <= now) {
    due.push_back(queue_.front().byte);
    queue_.pop_front();
  }
  return due;
}

std::optional<LineServer::TimePoint> LineServer::nextDue() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().due;
}

}  // namespace solwire::sim
