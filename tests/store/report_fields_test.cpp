#include "store/report_fields.h"

#include <gtest/gtest.h>

namespace solwire {
namespace {

TEST(ReportFields, DecimalsArePaddedToFiveCharactersWithTwoSpacesEach) {
  EXPECT_EQ(reportDecimal(12.5), "  12.5");
  EXPECT_EQ(reportDecimal(3.2), "    3.2");
  EXPECT_EQ(reportDecimal(102.4), "102.4");
  EXPECT_EQ(reportDecimal(0), "    0.0");
}

TEST(ReportFields, DecimalsTruncateAndStopAt999) {
  EXPECT_EQ(reportDecimal(12.79), "  12.7");
  EXPECT_EQ(reportDecimal(8127 / 640.0), "  12.6");  // 12.698...
  EXPECT_EQ(reportDecimal(999.99), "999.9");
  EXPECT_EQ(reportDecimal(1000.0), "    999");
}

TEST(ReportFields, IntegersArePaddedWithTwoSpacesPerMissingDigit) {
  EXPECT_EQ(reportInteger(7, 4), "      7");
  EXPECT_EQ(reportInteger(123, 4), "  123");
  EXPECT_EQ(reportInteger(9999, 4), "9999");
  EXPECT_EQ(reportInteger(12345, 4), "12345");
  EXPECT_EQ(reportInteger(0, 3), "    0");
}

}  // namespace
}  // namespace solwire
