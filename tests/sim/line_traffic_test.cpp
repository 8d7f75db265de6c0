// What the regulators make of the bytes on the line: frames in any split,
// garbage, memory writes good and bad, who answers, and reproducible sites.
#include <gtest/gtest.h>

#include "sim/line_timing.h"
#include "sim/regulator_bus.h"
#include "tests/sim/sim_test_support.h"

namespace solwire::sim {
namespace {

using testing::ask;
using testing::at;
using testing::bytes;
using testing::Bytes;
using testing::send;

class LineTraffic : public ::testing::Test {
 protected:
  RegulatorBus bus{11};
  RegulatorSite& five = bus.addSite(5, 6);
  RegulatorSite& six = bus.addSite(6, 23);
};

TEST_F(LineTraffic, OnlyTheAddressedRegulatorAnswers) {
  const auto replies = send(bus, bytes({0xC5, 'N'}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].site, 5);
  EXPECT_EQ(replies[0].bytes.size(), 27u);
  EXPECT_EQ(replies[0].bytes[0], 6);
  EXPECT_EQ(replies[0].delay, kReplyTurnaround);
  EXPECT_EQ(ask(bus, 6, 'N').front(), 23);

  EXPECT_TRUE(send(bus, bytes({0xC9, 'N'})).empty());  // nobody at 9
  EXPECT_EQ(bus.site(9), nullptr);
  EXPECT_EQ(bus.site(32), nullptr);
  EXPECT_EQ(bus.site(-1), nullptr);
  bus.removeSite(6);
  EXPECT_TRUE(send(bus, bytes({0xC6, 'V'})).empty());
}

TEST_F(LineTraffic, EveryReadCommandGetsItsReplyLength) {
  EXPECT_EQ(ask(bus, 5, 'N').size(), 27u);
  EXPECT_EQ(ask(bus, 5, '~').size(), 33u);
  EXPECT_EQ(ask(bus, 5, '}').size(), 33u);
  EXPECT_EQ(ask(bus, 5, 0x20).size(), 49u);
  EXPECT_EQ(ask(bus, 5, 0x27).size(), 49u);
  EXPECT_EQ(ask(bus, 5, 'V').size(), 5u);
  for (int unknown : std::initializer_list<int>{0x1F, 0x28, 'A', 'n', 0x00, 0xFF})
    EXPECT_TRUE(ask(bus, 5, unknown).empty()) << unknown;
}

TEST_F(LineTraffic, FramesArriveInAnySplit) {
  EXPECT_TRUE(send(bus, bytes({0xC5})).empty());
  const auto replies = send(bus, bytes({'~'}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].bytes.size(), 33u);
  EXPECT_EQ(replies[0].requestEnd, 1u);

  // A write arriving a byte at a time, then a read in the same call as its last byte.
  for (int b : {0xC5, 0xA5, 0x10}) EXPECT_TRUE(send(bus, bytes({b})).empty());
  EXPECT_TRUE(send(bus, bytes({0x96})).empty());
  const auto afterWrite = send(bus, bytes({0xE5, 0xC5, '~'}));
  ASSERT_EQ(afterWrite.size(), 1u);
  EXPECT_EQ(afterWrite[0].requestEnd, 3u);
  EXPECT_EQ(five.memory()[16], 0x96);
  const Bytes& settings = afterWrite[0].bytes;
  EXPECT_EQ(Bytes(settings.begin() + 1, settings.begin() + 3), bytes({0x69, 0x66}));
}

TEST_F(LineTraffic, SeveralRequestsInOneCallAnswerInLineOrder) {
  const auto replies = send(bus, bytes({0xC6, 'V', 0x00, 0xC5, 'N', 0xC9, 'N', 0xC6, 0x21}));
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0].site, 6);
  EXPECT_EQ(replies[0].bytes.size(), 5u);
  EXPECT_EQ(replies[0].requestEnd, 2u);
  EXPECT_EQ(replies[1].site, 5);
  EXPECT_EQ(replies[1].requestEnd, 5u);
  EXPECT_EQ(replies[2].site, 6);
  EXPECT_EQ(replies[2].bytes.size(), 49u);
  EXPECT_EQ(replies[2].requestEnd, 9u);
}

TEST_F(LineTraffic, GarbageAndBrokenFramesAreSkipped) {
  // Noise, a stray command byte, a site byte without a command, then a request.
  auto replies = send(bus, bytes({0x00, 0x4E, 0xFF, 0xA5, 0xC5, 0xC5, 'N'}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].requestEnd, 7u);

  // A site byte with an unknown command is dropped; the next frame still counts.
  replies = send(bus, bytes({0xC5, 'Q', 0xC6, 'N'}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].site, 6);

  // A write cut short by a new request: the request is still heard when it ends.
  const auto memoryBefore = five.memory();
  EXPECT_TRUE(send(bus, bytes({0xC5, 0xA5, 0x10})).empty());
  replies = send(bus, bytes({0xC5, 'N'}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].requestEnd, 2u);
  // A write whose address byte turns out to be a site byte.
  replies = send(bus, bytes({0xC5, 0xA5, 0xC6, 'V'}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].site, 6);
  EXPECT_EQ(five.memory(), memoryBefore);
}

