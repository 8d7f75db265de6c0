// What a modem is asked to dial: dial characters only, as people write them.
#include <gtest/gtest.h>

#include "modem/dial_number.h"

namespace solwire {
namespace {

TEST(DialString, KeepsDialCharactersDropsHowNumbersAreWrittenAndRefusesTheRest) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
      {"0123", "0123"},
      {"(01234) 567-890", "01234567890"},
      {"9w0123,,*70#", "9W0123,,*70#"},
      {"P1@!", "P1@!"},
      {"12\r\nATZ", std::nullopt},  // would reach the modem as a second command
      {"abc", std::nullopt},
      {"+44 1234", std::nullopt},
      {"12;H0", std::nullopt},
      {" - ", std::nullopt},  // nothing to dial: ATDT alone takes the line off-hook
      {"", std::nullopt},
  };
  for (const auto& [number, dialled] : cases) EXPECT_EQ(dialString(number), dialled) << number;
}

}  // namespace
}  // namespace solwire
