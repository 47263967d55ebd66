#include "encoding/decimal_scaling.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace danvore {

namespace {

// Far beyond any double's exponent: further scaling only gives 0 or overflow.
constexpr int kDecimalsLimit = 1000;

// digits x 10^exponent, digits a plain run of decimal digits.
struct TDecimal {
  std::string digits;
  int exponent = 0;
};

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

bool MultiplyAdd(std::uint64_t& value, unsigned digit) {
  if (value > (kMax - digit) / 10) return false;
  value = value * 10 + digit;
  return true;
}

TDecimal Shortest(double magnitude) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const std::size_t mark = text.find('e');
  TDecimal decimal;
  for (const char c : text.substr(0, mark)) {
    if (c != '.') decimal.digits += c;
  }
  std::string_view power = text.substr(mark + 1);
  if (power.front() == '+') power.remove_prefix(1);
  int exponent = 0;
  std::from_chars(power.data(), power.data() + power.size(), exponent);
  decimal.exponent = exponent - static_cast<int>(decimal.digits.size()) + 1;
  return decimal;
}

std::optional<std::uint64_t> RoundHalfEven(const TDecimal& decimal) {
  const int count = static_cast<int>(decimal.digits.size());
  const int whole = count + std::min(decimal.exponent, 0);
  std::uint64_t value = 0;
  for (int i = 0; i < whole; ++i) {
    if (!MultiplyAdd(value, static_cast<unsigned>(decimal.digits[i] - '0'))) return std::nullopt;
  }
  for (int i = 0; i < decimal.exponent && value != 0; ++i) {
    if (!MultiplyAdd(value, 0)) return std::nullopt;
  }
  if (whole >= count) return value;
  // Dropped digits: a leading run of zeros when the number is below 0.1.
  const char first = whole >= 0 ? decimal.digits[static_cast<std::size_t>(whole)] : '0';
  bool restNonZero = false;
  for (int i = std::max(whole + 1, 0); i < count; ++i)
    restNonZero |= decimal.digits[i] != '0';
  const bool tie = first == '5' && !restNonZero;
  const bool up = first > '5' || (first == '5' && restNonZero) || (tie && (value & 1) != 0);
  if (!up) return value;
  if (value == kMax) return std::nullopt;
  return value + 1;
}

}  // namespace

std::optional<std::uint64_t> ScaleDecimal(double value, int decimals) {
  if (!std::isfinite(value)) return std::nullopt;
  TDecimal decimal = Shortest(std::fabs(value));
  decimal.exponent += std::clamp(decimals, -kDecimalsLimit, kDecimalsLimit);
  return RoundHalfEven(decimal);
}

std::optional<std::uint64_t> ScaleDecimal(std::int64_t value, int decimals) {
  const std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  TDecimal decimal{std::to_string(magnitude),
                   std::clamp(decimals, -kDecimalsLimit, kDecimalsLimit)};
  return RoundHalfEven(decimal);
}

}  // namespace danvore