TEST_F(LineTraffic, WritesChangeMemoryOfTheAddressedSiteOnly) {
  const auto sixBefore = six.memory();
  // Calibration O of channel 2, then the last settings byte.
  EXPECT_TRUE(send(bus, bytes({0xC5, 0xA5, 0x05, 0x7F, 0xE5})).empty());
  EXPECT_TRUE(send(bus, bytes({0xC5, 0xA5, 0x1F, 0x00, 0xE5})).empty());
  EXPECT_EQ(five.memory()[5], 0x7F);
  EXPECT_EQ(five.memory()[31], 0x00);
  EXPECT_EQ(six.memory(), sixBefore);

  const Bytes calibration = ask(bus, 5, '}');
  EXPECT_EQ(Bytes(calibration.begin() + 11, calibration.begin() + 13), bytes({0x67, 0x6F}));  // P6
  const Bytes settings = ask(bus, 5, '~');
  EXPECT_EQ(Bytes(settings.begin() + 31, settings.end()), bytes({0x60, 0x60}));  // P16

  // A write to an empty site changes nothing anywhere.
  EXPECT_TRUE(send(bus, bytes({0xC9, 0xA5, 0x05, 0x01, 0xE9})).empty());
  EXPECT_EQ(five.memory()[5], 0x7F);
}

TEST_F(LineTraffic, MalformedWritesAreIgnored) {
  const auto before = five.memory();
  EXPECT_TRUE(send(bus, bytes({0xC5, 0xA5, 0x10, 0x96, 0xE4})).empty());  // trailer of site 4
  EXPECT_TRUE(send(bus, bytes({0xC5, 0xA5, 0x10, 0x96, 0xC5})).empty());  // trailer missing
  EXPECT_TRUE(send(bus, bytes({0xC5, 0xA5, 0x20, 0x96, 0xE5})).empty());  // address 32
  EXPECT_EQ(five.memory(), before);
  // The line has recovered: a good write still lands.
  send(bus, bytes({0xC5, 0xA5, 0x10, 0x96, 0xE5}));
  EXPECT_EQ(five.memory()[16], 0x96);
}

TEST(RegulatorBusSeed, SameSeedGivesTheSameLine) {
  RegulatorBus first(7);
  RegulatorBus second(7);
  first.addSite(0, 2);
  first.addSite(31, 17);
  second.addSite(31, 17);  // the order of adding does not matter
  second.addSite(0, 2);
  for (int site : {0, 31}) {
    for (int command : std::initializer_list<int>{'N', '~', '}', 'V', 0x20, 0x23, 0x27}) {
      for (int hour : {3, 9, 12, 19}) {
        EXPECT_EQ(ask(first, site, command, at(hour)), ask(second, site, command, at(hour)))
            << site << " " << command << " " << hour;
      }
    }
  }
}

TEST(RegulatorBusSeed, SitesDifferBySeedAndNumberAndStartAfresh) {
  RegulatorBus one(1);
  RegulatorBus two(2);
  EXPECT_NE(one.addSite(4, 6).memory(), two.addSite(4, 6).memory());
  EXPECT_NE(one.addSite(5, 6).memory(), one.site(4)->memory());
  EXPECT_NE(one.site(4)->history(), two.site(4)->history());

  const auto fresh = one.site(4)->memory();
  send(one, bytes({0xC4, 0xA5, 0x10, 0x00, 0xE4}));
  EXPECT_NE(one.site(4)->memory(), fresh);
  EXPECT_EQ(one.addSite(4, 6).memory(), fresh);  // re-adding puts a new regulator there

  EXPECT_THROW(one.addSite(32, 6), std::out_of_range);
  EXPECT_THROW(one.addSite(-1, 6), std::out_of_range);
  EXPECT_THROW(one.addSite(3, 32), std::out_of_range);
}

TEST(LineTime, TenBitsPerByteRoundedUpToTheMicrosecond) {
  using std::chrono::microseconds;
  EXPECT_EQ(lineTime(27, 2400), microseconds(112'500));
  EXPECT_EQ(lineTime(2, 1200), microseconds(16'667));
  EXPECT_EQ(lineTime(1, 110), microseconds(90'910));
  EXPECT_EQ(lineTime(49, 300), microseconds(1'633'334));
  EXPECT_EQ(lineTime(0, 9600), microseconds(0));
  EXPECT_THROW(lineTime(1, 0), std::invalid_argument);
}

}  // namespace
}  // namespace solwire::sim
