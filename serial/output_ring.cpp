#include "serial/output_ring.h"

#include <algorithm>
#include <cstring>

namespace solwire {

std::size_t OutputRing::used() const {
  if (head_ == tail_) return full_ ? size_ : 0;
  return head_ > tail_ ? head_ - tail_ : head_ + size_ - tail_;
}

bool OutputRing::put(std::span<const std::uint8_t> data) {
  if (data.size() > freeSpace()) return false;
  if (data.empty()) return true;
  const std::size_t first = std::min(data.size(), size_ - head_);
  std::memcpy(buffer_.get() + head_, data.data(), first);
  std::memcpy(buffer_.get(), data.data() + first, data.size() - first);
  head_ = (head_ + data.size()) % size_;
  full_ = head_ == tail_;
  return true;
}

std::span<const std::uint8_t> OutputRing::pending() const {
  const std::size_t count = used();
  return {buffer_.get() + tail_, std::min(count, size_ - tail_)};
}

void OutputRing::advance(std::size_t count) {
  count = std::min(count, used());
  if (count == 0) return;
  tail_ = (tail_ + count) % size_;
  full_ = false;
}

void OutputRing::clear() {
  head_ = tail_ = 0;
  full_ = false;
}

}  // namespace solwire
