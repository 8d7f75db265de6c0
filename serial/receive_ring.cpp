#include "serial/receive_ring.h"

#include <algorithm>

namespace solwire {

std::size_t ReceiveRing::unread() const {
  if (write_ == read_) return full_ ? kSize : 0;
  return write_ > read_ ? write_ - read_ : write_ + kSize - read_;
}

std::span<std::uint8_t> ReceiveRing::firstFree() {
  if (full_) return {};
  const std::size_t end = write_ >= read_ ? kSize : read_;
  return {buffer_.data() + write_, end - write_};
}

std::span<std::uint8_t> ReceiveRing::secondFree() {
  if (full_ || write_ < read_) return {};
  return {buffer_.data(), read_};
}

void ReceiveRing::commit(std::size_t count) {
  count = std::min(count, freeSpace());
  if (count == 0) return;
  write_ = (write_ + count) % kSize;
  full_ = write_ == read_;
}

void ReceiveRing::copyOut(std::size_t offset, std::uint8_t* out, std::size_t count) const {
  const std::size_t start = (read_ + offset) % kSize;
  const std::size_t first = std::min(count, kSize - start);
  std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(start), first, out);
  std::copy_n(buffer_.begin(), count - first, out + first);
}

void ReceiveRing::consume(std::size_t count) {
  count = std::min(count, unread());
  if (count == 0) return;
  read_ = (read_ + count) % kSize;
  full_ = false;
}

void ReceiveRing::discard() {
  read_ = write_;
  full_ = false;
}

}  // namespace solwire
