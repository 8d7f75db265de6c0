// TDataPacket and its manager on a port over an in-memory line.
#include <gtest/gtest.h>

#include "serial/data_packet.h"
#include "serial/data_packet_manager.h"
#include "serial_test_support.h"

namespace solwire {
namespace {

std::string reply(char first, std::size_t size = 27) {
  std::string r;
  for (std::size_t i = 0; i < size; ++i) r.push_back(static_cast<char>(first + i % 20));
  return r;
}

// datapack1 as the program sets it up, on an open port. The port's own
// OnTriggerAvail handler only counts notifications (it reads nothing), so
// that the test can wait until the manager has seen each write.
class DataPacketTest : public testing::PortTest {
 protected:
  DataPacketTest() {
    port->OnTriggerAvail = [this](TComPort&, std::uint16_t) { ++notifications; };
    configure(datapack1);
    datapack1.OnPacket = [this](ReplyMatcher&, const std::uint8_t* data, std::int32_t size) {
      packets.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    };
    datapack1.OnTimeout = [this](ReplyMatcher&) { ++timeouts; };
  }

  void configure(TDataPacket& p) {
    p.setComPort(port.get());
    p.setStartCond(StartCondition::scAnyData);
    p.setEndCond(ecPacketSize);
    p.setAutoEnable(false);
    p.setPacketSize(27);
    p.setTimeOut(150);
  }

  // Writes bytes from the far end and waits until the port has seen them.
  void arrive(const std::string& bytes) {
    const int wanted = notifications + 1;
    line->write(bytes);
    ASSERT_TRUE(pump([&] { return notifications >= wanted; }));
  }

