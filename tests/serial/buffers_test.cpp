// The receive ring and the output ring.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "serial/output_ring.h"
#include "serial/receive_ring.h"

namespace solwire {
namespace {

std::size_t fill(ReceiveRing& ring, std::size_t count, std::uint8_t& next) {
  std::size_t written = 0;
  for (auto span : {ring.firstFree(), ring.secondFree()}) {
    for (std::size_t i = 0; i < span.size() && written < count; ++i, ++written) span[i] = next++;
  }
  ring.commit(written);
  return written;
}

TEST(ReceiveRing, FullAndEmptyAreToldApartWhenPositionsMeet) {
  ReceiveRing ring;
  std::uint8_t next = 0;
  EXPECT_EQ(ring.unread(), 0u);
  EXPECT_EQ(fill(ring, ReceiveRing::kSize + 100, next), ReceiveRing::kSize);  // never more than 8192
  EXPECT_TRUE(ring.full());
  EXPECT_EQ(ring.unread(), ReceiveRing::kSize);
  EXPECT_TRUE(ring.firstFree().empty());
  EXPECT_TRUE(ring.secondFree().empty());
  ring.consume(ReceiveRing::kSize);
  EXPECT_FALSE(ring.full());
  EXPECT_EQ(ring.unread(), 0u);
}

TEST(ReceiveRing, FreeSpaceWrapsAsTwoSpansAndBytesComeOutInOrder) {
  ReceiveRing ring;
  std::uint8_t next = 0;
  fill(ring, 8000, next);
  ring.consume(7000);  // read position near the end
  EXPECT_EQ(ring.firstFree().size(), ReceiveRing::kSize - 8000);
  EXPECT_EQ(ring.secondFree().size(), 7000u);
  const std::uint8_t firstNew = next;
  EXPECT_EQ(fill(ring, 500, next), 500u);  // 192 at the end, 308 at the start
  EXPECT_EQ(ring.unread(), 1500u);
  ring.consume(1000);
  for (std::size_t i = 0; i < 500; ++i) {
    ASSERT_EQ(ring.peek(i), static_cast<std::uint8_t>(firstNew + i)) << i;
  }
  ring.discard();
  EXPECT_EQ(ring.unread(), 0u);
}

TEST(OutputRing, TakesABlockWholeOrNotAtAll) {
  OutputRing ring(16);
  const std::vector<std::uint8_t> ten(10, 'a');
  const std::vector<std::uint8_t> seven(7, 'b');
  const std::vector<std::uint8_t> six(6, 'c');
  EXPECT_TRUE(ring.put(ten));
  EXPECT_FALSE(ring.put(seven));
  EXPECT_EQ(ring.used(), 10u);
  EXPECT_TRUE(ring.put(six));  // exactly the free space: full
  EXPECT_EQ(ring.used(), 16u);
  EXPECT_EQ(ring.freeSpace(), 0u);
}

TEST(OutputRing, WrappedContentIsHandedOutOldestFirst) {
  OutputRing ring(8);
  std::vector<std::uint8_t> first{1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(ring.put(first));
  ring.advance(5);
  std::vector<std::uint8_t> second{7, 8, 9, 10};
  ASSERT_TRUE(ring.put(second));  // 7, 8 at the end, 9, 10 at the start
  std::vector<std::uint8_t> out;
  while (ring.used() > 0) {
    auto pending = ring.pending();
    out.insert(out.end(), pending.begin(), pending.end());
    ring.advance(pending.size());
  }
  EXPECT_EQ(out, (std::vector<std::uint8_t>{6, 7, 8, 9, 10}));
  ring.clear();
  EXPECT_EQ(ring.freeSpace(), 8u);
}

}  // namespace
}  // namespace solwire
