// Cuts the host's byte stream into the frames regulators act on: two-byte
// read requests and five-byte memory writes. Bytes may arrive in any split; a
// frame is kept until its last byte comes. Anything that cannot start a
// complete frame is skipped one byte at a time, so the stream recovers from
// garbage, cut-off frames and malformed writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace solwire::sim {

inline constexpr std::uint8_t kWriteCommand = 0xA5;

struct ReadRequest {
  int site = 0;
  std::uint8_t command = 0;
  std::size_t end = 0;  // bytes of the current feed up to and including the last one

  bool operator==(const ReadRequest&) const = default;
};

struct WriteRequest {
  int site = 0;
  int address = 0;
  std::uint8_t data = 0;
  std::size_t end = 0;

  bool operator==(const WriteRequest&) const = default;
};

using LineFrame = std::variant<ReadRequest, WriteRequest>;

// The command bytes regulators answer: "N", "~", "}", "V" and the history
// blocks 0x20..0x27.
bool isReadCommand(std::uint8_t command);

class RequestStream {
 public:
  // The frames completed by these bytes, in line order.
  std::vector<LineFrame> feed(std::span<const std::uint8_t> bytes);
  // Bytes held back as the possible start of a frame.
  std::size_t pendingSize() const { return pending_.size(); }

 private:
  enum class Match { Frame, NeedMore, NoFrame };
  Match matchAt(std::size_t index, std::size_t carried, std::vector<LineFrame>& frames) const;
  Match matchWrite(std::size_t index, std::size_t carried, std::vector<LineFrame>& frames) const;

  std::vector<std::uint8_t> pending_;
};

}  // namespace solwire::sim