  TDataPacket datapack1;
  std::vector<std::string> packets;
  int timeouts = 0;
  int notifications = 0;
};

TEST_F(DataPacketTest, AReplySplitOverSeveralReadsIsDeliveredOnceWhole) {
  port->setOpen(true);
  datapack1.setEnabled(true);
  const std::string r = reply('A');
  arrive(r.substr(0, 10));
  arrive(r.substr(10, 10));
  EXPECT_TRUE(packets.empty());
  arrive(r.substr(20));
  ASSERT_TRUE(pump([&] { return packets.size() == 1; }));
  EXPECT_EQ(packets[0], r);
  EXPECT_FALSE(datapack1.Enabled());  // AutoEnable false: idle until enabled again
  arrive(reply('a'));
  EXPECT_EQ(packets.size(), 1u);
}

TEST_F(DataPacketTest, BytesBeforeEnablingAndAfterThePacketAreNotPartOfAReply) {
  port->setOpen(true);
  arrive("garbage");
  datapack1.setEnabled(true);
  const std::string r = reply('A');
  arrive(r + "xyz");  // byte 28 onward in the same burst
  ASSERT_TRUE(pump([&] { return packets.size() == 1; }));
  EXPECT_EQ(packets[0], r);
  EXPECT_EQ(port->packetManager().bufferedBytes(), 0u);  // nobody waits for them
  datapack1.setEnabled(true);
  const std::string next = reply('a');
  arrive(next);
  ASSERT_TRUE(pump([&] { return packets.size() == 2; }));
  EXPECT_EQ(packets[1], next);
}

TEST_F(DataPacketTest, TimeOutRunsFromEnablingAndDiscardsThePartialReply) {
  port->setOpen(true);
  datapack1.setEnabled(true);
  clock.advance(8000);
  arrive("12345");
  clock.advance(250);  // 150 ticks = 8250 ms after enabling
  fence();
  EXPECT_EQ(timeouts, 0);
  clock.advance(1);  // just after
  ASSERT_TRUE(pump([&] { return timeouts == 1; }));
  EXPECT_FALSE(datapack1.Enabled());
  EXPECT_EQ(port->packetManager().bufferedBytes(), 0u);
  EXPECT_TRUE(packets.empty());
  // The next request is not confused by the old bytes, nor by the old time-out.
  datapack1.setEnabled(true);
  const std::string r = reply('K');
  arrive(r);
  ASSERT_TRUE(pump([&] { return packets.size() == 1; }));
  EXPECT_EQ(packets[0], r);
  clock.advance(20'000);
  fence();
  EXPECT_EQ(timeouts, 1);
}

TEST_F(DataPacketTest, ARequestInFlightWhenTheDeviceGoesEndsInATimeOut) {
  int lost = 0;
  port->OnDeviceLost = [&](TComPort&) { ++lost; };
  port->setOpen(true);
  datapack1.setEnabled(true);
  arrive("12345");
  line->hangUp();
  ASSERT_TRUE(pump([&] { return lost == 1; }));
  clock.advance(8251);
  ASSERT_TRUE(pump([&] { return timeouts == 1; }));
  EXPECT_TRUE(packets.empty());
}

TEST_F(DataPacketTest, ReEnablingInsideOnPacketGoesOnWithTheFollowingBytes) {
  datapack1.OnPacket = [this](ReplyMatcher& sender, const std::uint8_t* data, std::int32_t size) {
    packets.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    if (packets.size() == 1) sender.setEnabled(true);
  };
  port->setOpen(true);
  datapack1.setEnabled(true);
  const std::string first = reply('A');
  const std::string second = reply('a');
  arrive(first + second);
  ASSERT_TRUE(pump([&] { return packets.size() == 2; }));
  EXPECT_EQ(packets[0], first);
  EXPECT_EQ(packets[1], second);
}

TEST_F(DataPacketTest, ABurstOfRepliesIsDeliveredInOrderWithAutoEnable) {
  datapack1.setAutoEnable(true);
  port->setOpen(true);
  datapack1.setEnabled(true);
  std::string burst;
  for (char c = 'A'; c < 'A' + 10; ++c) burst += reply(c);
  arrive(burst + "half");
  ASSERT_TRUE(pump([&] { return packets.size() == 10; }));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(packets[static_cast<std::size_t>(i)], reply(static_cast<char>('A' + i)));
  EXPECT_TRUE(datapack1.Enabled());
  EXPECT_EQ(port->packetManager().bufferedBytes(), 4u);  // the start of the next reply
  arrive(reply('x').substr(4));
  ASSERT_TRUE(pump([&] { return packets.size() == 11; }));
  EXPECT_EQ(packets[10], "half" + reply('x').substr(4));
}

TEST_F(DataPacketTest, EnabledWhileThePortIsClosedStartsMatchingAtOpen) {
  EXPECT_NO_THROW(datapack1.setEnabled(true));
  EXPECT_TRUE(datapack1.Enabled());
  port->setOpen(true);
  const std::string r = reply('Q');
  arrive(r);
  ASSERT_TRUE(pump([&] { return packets.size() == 1; }));
  EXPECT_EQ(packets[0], r);
}

TEST_F(DataPacketTest, InconsistentSettingsRaiseInvalidPropertyAndLeaveThePacketDisabled) {
  port->setOpen(true);
  auto codeOf = [&](TDataPacket& p) {
    try {
      p.setEnabled(true);
    } catch (const EInvalidProperty& e) {
      EXPECT_FALSE(p.Enabled());
      return e.code();
    }
    return 0;
  };
  TDataPacket p(*port);
  p.setStartCond(StartCondition::scAnyData);
  p.setEndCond(0);
  EXPECT_EQ(codeOf(p), -5503);
  p.setStartCond(StartCondition::scString);
  EXPECT_EQ(codeOf(p), -5501);
  p.setStartString("$GP");
  p.setEndCond(ecPacketSize);
  p.setPacketSize(2);
  EXPECT_EQ(codeOf(p), -5502);
  p.setEndCond(ecString);
  EXPECT_EQ(codeOf(p), -5504);
  p.setStartCond(StartCondition::scAnyData);
  p.setEndCond(ecPacketSize);
  p.setPacketSize(0);
  EXPECT_EQ(codeOf(p), -5505);
  try {
    p.setEnabled(true);
  } catch (const ECommException& e) {
    EXPECT_STREQ(e.what(), "Packet size cannot be zero");
  }
}

TEST_F(DataPacketTest, EndStringIgnoringCaseEndsAfterItsFirstOccurrence) {
  std::vector<std::string> strings;
  datapack1.setEndCond(ecString);
  datapack1.setEndString("OK");
  datapack1.OnStringPacket = [&](TDataPacket&, const std::string& data) { strings.push_back(data); };
  port->setOpen(true);
  datapack1.setEnabled(true);
  arrive("AT\r\r\nok\r\n");
  ASSERT_TRUE(pump([&] { return strings.size() == 1; }));
  EXPECT_EQ(strings[0], "AT\r\r\nok");
  EXPECT_EQ(packets, strings);  // OnPacket came with the same bytes
  EXPECT_EQ(port->packetManager().bufferedBytes(), 0u);
}

TEST_F(DataPacketTest, StartAndEndStringsWithWildcardsAndEscapes) {
  std::vector<std::string> strings;
  TDataPacket p(*port);
  p.setStartString("\\?#");  // a literal question mark, then '#'
  p.setEndCond(ecString);
  p.setEndString("E?D");
  p.setIgnoreCase(false);
  p.OnStringPacket = [&](TDataPacket&, const std::string& data) { strings.push_back(data); };
  port->setOpen(true);
  p.setEnabled(true);
  arrive("x#1 ?#ab eXd END ?#2E-D");  // case matters: "eXd" does not end it
  ASSERT_TRUE(pump([&] { return strings.size() == 2; }));
  EXPECT_EQ(strings[0], "?#ab eXd END");
  EXPECT_EQ(strings[1], "?#2E-D");  // AutoEnable (default) looked on in the same burst
}

TEST_F(DataPacketTest, EndStringSplitAcrossTwoReadsIsStillFound) {
  std::vector<std::string> strings;
  datapack1.setEndCond(ecString);
  datapack1.setEndString("\r\n");
  datapack1.OnStringPacket = [&](TDataPacket&, const std::string& data) { strings.push_back(data); };
  port->setOpen(true);
  datapack1.setEnabled(true);
  arrive("CONNECT 2400\r");
  EXPECT_TRUE(strings.empty());
  arrive("\nrest");
  ASSERT_TRUE(pump([&] { return strings.size() == 1; }));
  EXPECT_EQ(strings[0], "CONNECT 2400\r\n");
}

TEST_F(DataPacketTest, OnlyOnePacketCollectsAtATime) {
  std::vector<std::string> got1, got2;
  TDataPacket p1(*port), p2(*port);
  for (auto* p : {&p1, &p2}) {
    p->setEndCond(ecString);
    p->setEndString("\\?");
  }
  p1.setStartString("$");
  p2.setStartString("#");
  p1.OnStringPacket = [&](TDataPacket&, const std::string& d) { got1.push_back(d); };
  p2.OnStringPacket = [&](TDataPacket&, const std::string& d) { got2.push_back(d); };
  port->setOpen(true);
  p1.setEnabled(true);
  p2.setEnabled(true);
  arrive("$ab#cd?");  // p1 collects; p2's start inside it does not count
  ASSERT_TRUE(pump([&] { return got1.size() == 1; }));
  EXPECT_EQ(got1[0], "$ab#cd?");
  arrive("#x?");
  ASSERT_TRUE(pump([&] { return got2.size() == 1; }));
  EXPECT_EQ(got2[0], "#x?");
  EXPECT_EQ(got1.size(), 1u);
}

TEST_F(DataPacketTest, AnyDataPacketWaitsForTheLockAndCollectsWhenItIsReleased) {
  std::vector<std::string> lines;
  TDataPacket text(*port);
  text.setStartString("+");
  text.setEndCond(ecString);
  text.setEndString("\n");
  text.setAutoEnable(false);
  text.OnStringPacket = [&](TDataPacket&, const std::string& d) { lines.push_back(d); };
  port->setOpen(true);
  text.setEnabled(true);
  arrive("+RING");  // `text` holds the lock now
  datapack1.setEnabled(true);  // start pending
  arrive("\n");
  ASSERT_TRUE(pump([&] { return lines.size() == 1; }));
  const std::string r = reply('R');
  arrive(r);
  ASSERT_TRUE(pump([&] { return packets.size() == 1; }));
  EXPECT_EQ(packets[0], r);
}

TEST_F(DataPacketTest, ClosingThePortFromOnPacketIsSafe) {
  int closes = 0;
  port->OnPortClose = [&](TComPort&) { ++closes; };
  datapack1.OnPacket = [&](ReplyMatcher&, const std::uint8_t*, std::int32_t size) {
    packets.emplace_back(static_cast<std::size_t>(size), '.');
    if (packets.size() == 1) port->setOpen(false);
  };
  port->setOpen(true);
  datapack1.setEnabled(true);
  line->write(reply('Z') + "tail");
  ASSERT_TRUE(pump([&] { return closes == 1; }));
  EXPECT_EQ(packets.size(), 1u);
  EXPECT_FALSE(port->packetManager().active());
  port->setOpen(true);
  datapack1.setEnabled(true);
  arrive(reply('z'));
  ASSERT_TRUE(pump([&] { return packets.size() == 2; }));
}

// The packet's delivery waits for this thread when the port is closed or
// moved from outside its handlers: the packet stays enabled and waits for a
// reply on the reopened port.
TEST_F(DataPacketTest, ADeliveryDroppedByACloseOrMoveFromOutsideLeavesThePacketEnabled) {
  port->setOpen(true);
  datapack1.setEnabled(true);
  line->write(reply('A'));
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));  // the delivery waits for this thread
  port->setOpen(false);
  ui.processEvents();
  EXPECT_TRUE(packets.empty());
  EXPECT_TRUE(datapack1.Enabled());
  port->setOpen(true);
  arrive(reply('B'));
  ASSERT_TRUE(pump([&] { return packets.size() == 1; }));

