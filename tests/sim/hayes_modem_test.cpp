#include "sim/hayes_modem.h"

#include <gtest/gtest.h>

#include <string>

namespace solwire::sim {
namespace {

using namespace std::chrono_literals;
using TimePoint = HayesModem::TimePoint;

class HayesModemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    options.answers = {{"555", DialAnswer::Busy}, {"556", DialAnswer::NoCarrier}, {"557", DialAnswer::NeverAnswer}};
    modem = HayesModem(options);
  }

  void type(std::string_view text) {
    modem.fromComputer({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, now);
  }
  void wait(std::chrono::milliseconds span) {
    now += span;
    modem.advance(now);
  }
  std::string heard() {
    const auto bytes = modem.takeToComputer();
    return std::string(bytes.begin(), bytes.end());
  }
  std::string passedOn() {
    const auto bytes = modem.takeToRemote();
    return std::string(bytes.begin(), bytes.end());
  }
  void connect() {
    type("ATDT0123\r\n");
    wait(options.connectDelay);
    ASSERT_TRUE(modem.dcd());
    heard();
  }

  HayesModemOptions options;
  HayesModem modem;
  TimePoint now{std::chrono::seconds(100)};
};

TEST_F(HayesModemTest, EchoesAndAnswersInVerboseOrNumericFormAndRefusesUnknownCommands) {
  type("AT&K0&Q0&D0\r\n");
  EXPECT_EQ(heard(), "AT&K0&Q0&D0\r\r\nOK\r\n\n") << "the command runs at CR; its LF is echoed after the result";
  type("ATE0V0\r");
  EXPECT_EQ(heard(), "ATE0V0\r0\r") << "the command line is echoed before E0 takes effect";
  type("ATJ\r");
  EXPECT_EQ(heard(), "4\r");
  type("hello\r");
  EXPECT_EQ(heard(), "") << "a line without AT is noise";
  type("atz\r");
  EXPECT_EQ(heard(), "\r\nOK\r\n");
}

TEST_F(HayesModemTest, ADialConnectsAfterTheDelayWithDcdAndThenCarriesDataBothWays) {
  type("ATDT0123\r\n");
  EXPECT_EQ(heard(), "ATDT0123\r");
  wait(options.connectDelay - 1ms);
  EXPECT_FALSE(modem.dcd());
  EXPECT_EQ(modem.nextDue(), now + 1ms);
  wait(1ms);
  EXPECT_TRUE(modem.dcd());
  EXPECT_EQ(heard(), "\r\nCONNECT 2400\r\n");
  EXPECT_EQ(modem.lastNumber(), "0123");

  type("\xC1\x4E");
  EXPECT_EQ(passedOn(), "\xC1\x4E");
  const std::string reply = "\xD0\xE0\xFF";
  modem.fromRemote({reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()});
  EXPECT_EQ(heard(), reply);
}

TEST_F(HayesModemTest, BusyNoCarrierAndSilenceAnswerAsTheirNumbersSay) {
  type("ATE0\r");
  heard();
  type("ATDT555\r");
  wait(options.failureDelay);
  EXPECT_EQ(heard(), "\r\nBUSY\r\n");
  type("ATDP 5-5-6\r");
  wait(options.failureDelay);
  EXPECT_EQ(heard(), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(modem.lastNumber(), "556");
  type("ATDT557\r");
  wait(600s);
  EXPECT_EQ(heard(), "");
  EXPECT_EQ(modem.mode(), HayesModem::Mode::Dialling);
  type("\r");
  EXPECT_EQ(heard(), "\r\nNO CARRIER\r\n") << "a key aborts the dial";
}

// The hang-up the program does: silence, "+++", silence, ATH0.
TEST_F(HayesModemTest, EscapeNeedsTheGuardTimeOnBothSidesThenAth0DropsTheCarrier) {
  connect();
  type("+++");
  wait(options.guardTime);
  EXPECT_EQ(heard(), "") << "no silence before the escape: it is data";
  EXPECT_EQ(passedOn(), "+++");

  wait(options.guardTime);
  type("+++");
  wait(options.guardTime / 2);
  type("x");
  wait(options.guardTime);
  EXPECT_EQ(heard(), "") << "data within the closing guard time cancels the escape";

  wait(options.guardTime);
  type("+");
  wait(options.guardTime + 1ms);
  type("++");
  wait(options.guardTime);
  EXPECT_EQ(heard(), "") << "pluses further apart than the guard time are data";

  wait(1650ms);
  type("+++");
  wait(1650ms);
  EXPECT_EQ(heard(), "\r\nOK\r\n");
  EXPECT_TRUE(modem.dcd()) << "the call stays up in command mode";
  type("ATH0\r\n");
  EXPECT_FALSE(modem.dcd());
  EXPECT_EQ(heard(), "ATH0\r\r\nOK\r\n\n");
  ASSERT_GE(modem.record().size(), 2u);
  const auto& record = modem.record();
  EXPECT_EQ(record[record.size() - 2].bytes, "+++");
  EXPECT_EQ(record.back().at - record[record.size() - 2].at, 1650ms);
}

TEST_F(HayesModemTest, TheFarEndHangingUpDropsDcdWithNoCarrier) {
  connect();
  modem.dropCarrier();
  EXPECT_FALSE(modem.dcd());
  EXPECT_EQ(heard(), "\r\nNO CARRIER\r\n");
  type("\xC1");
  EXPECT_EQ(passedOn(), "") << "back in command mode";
}

TEST_F(HayesModemTest, DroppingDtrEndsACallUnlessTheSetupSaidToIgnoreIt) {
  connect();
  modem.dtrDropped();
  EXPECT_FALSE(modem.dcd());
  EXPECT_EQ(modem.mode(), HayesModem::Mode::Command);

  type("AT&K0&Q0&D0\r");
  connect();
  modem.dtrDropped();
  EXPECT_TRUE(modem.dcd()) << "&D0: DTR is ignored";
}

}  // namespace
}  // namespace solwire::sim
