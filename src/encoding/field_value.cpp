#include "encoding/field_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "core/format.h"

namespace danvore {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// 1 January 0001 and the day after 31 December 9999 on the day-count scale.
constexpr double kFirstDay = -693593;
constexpr double kDayAfterLast = 2958466;

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Optional blanks around, an optional sign, then the whole rest must parse.
// The mark is always "." whatever the locale.
template <typename T>
bool ParseNumber(std::string_view text, T& out) {
  text = TrimBlanks(text);
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return false;
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) return false;
  }
  out = value;
  return true;
}

// Halves to the even neighbour, as the default rounding mode does.
bool RoundToInt64(double value, std::int64_t& out) {
  const double rounded = std::nearbyint(value);
  if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) return false;
  out = static_cast<std::int64_t>(rounded);
  return true;
}

// Days since 1 January 1970 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr std::int64_t kUnixEpochDay = 25569;  // 1 January 1970

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string FieldValue::AsText() const {
  switch (kind()) {
    case fvEmpty:
      return std::string();
    case fvText:
      return std::get<std::string>(value_);
    case fvInteger:
      return std::to_string(std::get<std::int64_t>(value_));
    case fvDouble: {
      char buffer[64];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(value_));
      return std::string(buffer, result.ptr);
    }
    case fvDateTime: {
      int year, month, day, hour, minute, second, ms;
      DecodeDateTime(std::get<TDateTime>(value_), year, month, day, hour, minute, second, ms);
      return Format("%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    }
  }
  return std::string();
}

bool FieldValue::TryAsDouble(double& out) const {
  switch (kind()) {
    case fvText:
      return ParseNumber(std::get<std::string>(value_), out);
    case fvInteger:
      out = static_cast<double>(std::get<std::int64_t>(value_));
      return true;
    case fvDouble:
      out = std::get<double>(value_);
      return true;
    case fvDateTime:
      out = std::get<TDateTime>(value_).Days;
      return true;
    case fvEmpty:
      break;
  }
  return false;
}

bool FieldValue::TryAsInt64(std::int64_t& out) const {
  if (kind() == fvInteger) {
    out = std::get<std::int64_t>(value_);
    return true;
  }
  if (kind() == fvText && ParseNumber(std::get<std::string>(value_), out)) return true;
  double value = 0;
  return TryAsDouble(value) && RoundToInt64(value, out);
}

bool FieldValue::TryAsDateTime(TDateTime& out) const {
  double days = 0;
  if (!TryAsDouble(days) || !(days >= kFirstDay && days < kDayAfterLast)) return false;
  out = TDateTime{days};
  return true;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                       int millisecond, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  const auto date = static_cast<double>(DaysFromCivil(year, month, day) + kUnixEpochDay);
  const double time =
      static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) /
      static_cast<double>(kMsPerDay);
  // Before day 0 the fraction still counts forward from midnight.
  out = TDateTime{date < 0 ? date - time : date + time};
  return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
  TDateTime out;
  if (!TryEncodeDateTime(year, month, day, hour, minute, second, millisecond, out)) {
    throw std::invalid_argument("Invalid argument to date encode");
  }
  return out;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond) {
  double scaled = std::round(value.Days * static_cast<double>(kMsPerDay));
  if (!std::isfinite(scaled)) scaled = 0;
  const auto total = static_cast<std::int64_t>(
      std::clamp(scaled, -1e18, 1e18));  // beyond any date; keeps the cast defined
  const std::int64_t date = total / kMsPerDay;
  std::int64_t time = (total < 0 ? -total : total) % kMsPerDay;
  CivilFromDays(date - kUnixEpochDay, year, month, day);
  millisecond = static_cast<int>(time % 1000);
  time /= 1000;
  second = static_cast<int>(time % 60);
  time /= 60;
  minute = static_cast<int>(time % 60);
  hour = static_cast<int>(time / 60);
}

}  // namespace danvore