  datapack1.setEnabled(true);
  line->write(reply('C'));
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));
  port->setDeviceFactory([this] { return lineB->makeDevice(); });
  EXPECT_TRUE(datapack1.Enabled());
  lineB->write(reply('D'));
  ASSERT_TRUE(pump([&] { return packets.size() == 2; }));
  EXPECT_EQ(packets, (std::vector<std::string>{reply('B'), reply('D')}));
}

// AutoEnable re-enables a packet whose own handler closed the port, reopened
// it or moved it to another device: it starts when the port opens.
TEST_F(DataPacketTest, AnAutoEnablePacketWhoseHandlerClosesOrMovesThePortStartsWhenItOpens) {
  int closes = 0;
  int opens = 0;
  port->OnPortClose = [&](TComPort&) { ++closes; };
  port->OnPortOpen = [&](TComPort&) { ++opens; };
  datapack1.setAutoEnable(true);
  datapack1.OnPacket = [&](ReplyMatcher&, const std::uint8_t* data, std::int32_t size) {
    packets.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    if (packets.size() == 1) {
      port->setOpen(false);
      port->setOpen(true);
    } else if (packets.size() == 2) {
      port->setDeviceFactory([this] { return lineB->makeDevice(); });
    } else if (packets.size() == 3) {
      port->setOpen(false);
    }
  };
  port->setOpen(true);
  datapack1.setEnabled(true);
  line->write(reply('A'));
  ASSERT_TRUE(pump([&] { return closes == 1 && opens == 2; }));
  EXPECT_TRUE(datapack1.Enabled());
  line->write(reply('B'));
  ASSERT_TRUE(pump([&] { return closes == 2 && opens == 3; }));
  EXPECT_TRUE(datapack1.Enabled());
  lineB->write(reply('C'));
  ASSERT_TRUE(pump([&] { return closes == 3; }));
  EXPECT_TRUE(datapack1.Enabled());
  port->setOpen(true);
  lineB->write(reply('D'));
  ASSERT_TRUE(pump([&] { return packets.size() == 4; }));
  EXPECT_EQ(packets, (std::vector<std::string>{reply('A'), reply('B'), reply('C'), reply('D')}));
}

