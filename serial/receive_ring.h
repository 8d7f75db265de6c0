// The receive ring: a fixed 8192-byte buffer the device is read into, with a
// write position, a read position and a full flag that tells a full ring from
// an empty one when the two positions are equal. Not locked: the dispatcher
// guards it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace solwire {

class ReceiveRing {
 public:
  static constexpr std::size_t kSize = 8192;

  std::size_t unread() const;
  std::size_t freeSpace() const { return kSize - unread(); }
  bool full() const { return full_; }

  // The free space as up to two contiguous spans (the second when it wraps).
  // Bytes may be written into them without the ring's lock: readers never
  // look at free space.
  std::span<std::uint8_t> firstFree();
  std::span<std::uint8_t> secondFree();
  // Makes `count` bytes written into the free spans readable.
  void commit(std::size_t count);

  // The byte `offset` places after the read position; offset < unread().
  std::uint8_t peek(std::size_t offset) const { return buffer_[(read_ + offset) % kSize]; }
  // Copies `count` unread bytes from `offset` on; offset + count <= unread().
  void copyOut(std::size_t offset, std::uint8_t* out, std::size_t count) const;
  void consume(std::size_t count);
  // Drops every unread byte.
  void discard();

 private:
  std::array<std::uint8_t, kSize> buffer_{};
  std::size_t write_ = 0;
  std::size_t read_ = 0;
  bool full_ = false;
};

}  // namespace solwire
