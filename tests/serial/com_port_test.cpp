// TComPort on an in-memory line: opening and closing, operations, triggers
// and their events, and a device that disappears.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "serial/modem_status.h"
#include "serial/virtual_device_registry.h"
#include "serial_test_support.h"

namespace solwire {
namespace {

using testing::PortTest;
using testing::text;

TEST(ComPortClosed, OperationsRaiseCommNotOpenButCarrierAndDropDoNot) {
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  EXPECT_THROW(port.SendString("x"), ECommNotOpen);
  EXPECT_THROW(port.ReadChar(), ECommNotOpen);
  EXPECT_THROW(port.NewTimerTrigger(), ECommNotOpen);
  EXPECT_THROW(port.ArmTimerTrigger(8, 1, true), ECommNotOpen);
  EXPECT_THROW(port.FlushInput(), ECommNotOpen);
  EXPECT_FALSE(port.CarrierPresent());
  EXPECT_NO_THROW(port.DropTrigger(8));
  try {
    port.FlushOutput();
    FAIL();
  } catch (const ECommException& e) {
    EXPECT_EQ(e.code(), -2007);
    EXPECT_STREQ(e.what(), "ie_NOpen - device not open");
  }
}

TEST(ComPortClosed, NoPortSelectedAndMissingDevice) {
  QueueMainThread ui;
  TComPort port(ui);
  port.setPromptForPort(false);
  EXPECT_THROW(port.setOpen(true), ENoPortSelected);
  port.setDevicePath("/dev/solwire-no-such-device");
  EXPECT_THROW(port.setOpen(true), EBadId);
  EXPECT_FALSE(port.Open());
  port.setBufferFull(100);
  port.setBufferResume(50);
  port.setInSize(80);  // thresholds out of order now
  EXPECT_THROW(port.setOpen(true), EBadArgument);
}

// Callers match on the code and its message; the system's own words come
// alongside, on the exception and on the port until the next open.
TEST(ComPortClosed, AFailedOpenCarriesTheSystemsReasonBesideTheCodesMessage) {
  QueueMainThread ui;
  TComPort port(ui);
  port.setDevicePath("/dev/solwire-no-such-device");
  try {
    port.setOpen(true);
    FAIL() << "opened a missing device";
  } catch (const EBadId& e) {
    EXPECT_EQ(e.code(), -2001);
    EXPECT_STREQ(e.what(), "ie_BadId - Specified comport doesn't exist");
    EXPECT_EQ(e.systemReason(), "No such file or directory");
  }
  EXPECT_EQ(port.OpenFailureReason(), "No such file or directory");

  port.setDevicePath("/dev/null");  // opens, but is no terminal
  try {
    port.setOpen(true);
    FAIL() << "opened a device that is no terminal";
  } catch (const ECommException& e) {
    EXPECT_EQ(e.code(), -ENOTTY);
    EXPECT_EQ(e.systemReason(), std::strerror(ENOTTY));
  }
  EXPECT_EQ(port.OpenFailureReason(), std::strerror(ENOTTY));

  // Failures that are not the system's carry no words of it.
  port.setDevicePath("");
  port.setComNumber(0);
  try {
    port.setOpen(true);
    FAIL();
  } catch (const ENoPortSelected& e) {
    EXPECT_EQ(e.systemReason(), "");
  }
  EXPECT_EQ(port.OpenFailureReason(), "");
}

TEST_F(PortTest, ASuccessfulOpenClearsTheReasonOfAnEarlierFailure) {
  auto other = makePort(line);
  other->setOpen(true);
  EXPECT_THROW(port->setOpen(true), EAlreadyOpen);
  other->setOpen(false);
  port->setOpen(true);
  EXPECT_EQ(port->OpenFailureReason(), "");
}

TEST_F(PortTest, OpenProgramsTheLineAndTheOutputLines) {
  port->setBaud(2400);
  port->setRTS(false);
  bool opened = false;
  port->OnPortOpen = [&](TComPort&) { opened = true; };
  port->setOpen(true);
  EXPECT_TRUE(port->Open());
  EXPECT_TRUE(opened);
  EXPECT_EQ(line->lineSettings()->baud, 2400);
  EXPECT_TRUE(line->dtr());
  EXPECT_FALSE(line->rts());
  port->setBaud(9600);  // reprogrammed at once while open
  EXPECT_EQ(line->lineSettings()->baud, 9600);
}

TEST_F(PortTest, ADeviceInUseRaisesAlreadyOpenAndCanBeOpenedLater) {
  auto other = makePort(line);
  other->setOpen(true);
  EXPECT_THROW(port->setOpen(true), EAlreadyOpen);
  EXPECT_FALSE(port->Open());
  other->setOpen(false);
  EXPECT_NO_THROW(port->setOpen(true));
}

TEST_F(PortTest, SendStringQueuesWholeBlocksOnly) {
  port->setOutSize(16);
  port->setOpen(true);
  line->stallWrites(true);
  port->SendString("0123456789");
  EXPECT_THROW(port->SendString("abcdefg"), EOutputBufferTooSmall);
  EXPECT_EQ(port->OutBuffUsed(), 10u);  // nothing of the refused block was queued
  port->FlushOutput();  // abandons the stalled write
  EXPECT_EQ(port->OutBuffUsed(), 0u);
  line->stallWrites(false);
  port->SendString("ok");
  ASSERT_TRUE(line->waitForSent(2, testing::kPatience));
  EXPECT_EQ(text(line->takeSent()), "ok");
}

TEST_F(PortTest, ReadCharOnAnEmptyRingRaisesBufferIsEmpty) {
  port->setOpen(true);
  EXPECT_THROW(port->ReadChar(), EBufferIsEmpty);
}

TEST_F(PortTest, AvailHandlerThatReadsFewerBytesLeavesTheRestAndIsNotCalledAgainForThem) {
  std::vector<int> counts;
  std::string read;
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t count) {
    counts.push_back(count);
    read.push_back(static_cast<char>(p.ReadChar()));
    read.push_back(static_cast<char>(p.ReadChar()));
  };
  port->setOpen(true);
  line->write("abcdef");
  ASSERT_TRUE(pump([&] { return counts.size() == 1; }));
  EXPECT_EQ(counts[0], 6);
  EXPECT_EQ(port->InBuffUsed(), 4u);
  fence();
  EXPECT_EQ(counts.size(), 1u);  // no notification for the bytes left unread
  line->write("g");
  ASSERT_TRUE(pump([&] { return counts.size() == 2; }));
  EXPECT_EQ(counts[1], 5);
  EXPECT_EQ(read, "abcd");
  port->FlushInput();
  EXPECT_EQ(port->InBuffUsed(), 0u);
}

// A handler reads as many bytes as it is told are waiting; bytes flushed
// after the event was queued and before it ran are no longer there.
TEST_F(PortTest, BytesFlushedBeforeTheirAvailEventRunsAreNotOfferedToTheHandler) {
  std::vector<int> counts;
  int errors = 0;
  port->setErrorSink([&](std::exception_ptr) { ++errors; });
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t count) {
    counts.push_back(count);
    for (std::uint16_t i = 0; i < count; ++i) p.ReadChar();
  };
  port->setOpen(true);
  line->write("abc");
  const auto deadline = std::chrono::steady_clock::now() + testing::kPatience;
  while (port->InBuffUsed() < 3 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_EQ(port->InBuffUsed(), 3u) << "the bytes are in, their event not yet run";
  port->FlushInput();
  line->write("de");
  ASSERT_TRUE(pump([&] { return port->InBuffUsed() == 0 && !counts.empty(); }));
  fence();
  EXPECT_EQ(errors, 0) << "no handler read past what was waiting";
  EXPECT_EQ(counts, std::vector<int>{2});
}

TEST_F(PortTest, TimerTriggerFiresOnceAt24TicksAndZeroTicksReusesTheCount) {
  std::vector<std::uint16_t> fired;
  std::vector<std::uint16_t> generic;
  port->OnTrigger = [&](TComPort&, std::uint16_t msg, std::uint16_t handle, std::uint16_t) {
    if (msg == notify::kTimer) generic.push_back(handle);
  };
  port->OnTriggerTimer = [&](LinkPort&, std::uint16_t handle) { fired.push_back(handle); };
  port->setOpen(true);
  const std::uint16_t h = port->NewTimerTrigger();
  port->ArmTimerTrigger(h, 24, true);
  clock.advance(1320);  // 24 ticks: due just after this
  fence();
  EXPECT_TRUE(fired.empty());
  clock.advance(1);
  ASSERT_TRUE(pump([&] { return fired.size() == 1; }));
  EXPECT_EQ(generic, fired);  // OnTrigger comes first, for the same hit
  clock.advance(5000);
  fence();
  EXPECT_EQ(fired.size(), 1u);  // once per arming

  port->ArmTimerTrigger(h, 0, true);  // the last count again: 1320 ms
  clock.advance(1320);
  fence();
  EXPECT_EQ(fired.size(), 1u);
  clock.advance(1);
  ASSERT_TRUE(pump([&] { return fired.size() == 2; }));
  EXPECT_EQ(fired[1], h);
  port->DropTrigger(h);
  EXPECT_THROW(port->ArmTimerTrigger(h, 1, true), EBadTriggerHandle);
  EXPECT_THROW(port->DropTrigger(h), EBadTriggerHandle);
}

TEST_F(PortTest, ATimerReArmedBeforeItsEventIsDeliveredDoesNotFireEarly) {
  int fired = 0;
  std::uint16_t h = 0;
  port->OnTriggerTimer = [&](LinkPort&, std::uint16_t) { ++fired; };
  port->setOpen(true);
  h = port->NewTimerTrigger();
  port->ArmTimerTrigger(h, 1, true);
  clock.advance(56);  // due: its event waits in this thread's queue
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));
  port->ArmTimerTrigger(h, 100, true);  // re-armed before the event ran
  fence();
  EXPECT_EQ(fired, 0);
  clock.advance(5501);
  ASSERT_TRUE(pump([&] { return fired == 1; }));
}

