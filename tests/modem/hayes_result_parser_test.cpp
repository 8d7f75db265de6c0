#include "modem/hayes_result_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace solwire {
namespace {

struct Seen {
  std::vector<HayesResult> results;
  std::vector<std::optional<long>> speeds;
  std::string data;  // what followed a CONNECT
  bool operator==(const Seen&) const = default;
};

// Feeds the stream in the given pieces, as a dialler would: parser until a
// CONNECT, then everything else is data.
Seen feedInPieces(const std::string& stream, const std::vector<std::size_t>& cuts) {
  HayesResultParser parser;
  Seen seen;
  bool connected = false;
  bool dropLineFeed = false;
  std::size_t start = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(stream.size());
  for (std::size_t end : ends) {
    std::string_view piece(stream.data() + start, end - start);
    start = end;
    if (connected) {
      if (dropLineFeed && !piece.empty() && piece.front() == '\n') piece.remove_prefix(1);
      if (!piece.empty()) dropLineFeed = false;
      seen.data += piece;
      continue;
    }
    const HayesFeed feed = parser.feed(piece);
    for (const HayesEvent& event : feed.events) {
      seen.results.push_back(event.result);
      seen.speeds.push_back(event.speed);
      connected = connected || event.result == HayesResult::Connect;
    }
    if (connected) {
      dropLineFeed = feed.lineFeedMayFollow;
      seen.data += piece.substr(feed.consumed);
    }
  }
  return seen;
}

// Every way of cutting the stream in two and three pieces gives what one
// piece gives.
void expectSameAtEverySplit(const std::string& stream, const Seen& expected) {
  ASSERT_EQ(feedInPieces(stream, {}), expected) << "whole";
  for (std::size_t a = 0; a <= stream.size(); ++a) {
    ASSERT_EQ(feedInPieces(stream, {a}), expected) << "cut at " << a;
    for (std::size_t b = a; b <= stream.size(); b += 3) ASSERT_EQ(feedInPieces(stream, {a, b}), expected);
  }
}

using R = HayesResult;

TEST(HayesResultParser, VerboseWithEchoRingNoiseAndAConnectSpeedThenData) {
  const std::string stream = "ATZ\r\r\nOK\r\nATDT5551234\r\r\nRING\r\nCARRIER 2400\r\n\r\nCONNECT 2400/ARQ\r\n\xC0\xFF\r\n";
  expectSameAtEverySplit(stream, Seen{{R::Ok, R::Ring, R::Connect}, {std::nullopt, std::nullopt, 2400}, "\xC0\xFF\r\n"});
}

TEST(HayesResultParser, NumericWithoutEchoAndAConnectWithoutSpeed) {
  expectSameAtEverySplit("0\r7\r3\r10\rAB", Seen{{R::Ok, R::Busy, R::NoCarrier, R::Connect},
                                                  {std::nullopt, std::nullopt, std::nullopt, 2400}, "AB"});
  expectSameAtEverySplit("ATDP1\r1\r\x01", Seen{{R::Connect}, {std::nullopt}, "\x01"});
}

TEST(HayesResultParser, EveryFailureResultIsNamed) {
  expectSameAtEverySplit("\r\nBUSY\r\n\r\nNO CARRIER\r\n\r\nNO DIALTONE\r\n\r\nNO DIAL TONE\r\n\r\nNO ANSWER\r\n\r\nERROR\r\n6\r8\r4\r",
                         Seen{{R::Busy, R::NoCarrier, R::NoDialtone, R::NoDialtone, R::NoAnswer, R::Error,
                               R::NoDialtone, R::NoAnswer, R::Error},
                              std::vector<std::optional<long>>(9),
                              ""});
}

TEST(HayesResultParser, LookAlikesAndNoiseAreNotResults) {
  for (const char* line : {"OKAY", "CONNECTED", "BUSYNESS", "9", "99", "1x", "PROTOCOL: LAPM", "ATH0", "at&f", "",
                           "RINGING"}) {
    EXPECT_EQ(hayesResultOfLine(line), std::nullopt) << line;
  }
  EXPECT_EQ(hayesResultOfLine("  connect 9600  ")->speed, 9600);
  EXPECT_EQ(hayesResultOfLine("CONNECT")->speed, std::nullopt);
}

TEST(HayesResultParser, AnOverlongLineIsDroppedWholeAndTheNextOneStillReads) {
  HayesResultParser parser;
  const std::string junk(1000, 'O');
  EXPECT_TRUE(parser.feed(junk).events.empty());
  EXPECT_TRUE(parser.feed("K\r\n").events.empty()) << "the tail of a dropped line is not a new result";
  const HayesFeed feed = parser.feed("OK\r\n");
  ASSERT_EQ(feed.events.size(), 1u);
  EXPECT_EQ(feed.events.front().result, R::Ok);
}

TEST(HayesResultParser, RandomNoiseNeverYieldsMoreThanItHolds) {
  std::mt19937 random(7);
  constexpr char kAlphabet[] = "OKCNTERBUSY0123456789 \r\n\x00\xFF";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  for (int round = 0; round < 2000; ++round) {
    std::string noise;
    for (int i = 0; i < 40; ++i) noise += alphabet[random() % alphabet.size()];
    HayesResultParser parser;
    const HayesFeed feed = parser.feed(noise);
    EXPECT_LE(feed.consumed, noise.size());
    EXPECT_LE(feed.events.size(), noise.size() / 2);
  }
}

}  // namespace
}  // namespace solwire