TEST_F(DataPacketTest, APacketDestroyedByItsOnPacketHandlerGetsNoStringEvent) {
  auto p = std::make_unique<TDataPacket>(*port);
  p->setStartCond(StartCondition::scAnyData);
  p->setEndCond(ecPacketSize);
  p->setPacketSize(3);
  int strings = 0;
  p->OnPacket = [&](ReplyMatcher&, const std::uint8_t*, std::int32_t) { p.reset(); };
  p->OnStringPacket = [&](TDataPacket&, const std::string&) { ++strings; };
  port->setOpen(true);
  p->setEnabled(true);
  arrive("abc");
  ASSERT_TRUE(pump([&] { return p == nullptr; }));
  fence();
  EXPECT_EQ(strings, 0);
  EXPECT_EQ(port->packetManager().packetCount(), 1u);  // datapack1 only
}

// A handler that overruns the dispatch thread's wait (3000 ms, real time):
// the dispatch thread goes on, but starts no further delivery while the
// first is still running; the next packet follows once it has ended.
TEST_F(DataPacketTest, NoSecondDeliveryStartsWhileAnOverrunningHandlerStillRuns) {
  std::vector<std::string> got1, got2;
  TDataPacket p1(*port), p2(*port);
  for (auto* p : {&p1, &p2}) {
    p->setEndCond(ecPacketSize);
    p->setPacketSize(4);
    p->setAutoEnable(false);
  }
  p1.setStartString("A");
  p2.setStartString("B");
  testing::Counter movedOn;
  p1.OnStringPacket = [&](TDataPacket&, const std::string& d) {
    got1.push_back(d);
    EXPECT_TRUE(movedOn.waitFor(1));  // the dispatch thread has stopped waiting for this handler
  };
  p2.OnStringPacket = [&](TDataPacket&, const std::string& d) { got2.push_back(d); };
  port->setOpen(true);
  // Called on the dispatch thread after the packet manager, for the same bytes.
  port->dispatcher()->addTarget([&](const Notification& n) {
    if (n.code == notify::kDataAvailable) movedOn.add();
  });
  p1.setEnabled(true);
  p2.setEnabled(true);
  line->write("AAAABBBB");
  ASSERT_TRUE(pump([&] { return got2.size() == 1; }));
  EXPECT_EQ(got1, std::vector<std::string>{"AAAA"});
  EXPECT_EQ(got2, std::vector<std::string>{"BBBB"});
}

TEST_F(DataPacketTest, APacketDestroyedOrMovedToAnotherPortStopsMatching) {
  auto extra = std::make_unique<TDataPacket>(*port);
  extra->setStartCond(StartCondition::scAnyData);
  extra->setEndCond(ecPacketSize);
  extra->setPacketSize(3);
  port->setOpen(true);
  extra->setEnabled(true);
  EXPECT_EQ(port->packetManager().packetCount(), 2u);
  extra.reset();
  EXPECT_EQ(port->packetManager().packetCount(), 1u);
  datapack1.setComPort(nullptr);
  EXPECT_EQ(port->packetManager().packetCount(), 0u);
  arrive(reply('M'));
  EXPECT_TRUE(packets.empty());
}

}  // namespace
}  // namespace solwire
