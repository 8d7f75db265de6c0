// The origin line of the data windows, and the history chart's runs of days
// with their hatching.
#include "views/origin_rules.h"

#include <gtest/gtest.h>

#include "views/graph_rules.h"

namespace solwire {
namespace {

const LocalTime kTwoPast{2026, 3, 9, 14, 2, 11};
const LocalTime kFivePast{2026, 3, 9, 14, 5, 3};

std::string clockTime(const LocalTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

OriginLine lineFor(const RecordOrigin& origin, int selectedSite, int language = 0) {
  return originLine(origin, selectedSite, languageFromIndex(language), clockTime);
}

RecordOrigin failedAt(RecordOrigin origin, int site) {
  origin.failedSite = site;
  return origin;
}

TEST(OriginLine, OnlyTheSelectedSitesOwnReadingIsUnmarked) {
  EXPECT_EQ(lineFor(RecordOrigin::read(3, kTwoPast), 3), (OriginLine{"Site 3 \u00b7 14:02:11", false}));
  EXPECT_EQ(lineFor(RecordOrigin::read(2, kTwoPast), 3), (OriginLine{"from site 2 \u00b7 14:02:11", true}));
  EXPECT_EQ(lineFor(RecordOrigin::sample(), 0), (OriginLine{"sample", true}));
  EXPECT_EQ(lineFor(RecordOrigin::notRead(), 0), (OriginLine{"not read", true}));
}

TEST(OriginLine, AFailedReadingSaysSoAndWhatTheKeptValuesAre) {
  EXPECT_EQ(lineFor(failedAt(RecordOrigin::read(3, kTwoPast), 3), 3),
            (OriginLine{"last reading failed \u00b7 Site 3 \u00b7 14:02:11", true}));
  // Site 5 had no regulator; the window still holds site 0's values.
  EXPECT_EQ(lineFor(failedAt(RecordOrigin::read(0, kTwoPast), 5), 5),
            (OriginLine{"last reading failed \u00b7 from site 0 \u00b7 14:02:11", true}));
  EXPECT_EQ(lineFor(failedAt(RecordOrigin::sample(), 5), 5), (OriginLine{"last reading failed \u00b7 sample", true}));
  // Back on site 0, site 5's failure does not concern it.
  EXPECT_EQ(lineFor(failedAt(RecordOrigin::read(0, kTwoPast), 5), 0), (OriginLine{"Site 0 \u00b7 14:02:11", false}));
}

TEST(OriginLine, FrenchAndChinese) {
  EXPECT_EQ(lineFor(RecordOrigin::read(2, kTwoPast), 3, 1).text, "du site 2 \u00b7 14:02:11");
  EXPECT_EQ(lineFor(RecordOrigin::read(3, kTwoPast), 3, 2).text, "站位 3 \u00b7 14:02:11");
  EXPECT_EQ(lineFor(failedAt(RecordOrigin::notRead(), 1), 1, 2).text, "上次读取失败 \u00b7 未读取");
}

// Days 1-12 read from site 0 before the operator chose site 3, which broke
// the transfer; days 13-32 still hold the sample.
std::array<RecordOrigin, kHistoryDays> transferBrokenAfterThreeBlocks() {
  auto days = RecordOrigins::everyDay(failedAt(RecordOrigin::sample(), 0));
  for (std::size_t day = 0; day < 12; ++day) days[day] = RecordOrigin::read(0, day < 8 ? kTwoPast : kFivePast);
  return days;
}

TEST(HistoryOrigin, ATransferFromTwoSourcesIsToldRunByRun) {
  const auto days = transferBrokenAfterThreeBlocks();
  const OriginLine underSiteThree = historyOriginLine(days, 3, Language::English, clockTime);
  EXPECT_EQ(underSiteThree.text, "days 1-12: from site 0 \u00b7 14:05:03; days 13-32: sample");
  EXPECT_TRUE(underSiteThree.marked);

  const OriginLine underSiteZero = historyOriginLine(days, 0, Language::Chinese, clockTime);
  EXPECT_EQ(underSiteZero.text, "第1-12天: 站位 0 \u00b7 14:05:03；第13-32天: 上次读取失败 \u00b7 样本数据");
  EXPECT_TRUE(underSiteZero.marked);
  const auto marked = markedDays(days, 0);
  EXPECT_FALSE(marked[11]);
  EXPECT_TRUE(marked[12]);
  EXPECT_TRUE(marked[31]);
}

TEST(HistoryOrigin, OneSourceIsOneLineAndALoneDayIsNamed) {
  const auto wholeTransfer = RecordOrigins::everyDay(RecordOrigin::read(1, kTwoPast));
  EXPECT_EQ(historyOriginLine(wholeTransfer, 1, Language::English, clockTime), (OriginLine{"Site 1 \u00b7 14:02:11", false}));
  EXPECT_EQ(historyOriginLine(RecordOrigins::everyDay(RecordOrigin::sample()), 1, Language::English, clockTime),
            (OriginLine{"sample", true}));

  auto oneOdd = wholeTransfer;
  oneOdd[31] = RecordOrigin::sample();
  EXPECT_EQ(historyOriginLine(oneOdd, 1, Language::English, clockTime).text, "days 1-31: Site 1 \u00b7 14:02:11; day 32: sample");
}

TEST(HistoryOrigin, BothBarsOfAMarkedDayAreHatched) {
  ChartPicture picture = chartPicture(ChartMode::AmpHours, HistoryRecord::sampleValues(), 4);
  hatchMarkedDays(picture, markedDays(transferBrokenAfterThreeBlocks(), 0));
  ASSERT_EQ(picture.bars.size(), 64u);
  EXPECT_FALSE(picture.bars[22].hatched);  // day 12
  EXPECT_FALSE(picture.bars[23].hatched);
  EXPECT_TRUE(picture.bars[24].hatched);  // day 13
  EXPECT_TRUE(picture.bars[25].hatched);
  EXPECT_TRUE(picture.bars[63].hatched);
}

}  // namespace
}  // namespace solwire