TEST_F(PortTest, StatusTypeAboveFiveIsABadArgumentAndTimerHandlesAreNotStatusHandles) {
  port->setOpen(true);
  EXPECT_THROW(port->NewStatusTrigger(6), EBadArgument);
  const std::uint16_t status = port->NewStatusTrigger(1);
  EXPECT_EQ(status & 7, 1);
  EXPECT_THROW(port->ArmTimerTrigger(status, 10, true), EBadTriggerHandle);
}

TEST_F(PortTest, CarrierTriggerArmedWhileAbsentFiresOnceWhenItComes) {
  int modemEvents = 0;
  std::vector<bool> carrierSeen;
  port->OnTriggerModemStatus = [&](TComPort& p) {
    ++modemEvents;
    carrierSeen.push_back(p.CarrierPresent());
  };
  port->setOpen(true);
  EXPECT_FALSE(port->CarrierPresent());
  const std::uint16_t h = port->NewStatusTrigger(1);
  port->ArmStatusTrigger(h, modem::kDCD, true);
  line->setModemLines(modem::kCTS);  // another line: no hit
  fence();
  EXPECT_EQ(modemEvents, 0);
  line->setModemLines(modem::kCTS | modem::kDCD);
  ASSERT_TRUE(pump([&] { return modemEvents == 1; }));
  EXPECT_EQ(carrierSeen, std::vector<bool>{true});
  line->setModemLines(modem::kCTS);
  line->setModemLines(modem::kCTS | modem::kDCD);
  fence();
  EXPECT_EQ(modemEvents, 1);  // once per arming
}

