#include "sim/site_contents.h"

#include <gtest/gtest.h>

namespace solwire::sim {
namespace {

// A site's contents are a function of its seed alone: the same record in every
// build, whatever compiler made it.
TEST(SiteContents, SeedGivesTheSameRecordInEveryBuild) {
  const SiteContents contents = plausibleContents(20261207);

  const Memory expectedMemory{153, 4,   110, 43,  139, 0,   148, 16,  153, 32,  100,
                              9,   138, 23,  124, 47,  148, 148, 39,  138, 130, 122,
                              180, 40,  108, 124, 56,  120, 135, 159, 57,  255};
  EXPECT_EQ(contents.memory, expectedMemory);

  EXPECT_EQ(contents.history[0], (HistoryDay{123, 136, 185, 137}));
  EXPECT_EQ(contents.history[1], (HistoryDay{119, 138, 145, 110}));
  EXPECT_EQ(contents.history[31], (HistoryDay{123, 137, 167, 120}));

  const AlarmInputs expectedAlarms{false, false, false, false, false, false, false,
                                   true,  false, true,  false, false, false};
  EXPECT_EQ(contents.alarms, expectedAlarms);

  EXPECT_DOUBLE_EQ(contents.profile.arrayPeakAmps, 26.0);
  EXPECT_DOUBLE_EQ(contents.profile.baseLoadAmps, 4.5);
  EXPECT_DOUBLE_EQ(contents.profile.eveningLoadAmps, 3.6);
  EXPECT_EQ(contents.profile.restVoltage, 125);
  EXPECT_EQ(contents.profile.weatherSeed, 18205045625099190251ULL);
}

// The packed settings bytes hold both of their fields inside the ranges the
// settings editor accepts, for many seeds.
TEST(SiteContents, PackedSettingsStayInTheirRanges) {
  for (std::uint64_t seed = 0; seed < 500; ++seed) {
    const Memory memory = plausibleContents(seed).memory;
    const int delay = memory[18] >> 2;
    const int compensation = memory[22] >> 5;
    const int displayTemperature = memory[22] & 0x1F;
    const int baud = memory[28] >> 5;
    EXPECT_TRUE(delay >= 5 && delay <= 30) << seed;
    EXPECT_TRUE(compensation >= 2 && compensation <= 5) << seed;
    EXPECT_TRUE(displayTemperature >= 18 && displayTemperature <= 28) << seed;
    EXPECT_TRUE(baud >= 2 && baud <= 4) << seed;
  }
}

}  // namespace
}  // namespace solwire::sim
