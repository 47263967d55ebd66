// Numbers in the fields of command files, read the same on every computer.
#pragma once

#include <cstdint>
#include <string_view>

#include "packing/packer.h"

namespace danvore {

// Grammar of a decimal field, after "," and "." are mapped by `type` (the one
// it names is the decimal mark, the other a grouping mark, which is refused):
//   [blanks] [+|-] digits [mark [digits]] [e|E [+|-] digits] [blanks]
// where the digits before or after the mark may be left out, not both. Blanks
// are spaces and tabs; infinities, NaN and hexadecimal forms are refused.
// Anything else, and a value out of the range of a double, gives `fallback`.
double ParseDecimalText(std::string_view text, TDecimalType type, double fallback);

// [blanks] [+|-] digits [blanks], within 32 bits; anything else (a decimal or
// grouping mark, an exponent) gives `fallback`.
std::int32_t ParseIntegerText(std::string_view text, std::int32_t fallback);

}  // namespace danvore
