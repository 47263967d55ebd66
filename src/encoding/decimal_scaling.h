// Exact scaling of numbers by a power of ten for the binary number fields.
#pragma once

#include <cstdint>
#include <optional>

namespace danvore {

// |value| x 10^decimals rounded to a whole number, halves to the even
// neighbour. Nothing when the value is not finite or the result needs more
// than 64 bits.
//
// A double is taken at its shortest decimal form (the digits that read back
// to the same double), and the scaling and rounding are done on those
// digits. So 0.125 x 100 = 12.5 rounds to 12 and 2.675 x 100 = 267.5 rounds
// to 268, although the double nearest 2.675 lies just below it and a binary
// multiplication would give 267.49999...
std::optional<std::uint64_t> ScaleDecimal(double value, int decimals);
std::optional<std::uint64_t> ScaleDecimal(std::int64_t value, int decimals);

}  // namespace danvore
