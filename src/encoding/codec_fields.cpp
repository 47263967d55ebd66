// The per-type field conversions of TccEncode.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "core/format.h"
#include "core/trim.h"
#include "encoding/byte_access.h"
#include "encoding/codec.h"
#include "encoding/decimal_scaling.h"
#include "encoding/greek_charset.h"
#include "platform/utf.h"

namespace danvore {

namespace {

using detail::ReadByte;
using detail::WriteByte;

std::int64_t At(int start, std::int64_t offset) {
  return static_cast<std::int64_t>(start) + offset;
}

// 10^n; beyond +-400 the double is already infinite or zero.
double Pow10(int n) {
  const int count = std::abs(std::clamp(n, -400, 400));
  double result = 1;
  for (int i = 0; i < count; ++i)
    result *= 10;
  return n < 0 ? 1 / result : result;
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

int HexValue(char16_t c) {
  if (c <= u'9') return c - u'0';
  if (c <= u'F') return c - u'A' + 10;
  return c - u'a' + 10;
}

// Packs the text two hex digits per byte, right-aligned from the end of the
// field; leading zeros are written as F so that they survive the decoding.
// False when a pair that is not hexadecimal ended the walk.
bool WriteDigitPairs(std::u16string text, TBytes& Buf, int iStartPos, int iLen) {
  for (std::size_t i = 0; i < text.size() && text[i] == u'0'; ++i)
    text[i] = u'F';
  auto end = static_cast<std::int64_t>(text.size());
  for (int k = 0; k < iLen && end > 0; ++k, end -= 2) {
    const char16_t low = text[static_cast<std::size_t>(end - 1)];
    const char16_t high = end >= 2 ? text[static_cast<std::size_t>(end - 2)] : u'0';
    if (!IsHexDigit(high) || !IsHexDigit(low)) return false;
    const auto value = static_cast<std::uint8_t>(HexValue(high) * 16 + HexValue(low));
    WriteByte(Buf, At(iStartPos, static_cast<std::int64_t>(iLen) - 1 - k), value);
  }
  return true;
}

// A packed-decimal byte (0x24 reads as 24); nothing when a digit is A to F.
std::optional<int> PackedDecimal(std::uint8_t byte) {
  const int high = byte >> 4;
  const int low = byte & 0x0F;
  if (high > 9 || low > 9) return std::nullopt;
  return high * 10 + low;
}

std::optional<int> PackedAt(const TBytes& Buf, int iStartPos, int offset) {
  return PackedDecimal(ReadByte(Buf, At(iStartPos, offset)));
}

TDateTime RequireDateTime(const FieldValue& sVal) {
  TDateTime value;
  if (!sVal.TryAsDateTime(value)) {
    throw std::invalid_argument("'" + sVal.AsText() + "' is not a valid date and time");
  }
  return value;
}

TDateTime FirstOf2000() {
  return EncodeDateTime(2000, 1, 1);
}

// A magnitude fits when it leaves the sign bit free (negative values) or
// fits the field as an unsigned number (positive values, e.g. a byte 0-255).
bool FitsBinaryField(std::uint64_t magnitude, int iLen, bool negative) {
  const std::int64_t bits = 8 * static_cast<std::int64_t>(iLen) - (negative ? 1 : 0);
  return bits >= 64 || magnitude < (std::uint64_t{1} << bits);
}

}  // namespace

std::string TccEncode::StripBCDPadding(const std::string& text) {
  std::string result = text.substr(std::min(text.find_first_not_of('0'), text.size()));
  for (std::size_t i = 0; i < result.size() && result[i] == 'F'; ++i)
    result[i] = '0';
  return result;
}

FieldValue TccEncode::DecodeBCD(const TBytes& Buf, int iStartPos, int iLen) const {
  std::string text;
  for (int i = 0; i < iLen; ++i)
    text += Format("%2.2X", ReadByte(Buf, At(iStartPos, i)));
  return FieldValue(std::move(text));
}

FieldValue TccEncode::DecodeDBCD(const TBytes& Buf, int iStartPos, int iLen) const {
  return FieldValue(StripBCDPadding(DecodeBCD(Buf, iStartPos, iLen).AsText()));
}

FieldValue TccEncode::DecodeBCDE(const TBytes& Buf, int iStartPos, int iLen) const {
  return DecodeDBCD(Buf, iStartPos, iLen);
}

FieldValue TccEncode::DecodeBIN(const TBytes& Buf, int iStartPos, int iLen, int iDec) const {
  if (iLen <= 0) return FieldValue(0.0);
  const double scale = Pow10(iDec);
  const bool unsignedValue = (ReadByte(Buf, iStartPos) & 0x80) == 0 || IsCardinal;
  // Only the last eight bytes survive in 64 bits.
  const int first = std::max(unsignedValue ? 0 : 1, iLen - 8);
  std::uint64_t number = 0;
  for (int i = first; i < iLen; ++i)
    number = (number << 8) | ReadByte(Buf, At(iStartPos, i));
  if (unsignedValue) return FieldValue(static_cast<double>(number) / scale);
  const double magnitude = static_cast<double>(number) + (Negative ? 1 : 0);
  return FieldValue(-magnitude / scale);
}

FieldValue TccEncode::DecodeASC(const TBytes& Buf, int iStartPos, int iLen) const {
  std::u16string text;
  for (int i = 0; i < iLen; ++i) {
    const std::uint8_t byte = ReadByte(Buf, At(iStartPos, i));
    text += byte == 0x01 ? u' ' : static_cast<char16_t>(byte);
  }
  return FieldValue(platform::Utf16ToUtf8(text));
}

FieldValue TccEncode::DecodeGreecAsc(const TBytes& Buf, int iStartPos, int iLen) const {
  std::u16string text;
  for (int i = 0; i < iLen; ++i) {
    const char16_t unit = GreekCharOf(ReadByte(Buf, At(iStartPos, i)));
    if (unit != u'\0') text += unit;
  }
  while (!text.empty() && text.back() <= u' ')
    text.pop_back();
  return FieldValue(platform::Utf16ToUtf8(text));
}

FieldValue TccEncode::DecodeDATETIME(const TBytes& Buf, int iStartPos) const {
  std::optional<int> parts[6];
  for (int i = 0; i < 6; ++i)
    parts[i] = PackedAt(Buf, iStartPos, i);
  const bool allDecimal = std::all_of(std::begin(parts), std::end(parts),
                                      [](const std::optional<int>& p) { return p.has_value(); });
  TDateTime value;
  if (allDecimal && *parts[1] != 0 && *parts[2] != 0 &&
      TryEncodeDateTime(2000 + *parts[0], *parts[1], *parts[2], *parts[3], *parts[4], *parts[5], 0,
                        value)) {
    return FieldValue(value);
  }
  return FieldValue(FirstOf2000());
}

FieldValue TccEncode::DecodeDATE(const TBytes& Buf, int iStartPos) const {
  const std::optional<int> year = PackedAt(Buf, iStartPos, 0);
  const std::optional<int> month = PackedAt(Buf, iStartPos, 1);
  const std::optional<int> day = PackedAt(Buf, iStartPos, 2);
  TDateTime value;
  if (year && month && day && TryEncodeDateTime(2000 + *year, *month, *day, 0, 0, 0, 0, value)) {
    return FieldValue(value);
  }
  return FieldValue(FirstOf2000());
}

FieldValue TccEncode::DecodeTIME(const TBytes& Buf, int iStartPos, int iLen) const {
  const std::optional<int> hour = PackedAt(Buf, iStartPos, 0);
  const std::optional<int> minute = PackedAt(Buf, iStartPos, 1);
  const std::optional<int> second = iLen >= 3 ? PackedAt(Buf, iStartPos, 2) : std::optional(0);
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
    return FieldValue(TDateTime{0});
  }
  const int seconds = (*hour * 60 + *minute) * 60 + *second;
  return FieldValue(TDateTime{static_cast<double>(seconds) / 86400.0});
}

FieldValue TccEncode::DecodeDOUBLE(const TBytes& Buf, int iStartPos, int iDec) const {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i)
    bits = (bits << 8) | ReadByte(Buf, At(iStartPos, i));
  const double value = std::bit_cast<double>(bits);
  // Not-a-number and infinities are no amount: they take the fall-back.
  if (!std::isfinite(value)) return FieldValue(0.0);
  return FieldValue(value / Pow10(iDec));
}

