// Hexadecimal byte strings as the tool reads and prints them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solwire::cli {

// "C5 4E", "C54E" or several words; nullopt on an odd digit count or a non-hex character.
std::optional<std::vector<std::uint8_t>> parseHexBytes(const std::vector<std::string>& words);
// Upper-case hex bytes separated by single spaces.
std::string formatHexBytes(std::string_view bytes);

}  // namespace solwire::cli
