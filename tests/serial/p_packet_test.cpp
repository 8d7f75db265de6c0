// TP_Packet, fed by hand, with its timer on a queue main thread driven by a
// hand-moved clock.
#include <gtest/gtest.h>

#include "serial/manual_clock.h"
#include "serial/p_packet.h"
#include "serial/queue_main_thread.h"

namespace solwire {
namespace {

class PPacketTest : public ::testing::Test {
 protected:
  PPacketTest() {
    datapack2.setPacketSize(27);
    datapack2.OnPacket = [this](ReplyMatcher&, const std::uint8_t* data, std::int32_t size) {
      packets.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    };
    datapack2.OnTimeout = [this](ReplyMatcher&) { ++timeouts; };
  }

  void advance(std::int64_t ms) {
    clock.advance(ms);
    ui.processEvents();
  }

  ManualClock clock;
  QueueMainThread ui{clock};
  TP_Packet datapack2{ui};
  std::vector<std::string> packets;
  int timeouts = 0;
};

TEST_F(PPacketTest, CutsExactlyPacketSizeBytesDropsTheRestAndStaysEnabled) {
  datapack2.setEnabled(true);
  const std::string bytes = "0123456789abcdefghijABCDEFGHIJ";
  datapack2.Feed(bytes.substr(0, 10));
  datapack2.Feed(bytes.substr(10, 10));
  EXPECT_TRUE(packets.empty());
  datapack2.Feed(bytes.substr(20, 10));
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0], bytes.substr(0, 27));
  EXPECT_TRUE(datapack2.Enabled());
  EXPECT_FALSE(datapack2.collecting());
  EXPECT_EQ(datapack2.collected(), 0u);
  advance(10'000);
  EXPECT_EQ(timeouts, 0);  // the timer stopped with the packet
}

TEST_F(PPacketTest, TimesOut3000MsAfterTheFirstByteWhateverTimeOutSays) {
  datapack2.setTimeOut(90);  // stored only
  datapack2.setEnabled(true);
  advance(5000);  // no byte yet: no time-out runs
  datapack2.Feed("12345");
  advance(2000);
  datapack2.Feed("678");  // later bytes do not restart it
  advance(999);
  EXPECT_EQ(timeouts, 0);
  advance(1);
  EXPECT_EQ(timeouts, 1);
  EXPECT_EQ(datapack2.collected(), 0u);
  EXPECT_EQ(datapack2.TimeOut(), 90);
  // A new collection starts with the next byte.
  datapack2.Feed(std::string(27, 'x'));
  EXPECT_EQ(packets.size(), 1u);
}

TEST_F(PPacketTest, IgnoresFeedsWhileDisabledAndEmptyFeeds) {
  datapack2.Feed("abc");
  EXPECT_EQ(datapack2.collected(), 0u);
  datapack2.setEnabled(true);
  datapack2.Feed("");
  EXPECT_FALSE(datapack2.collecting());
  EXPECT_EQ(ui.pendingTimers(), 0u);
}

TEST_F(PPacketTest, DisablingMidCollectionDropsTheBytesAndRaisesNothing) {
  datapack2.setEnabled(true);
  datapack2.Feed("0123456789");
  datapack2.setEnabled(false);
  EXPECT_EQ(datapack2.collected(), 0u);
  advance(5000);
  EXPECT_EQ(timeouts, 0);
  EXPECT_TRUE(packets.empty());
}

}  // namespace
}  // namespace solwire