TEST_F(PortTest, LineErrorTriggerReportsTheErrorBitsToItsOwnEventOnly) {
  std::uint16_t seen = 0;
  bool lineBreak = false;
  std::vector<std::uint16_t> genericData;
  port->OnTrigger = [&](TComPort&, std::uint16_t msg, std::uint16_t, std::uint16_t data) {
    if (msg == notify::kStatus) genericData.push_back(data);
  };
  port->OnTriggerLineError = [&](TComPort&, std::uint16_t error, bool brk) {
    seen = error;
    lineBreak = brk;
  };
  port->setOpen(true);
  const std::uint16_t h = port->NewStatusTrigger(2);
  port->ArmStatusTrigger(h, line_error::kFraming | line_error::kBreak, true);
  line->injectLineError(line_error::kBreak);
  ASSERT_TRUE(pump([&] { return seen != 0; }));
  EXPECT_EQ(seen, line_error::kBreak);
  EXPECT_TRUE(lineBreak);
  EXPECT_EQ(genericData, std::vector<std::uint16_t>{0});  // OnTrigger's Data is 0 for a line error
}

TEST_F(PortTest, CloseAndReopenKeepsArmedTimersWithTheirFirstExpiry) {
  std::vector<std::uint16_t> fired;
  int closes = 0;
  port->OnTriggerTimer = [&](LinkPort&, std::uint16_t handle) { fired.push_back(handle); };
  port->OnPortClose = [&](TComPort&) { ++closes; };
  port->setOpen(true);
  const std::uint16_t h = port->NewTimerTrigger();
  port->ArmTimerTrigger(h, 24, true);
  clock.advance(500);
  port->setOpen(false);
  EXPECT_EQ(closes, 1);
  clock.advance(500);
  port->setOpen(true);
  const std::uint16_t another = port->NewTimerTrigger();
  EXPECT_NE(another, h);
  clock.advance(320);
  fence();
  EXPECT_TRUE(fired.empty());
  clock.advance(1);
  ASSERT_TRUE(pump([&] { return fired.size() == 1; }));
  EXPECT_EQ(fired[0], h);
}

