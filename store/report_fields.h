// The report's fixed-width fields. The report lines up its columns with
// spaces, two for each missing character, the width of a digit in the
// report's proportional face.
#pragma once

#include <cstdint>
#include <string>

namespace solwire {

// One decimal, truncated ("999" from 1000 up), two spaces in front for each
// character it is shorter than five.
std::string reportDecimal(double value);

// The decimal integer, two spaces in front for each digit it is shorter than
// `width`.
std::string reportInteger(std::int32_t value, int width);

}  // namespace solwire
