#include "sim/request_stream.h"

#include "protocol/request_frames.h"

namespace solwire::sim {

namespace {

constexpr std::uint8_t kFirstSiteByte = 0xC0;
constexpr std::uint8_t kWriteTrailerBase = 0xE0;
constexpr std::size_t kReadFrameSize = 2;
constexpr std::size_t kWriteFrameSize = 5;

bool isSiteByte(std::uint8_t byte) {
  return byte >= kFirstSiteByte && byte < kFirstSiteByte + kSiteCount;
}

int siteOf(std::uint8_t siteByte) { return siteByte - kFirstSiteByte; }

// Offset in the current feed just past the byte at `index` of the pending buffer.
std::size_t endInFeed(std::size_t index, std::size_t carried) { return index + 1 - carried; }

}  // namespace

bool isReadCommand(std::uint8_t command) {
  const bool historyBlock = command >= 0x20 && command < 0x20 + kHistoryBlocks;
  return historyBlock || command == 'N' || command == '~' || command == '}' || command == 'V';
}

std::vector<LineFrame> RequestStream::feed(std::span<const std::uint8_t> bytes) {
  const std::size_t carried = pending_.size();
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::vector<LineFrame> frames;
  std::size_t index = 0;
  while (index < pending_.size()) {
    const Match match = matchAt(index, carried, frames);
    if (match == Match::NeedMore) break;
    if (match == Match::NoFrame) {
      ++index;
      continue;
    }
    index += std::holds_alternative<ReadRequest>(frames.back()) ? kReadFrameSize : kWriteFrameSize;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(index));
  return frames;
}

RequestStream::Match RequestStream::matchAt(std::size_t index, std::size_t carried,
                                            std::vector<LineFrame>& frames) const {
  if (!isSiteByte(pending_[index])) return Match::NoFrame;
  if (index + 1 >= pending_.size()) return Match::NeedMore;
  const std::uint8_t command = pending_[index + 1];
  if (command == kWriteCommand) return matchWrite(index, carried, frames);
  if (!isReadCommand(command)) return Match::NoFrame;
  frames.emplace_back(ReadRequest{siteOf(pending_[index]), command, endInFeed(index + 1, carried)});
  return Match::Frame;
}

RequestStream::Match RequestStream::matchWrite(std::size_t index, std::size_t carried,
                                               std::vector<LineFrame>& frames) const {
  // Each byte is judged as soon as it arrives, so a frame found by skipping a
  // broken write always ends in the bytes just fed.
  if (index + 2 >= pending_.size()) return Match::NeedMore;
  const int address = pending_[index + 2];
  if (address >= kMemorySize) return Match::NoFrame;
  const std::size_t last = index + kWriteFrameSize - 1;
  if (last >= pending_.size()) return Match::NeedMore;
  const int site = siteOf(pending_[index]);
  if (pending_[last] != kWriteTrailerBase + site) return Match::NoFrame;
  frames.emplace_back(WriteRequest{site, address, pending_[index + 3], endInFeed(last, carried)});
  return Match::Frame;
}

}  // namespace solwire::sim
