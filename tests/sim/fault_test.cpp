// Faults switched on per site, compared with the same site's healthy reply.
#include <gtest/gtest.h>

#include "sim/regulator_bus.h"
#include "tests/sim/sim_test_support.h"

namespace solwire::sim {
namespace {

using namespace std::chrono_literals;
using testing::ask;
using testing::bytes;
using testing::Bytes;
using testing::send;

class Faults : public ::testing::Test {
 protected:
  RegulatorBus bus{5};
  RegulatorSite& faulty = bus.addSite(2, 14);
  RegulatorSite& healthy = bus.addSite(3, 14);
  const std::array<int, 5> commands{'N', '~', '}', 0x24, 'V'};
};

TEST_F(Faults, SilentSiteNeverAnswersButStillTakesWrites) {
  faulty.setFault(Fault::Silent);
  for (int command : commands) EXPECT_TRUE(ask(bus, 2, command).empty()) << command;
  EXPECT_EQ(ask(bus, 3, 'N').size(), 27u);
  send(bus, bytes({0xC2, 0xA5, 0x11, 0x8C, 0xE2}));
  EXPECT_EQ(faulty.memory()[17], 0x8C);
}

TEST_F(Faults, ShortReplyLosesItsLastByte) {
  std::vector<Bytes> healthyReplies;
  for (int command : commands) healthyReplies.push_back(ask(bus, 2, command));
  faulty.setFault(Fault::ShortReply);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    Bytes expected = healthyReplies[i];
    expected.pop_back();
    EXPECT_EQ(ask(bus, 2, commands[i]), expected) << commands[i];
  }
}

TEST_F(Faults, CorruptTagPutsAWrongTagInByteOne) {
  const Bytes current = ask(bus, 2, 'N');
  const Bytes settings = ask(bus, 2, '~');
  faulty.setFault(Fault::CorruptTag);

  const Bytes badCurrent = ask(bus, 2, 'N');
  ASSERT_EQ(badCurrent.size(), 27u);
  EXPECT_EQ(badCurrent[1] >> 4, 0x3);
  EXPECT_EQ(badCurrent[1] & 0x0F, current[1] & 0x0F);
  EXPECT_EQ(Bytes(badCurrent.begin() + 2, badCurrent.end()),
            Bytes(current.begin() + 2, current.end()));
  EXPECT_EQ(badCurrent[0], current[0]);

  const Bytes badSettings = ask(bus, 2, '~');
  EXPECT_EQ(badSettings[1] >> 4, 0x7);
  EXPECT_EQ(Bytes(badSettings.begin() + 2, badSettings.end()),
            Bytes(settings.begin() + 2, settings.end()));
  EXPECT_EQ(ask(bus, 2, 0x20)[1] >> 4, 0xB);
  EXPECT_EQ(ask(bus, 2, 'V')[1] >> 4, 0xF);
}

TEST_F(Faults, TrailingBytesFollowAnIntactReply) {
  const Bytes alarms = ask(bus, 2, 'V');
  faulty.setFault(Fault::TrailingBytes);
  const Bytes withTail = ask(bus, 2, 'V');
  ASSERT_EQ(withTail.size(), alarms.size() + kTrailingByteCount);
  EXPECT_EQ(Bytes(withTail.begin(), withTail.begin() + 5), alarms);
}

TEST_F(Faults, LateReplyKeepsItsBytesAndComesLate) {
  const Bytes normal = ask(bus, 2, '}');
  faulty.setFault(Fault::LateReply, 6s);
  const auto replies = send(bus, bytes({0xC2, '}', 0xC3, '}'}));
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].delay, 6000ms);
  EXPECT_EQ(replies[0].bytes, normal);
  EXPECT_EQ(replies[1].delay, kReplyTurnaround);  // the neighbour is unaffected

  faulty.setFault(Fault::None);
  const auto cured = send(bus, bytes({0xC2, '}'}));
  ASSERT_EQ(cured.size(), 1u);
  EXPECT_EQ(cured[0].delay, kReplyTurnaround);
  EXPECT_EQ(faulty.fault(), Fault::None);
}

}  // namespace
}  // namespace solwire::sim