TEST_F(PortTest, ATimerThatFellDueWhileClosedFiresRightAfterTheReopen) {
  std::vector<std::uint16_t> fired;
  port->OnTriggerTimer = [&](LinkPort&, std::uint16_t handle) { fired.push_back(handle); };
  port->setOpen(true);
  const std::uint16_t h = port->NewTimerTrigger();
  // The restored trigger is due at once; its hit must not come before the
  // port listens again. Several rounds, because the dispatch thread races
  // the rest of the open for it.
  for (std::size_t round = 1; round <= 60; ++round) {
    port->ArmTimerTrigger(h, 2, true);
    port->setOpen(false);
    clock.advance(111);
    port->setOpen(true);
    ASSERT_TRUE(pump([&] { return fired.size() == round; })) << "round " << round;
  }
  EXPECT_EQ(fired, std::vector<std::uint16_t>(60, h));
}

// A hit that has fired and waits for this thread when the port is closed or
// moved from outside its handlers stays armed in the saved copy, and fires
// once the port listens again.
TEST_F(PortTest, HitsWaitingForTheMainThreadSurviveACloseOrComNumberChangeFromOutside) {
  port = makeComPort();
  std::vector<std::uint16_t> fired;
  int modemEvents = 0;
  port->OnTriggerTimer = [&](LinkPort&, std::uint16_t handle) { fired.push_back(handle); };
  port->OnTriggerModemStatus = [&](TComPort&) { ++modemEvents; };
  port->setOpen(true);
  const std::uint16_t timer = port->NewTimerTrigger();

  port->ArmTimerTrigger(timer, 1, true);
  clock.advance(56);
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));  // the hit waits for this thread
  port->setOpen(false);
  ui.processEvents();
  EXPECT_TRUE(fired.empty());
  port->setOpen(true);
  ASSERT_TRUE(pump([&] { return fired.size() == 1; }));

  port->ArmTimerTrigger(timer, 1, true);
  clock.advance(56);
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));
  port->setComNumber(2);
  ASSERT_TRUE(lineB->portOpen());
  ASSERT_TRUE(pump([&] { return fired.size() == 2; }));

  const std::uint16_t carrier = port->NewStatusTrigger(1);
  port->ArmStatusTrigger(carrier, modem::kDCD, true);
  lineB->setModemLines(modem::kDCD);
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));
  port->setOpen(false);
  ui.processEvents();
  EXPECT_EQ(modemEvents, 0);
  port->setOpen(true);
  ASSERT_TRUE(pump([&] { return modemEvents == 1; }));

  fence();  // and each hit came once
  EXPECT_EQ(fired, (std::vector<std::uint16_t>{timer, timer}));
  EXPECT_EQ(modemEvents, 1);
}

