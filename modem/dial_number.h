// What a modem may be asked to dial: digits and the dial modifiers * # , W P
// @ !, with spaces, dashes, brackets and dots (as people write numbers) left
// out. Anything
// else, a line end above all, would reach the modem as a command of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solwire {

// The number as it goes after "ATDT", or nullopt when it holds a character
// that is not a dial character or nothing to dial at all.
std::optional<std::string> dialString(std::string_view number);

// Says what a dial string may hold, for a message about one that was refused.
inline constexpr const char* kDialCharacters = "digits and * # , W P @ ! (spaces, dashes, brackets and dots are left out)";

}  // namespace solwire