FieldValue TccEncode::DecodeIP(const TBytes& Buf, int iStartPos) const {
  return FieldValue(Format("%d.%d.%d.%d", ReadByte(Buf, At(iStartPos, 0)),
                           ReadByte(Buf, At(iStartPos, 1)), ReadByte(Buf, At(iStartPos, 2)),
                           ReadByte(Buf, At(iStartPos, 3))));
}

bool TccEncode::EncodeBCD(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  const std::u16string digits = platform::Utf8ToUtf16(sVal.AsText());
  WriteDigitPairs(std::u16string(TrimControls(digits)), Buf, iStartPos, iLen);
  return true;
}

bool TccEncode::EncodeDBCD(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  return EncodeBCD(sVal, Buf, iStartPos, iLen);
}

bool TccEncode::EncodeBCDE(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  return WriteDigitPairs(platform::Utf8ToUtf16(sVal.AsText()), Buf, iStartPos, iLen);
}

bool TccEncode::EncodeDATE(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  int year, month, day, hour, minute, second, ms;
  DecodeDateTime(RequireDateTime(sVal), year, month, day, hour, minute, second, ms);
  const std::string digits = Format("%04d%02d%02d", year, month, day);
  return EncodeBCD(FieldValue(digits), Buf, iStartPos, iLen);
}