TEST_F(PortTest, BaudZeroAtOpenKeepsTheLinesCurrentSpeed) {
  port->setBaud(0);
  port->setOpen(true);
  EXPECT_EQ(line->lineSettings()->baud, InMemoryLine::kInitialBaud);
  port->setOpen(false);
  port->setBaud(2400);
  port->setOpen(true);
  port->setOpen(false);
  port->setBaud(0);
  port->setOpen(true);
  EXPECT_EQ(line->lineSettings()->baud, 2400);
  EXPECT_EQ(port->Baud(), 0);
}

TEST_F(PortTest, ComNumberChangeReopensOnTheNewDeviceAndKeepsHandles) {
  auto lineB = InMemoryLine::create();
  VirtualDeviceRegistry registry;
  registry.add("line-a", [this] { return line->makeDevice(); });
  registry.add("line-b", [lineB] { return lineB->makeDevice(); });
  PortNames names([](int n) { return std::optional<std::string>(n == 1 ? "line-a" : "line-b"); });
  TComPort p(ui, DeviceDirectory(names, &registry), clock);
  std::vector<std::uint16_t> fired;
  p.OnTriggerTimer = [&](LinkPort&, std::uint16_t handle) { fired.push_back(handle); };
  p.setComNumber(1);
  p.setOpen(true);
  ASSERT_TRUE(line->portOpen());
  const std::uint16_t timer = p.NewTimerTrigger();
  const std::uint16_t status = p.NewStatusTrigger(1);
  p.ArmTimerTrigger(timer, 2, true);
  p.setComNumber(2);
  EXPECT_TRUE(p.Open());
  EXPECT_FALSE(line->portOpen());
  EXPECT_TRUE(lineB->portOpen());
  EXPECT_NO_THROW(p.ArmStatusTrigger(status, modem::kDCD, true));
  clock.advance(111);
  ASSERT_TRUE(ui.runUntil([&] { return fired.size() == 1; }, testing::kPatience));
  EXPECT_EQ(fired[0], timer);
  EXPECT_NO_THROW(p.DropTrigger(timer));
}

TEST_F(PortTest, ClosingFromInsideAHandlerIsDeferredAndAReopenRequestedMeanwhileRuns) {
  int closes = 0;
  int opens = 0;
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t) {
    p.setOpen(false);
    EXPECT_FALSE(p.Open());
    p.setOpen(true);  // remembered until the close has completed
  };
  port->OnPortClose = [&](TComPort&) { ++closes; };
  port->OnPortOpen = [&](TComPort&) { ++opens; };
  port->setOpen(true);
  line->write("x");
  ASSERT_TRUE(pump([&] { return closes == 1 && opens == 2; }));
  EXPECT_TRUE(port->Open());
  EXPECT_TRUE(line->portOpen());
}

TEST_F(PortTest, AnOpenFromOnPortCloseSatisfiesAReopenRequestedInsideAHandler) {
  int closes = 0;
  int opens = 0;
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t) {
    p.setOpen(false);
    p.setOpen(true);  // pending until the close has completed
  };
  port->OnPortClose = [&](TComPort& p) {
    ++closes;
    p.setOpen(true);  // opens now: the pending open has nothing left to do
  };
  port->OnPortOpen = [&](TComPort&) { ++opens; };
  port->setOpen(true);
  line->write("x");
  ASSERT_TRUE(pump([&] { return closes == 1 && opens == 2; }));
  fence();
  EXPECT_EQ(opens, 2);
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_TRUE(port->Open());
  line->write("y");  // the port that is open is the one that listens
  ASSERT_TRUE(pump([&] { return closes == 2 && opens == 3; }));
}

TEST_F(PortTest, ClosingFromOutsideTheHandlersIsImmediateAndDropsAnEventStillQueued) {
  int avail = 0;
  int closes = 0;
  port->OnTriggerAvail = [&](TComPort&, std::uint16_t) { ++avail; };
  port->OnPortClose = [&](TComPort&) { ++closes; };
  port->setOpen(true);
  line->write("x");
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));  // the event waits for this thread
  port->setOpen(false);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(line->portOpen());
  ui.processEvents();
  EXPECT_EQ(avail, 0);
  port->setOpen(true);  // and it opens again at once
  EXPECT_TRUE(port->Open());
}

