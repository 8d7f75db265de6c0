#include "views/phone_book_rules.h"

#include <gtest/gtest.h>

namespace solwire {
namespace {

TEST(PhoneBookRules, ColumnsFollowTheWindowWidthWithANarrowestWindow) {
  const PhoneBookColumns wide = phoneBookColumnsFor(600);
  EXPECT_EQ(wide.number, 150) << "at most 150";
  EXPECT_EQ(wide.name, 600 - 150 - 62);
  const PhoneBookColumns initial = phoneBookColumnsFor(432);
  EXPECT_EQ(initial.name, 220);
  EXPECT_EQ(initial.number, 150);
  const PhoneBookColumns narrow = phoneBookColumnsFor(101);
  EXPECT_EQ(narrow.number, 35) << "(101 - 30) / 2, truncated";
  EXPECT_EQ(phoneBookColumnsFor(10).number, phoneBookColumnsFor(70).number) << "never narrower than 70";
  EXPECT_EQ(phoneBookCaption(""), "Phone Book ");
  EXPECT_EQ(phoneBookCaption("/home/op/SITES.CSV"), "Phone Book /home/op/SITES.CSV");
}

}  // namespace
}  // namespace solwire
