// The output buffer: OutSize bytes used as a ring. SendString copies in at the
// head, the output thread writes from the tail; the full flag tells a full
// buffer from an empty one when head and tail are equal. Not locked: the
// dispatcher guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace solwire {

class OutputRing {
 public:
  explicit OutputRing(std::size_t size) : size_(size), buffer_(new std::uint8_t[size > 0 ? size : 1]) {}

  std::size_t size() const { return size_; }
  std::size_t used() const;
  std::size_t freeSpace() const { return size_ - used(); }

  // Copies all of `data` in, or nothing when it does not fit.
  bool put(std::span<const std::uint8_t> data);
  // The oldest unsent bytes that lie contiguously in the buffer.
  std::span<const std::uint8_t> pending() const;
  // Marks `count` bytes from the tail as sent.
  void advance(std::size_t count);
  void clear();

 private:
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
  bool full_ = false;
};

}  // namespace solwire