TEST_F(PortTest, APortDestroyedWithItsWorkStillQueuedLeavesNothingThatRunsLater) {
  int avail = 0;
  port->OnTriggerAvail = [&](TComPort&, std::uint16_t) { ++avail; };
  port->setOpen(true);
  line->write("x");
  ASSERT_TRUE(ui.waitForTask(testing::kPatience));  // its event waits for this thread
  port.reset();
  EXPECT_FALSE(line->portOpen());
  ui.processEvents();
  EXPECT_EQ(avail, 0);

  // Closed from inside a handler: the end of the close is still to come when it goes.
  port = makePort(line);
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t) {
    ++avail;
    p.setOpen(false);
  };
  port->setOpen(true);
  line->write("y");
  ASSERT_TRUE(pump([&] { return avail == 1; }));
  port.reset();
  EXPECT_FALSE(line->portOpen());
  ui.processEvents();  // what its threads posted before they were joined
  EXPECT_EQ(avail, 1);
}

TEST_F(PortTest, AnExceptionFromAHandlerGoesToTheErrorSinkAndThePortCarriesOn) {
  int calls = 0;
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t) {
    ++calls;
    p.ReadChar();
    throw std::runtime_error("handler failed");
  };
  port->setOpen(true);
  line->write("a");
  ASSERT_TRUE(pump([&] { return calls == 1; }));
  line->write("b");
  ASSERT_TRUE(pump([&] { return calls == 2; }));
  EXPECT_EQ(errors, (std::vector<std::string>{"handler failed", "handler failed"}));
}

TEST_F(PortTest, ADeviceThatDisappearsIsReportedOnceWithoutSpinningAndCanBeReopened) {
  int lost = 0;
  std::vector<std::uint16_t> fired;
  std::string received;
  port->OnDeviceLost = [&](TComPort&) { ++lost; };
  port->OnTriggerTimer = [&](LinkPort&, std::uint16_t handle) { fired.push_back(handle); };
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t count) {
    for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(p.ReadChar()));
  };
  port->setOpen(true);
  const std::uint16_t timer = port->NewTimerTrigger();
  line->hangUp();
  ASSERT_TRUE(pump([&] { return lost == 1; }));
  EXPECT_TRUE(port->DeviceLost());
  const auto waits = line->waitReturns();
  port->SendString("\xC5N");  // goes nowhere, and does not make anything spin
  port->ArmTimerTrigger(timer, 24, true);
  clock.advance(1321);
  ASSERT_TRUE(pump([&] { return fired.size() == 1; }));  // time-outs still work
  fence();
  EXPECT_EQ(lost, 1);
  EXPECT_LE(line->waitReturns() - waits, 1u);  // the event thread sleeps

  port->setOpen(false);
  EXPECT_THROW(port->setOpen(true), EBadId);  // still gone
  line->restore();
  port->setOpen(true);
  EXPECT_FALSE(port->DeviceLost());
  line->write("back");
  ASSERT_TRUE(pump([&] { return received == "back"; }));
}

TEST_F(PortTest, ADeviceLostWithoutAHandlerGoesToTheErrorSink) {
  port->OnTriggerAvail = [](TComPort&, std::uint16_t) {};
  port->setOpen(true);
  line->hangUp();
  ASSERT_TRUE(pump([&] { return !errors.empty(); }));
  EXPECT_NE(errors[0].find("has gone"), std::string::npos);
}

TEST_F(PortTest, AReadErrorCountsAsNothingRead) {
  std::string received;
  port->OnTriggerAvail = [&](TComPort& p, std::uint16_t count) {
    for (int i = 0; i < count; ++i) received.push_back(static_cast<char>(p.ReadChar()));
  };
  port->setOpen(true);
  line->failNextRead();
  line->write("ab");
  line->write("c");
  ASSERT_TRUE(pump([&] { return received == "abc"; }));
  EXPECT_FALSE(port->DeviceLost());
}

}  // namespace
}  // namespace solwire