bool TccEncode::EncodeDATETIME(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  int year, month, day, hour, minute, second, ms;
  DecodeDateTime(RequireDateTime(sVal), year, month, day, hour, minute, second, ms);
  const std::string digits =
      Format("%02d%02d%02d%02d%02d%02d", year % 100, month, day, hour, minute, second);
  return EncodeBCD(FieldValue(digits), Buf, iStartPos, iLen);
}

bool TccEncode::EncodeBIN(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen,
                          int iDec) const {
  bool negative = false;
  std::optional<std::uint64_t> magnitude;
  if (std::int64_t whole = 0; sVal.kind() == FieldValue::fvInteger && sVal.TryAsInt64(whole)) {
    negative = whole < 0;
    magnitude = ScaleDecimal(whole, iDec);
  } else if (double number = 0; sVal.TryAsDouble(number)) {
    negative = number < 0;
    magnitude = ScaleDecimal(number, iDec);
  }
  // A number that does not fit is not cut to its leading bytes, which would
  // send a different amount: the field is left alone.
  if (iLen <= 0 || !magnitude || !FitsBinaryField(*magnitude, iLen, negative)) return false;
  for (int k = 0; k < iLen; ++k) {
    const std::int64_t shift = 8 * (static_cast<std::int64_t>(iLen) - 1 - k);
    auto byte = static_cast<std::uint8_t>(shift < 64 ? (*magnitude >> shift) & 0xFF : 0);
    if (k == 0 && negative) byte |= 0x80;
    WriteByte(Buf, At(iStartPos, k), byte);
  }
  return true;
}

bool TccEncode::EncodeASC(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  std::u16string text = platform::Utf8ToUtf16(sVal.AsText());
  text = text.substr(0, text.find(u'\0'));
  const auto length = static_cast<std::int64_t>(text.size());
  // A shorter text is followed by its terminating zero byte.
  const std::int64_t count =
      std::min<std::int64_t>(length, static_cast<std::int64_t>(iLen) - 1) + 1;
  for (std::int64_t i = 0; i < count; ++i) {
    const char16_t unit = i < length ? text[static_cast<std::size_t>(i)] : u'\0';
    WriteByte(Buf, At(iStartPos, i), static_cast<std::uint8_t>(unit & 0xFF));
  }
  return true;
}

bool TccEncode::EncodeGreecAsc(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iLen) const {
  const std::u16string text = platform::Utf8ToUtf16(sVal.AsText());
  const std::int64_t count = std::min<std::int64_t>(static_cast<std::int64_t>(text.size()), iLen);
  for (std::int64_t i = 0; i < count; ++i) {
    WriteByte(Buf, At(iStartPos, i), GreekByteOf(text[static_cast<std::size_t>(i)]));
  }
  return true;
}

bool TccEncode::EncodeDOUBLE(const FieldValue& sVal, TBytes& Buf, int iStartPos, int iDec) const {
  double number = 0;
  if (!sVal.TryAsDouble(number)) return false;
  const auto bits = std::bit_cast<std::uint64_t>(number * Pow10(iDec));
  for (int i = 0; i < 8; ++i) {
    WriteByte(Buf, At(iStartPos, i), static_cast<std::uint8_t>(bits >> (8 * (7 - i))));
  }
  return true;
}

}  // namespace danvore
