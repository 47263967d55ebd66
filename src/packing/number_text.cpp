#include "packing/number_text.h"

#include <charconv>
#include <string>
#include <system_error>

namespace danvore {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Copies a run of digits from text[pos] into `out`; returns how many.
std::size_t TakeDigits(std::string_view text, std::size_t& pos, std::string& out) {
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos]))
    out += text[pos++];
  return pos - start;
}

// An optional sign; a minus is kept, a plus dropped (from_chars refuses it).
void TakeSign(std::string_view text, std::size_t& pos, std::string& out) {
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') out += '-';
    ++pos;
  }
}

// The text in the "C" form that from_chars reads ("." as the mark), or
// false when it does not follow the decimal grammar.
bool NormaliseDecimal(std::string_view text, char mark, std::string& out) {
  std::size_t pos = 0;
  TakeSign(text, pos, out);
  std::size_t digits = TakeDigits(text, pos, out);
  if (pos < text.size() && text[pos] == mark) {
    out += '.';
    ++pos;
    digits += TakeDigits(text, pos, out);
  }
  if (digits == 0) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    out += 'e';
    ++pos;
    TakeSign(text, pos, out);
    if (TakeDigits(text, pos, out) == 0) return false;
  }
  return pos == text.size();
}

}  // namespace

double ParseDecimalText(std::string_view text, TDecimalType type, double fallback) {
  text = TrimBlanks(text);
  std::string normal;
  normal.reserve(text.size());
  if (!NormaliseDecimal(text, type == dtDot ? '.' : ',', normal)) return fallback;
  double value = 0;
  const char* end = normal.data() + normal.size();
  const auto [ptr, ec] = std::from_chars(normal.data(), end, value, std::chars_format::general);
  return (ec == std::errc() && ptr == end) ? value : fallback;
}

std::int32_t ParseIntegerText(std::string_view text, std::int32_t fallback) {
  text = TrimBlanks(text);
  std::string normal;
  normal.reserve(text.size());
  std::size_t pos = 0;
  TakeSign(text, pos, normal);
  if (TakeDigits(text, pos, normal) == 0 || pos != text.size()) return fallback;
  std::int32_t value = 0;
  const char* end = normal.data() + normal.size();
  const auto [ptr, ec] = std::from_chars(normal.data(), end, value);
  return (ec == std::errc() && ptr == end) ? value : fallback;
}

}  // namespace danvore
