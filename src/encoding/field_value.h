// The value passed into the field encoders and returned by the decoders.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace danvore {

// A date-time is a day count: 30 December 1899 is day 0, the fraction is the
// time of day.
struct TDateTime {
  double Days = 0;
  bool operator==(const TDateTime&) const = default;
};

class FieldValue {
 public:
  enum Kind : std::uint8_t { fvEmpty, fvText, fvInteger, fvDouble, fvDateTime };

  FieldValue() = default;
  FieldValue(const char* text) : value_(std::string(text)) {}
  FieldValue(std::string text) : value_(std::move(text)) {}
  FieldValue(int value) : value_(static_cast<std::int64_t>(value)) {}
  FieldValue(std::int64_t value) : value_(value) {}
  FieldValue(double value) : value_(value) {}
  FieldValue(TDateTime value) : value_(value) {}

  Kind kind() const { return static_cast<Kind>(value_.index()); }
  bool IsEmpty() const { return kind() == fvEmpty; }

  // Text (UTF-8): numbers in their ordinary decimal form, never locale-bound.
  std::string AsText() const;
  // Number conversions; false when the value is not a number (text that does
  // not parse as a decimal number with "." as the mark, or empty).
  bool TryAsDouble(double& out) const;
  bool TryAsInt64(std::int64_t& out) const;
  // Date-time conversions; false for text that is not a number.
  bool TryAsDateTime(TDateTime& out) const;

  bool operator==(const FieldValue&) const = default;

 private:
  std::variant<std::monostate, std::string, std::int64_t, double, TDateTime> value_;
};

// Calendar helpers on the day-count scale. Days before day 0 keep the time
// of day as a positive fraction (-1.25 is 29 December 1899, 06:00).
// EncodeDateTime throws std::invalid_argument for fields that are no date.
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int millisecond = 0);
// False when the fields do not make a valid date and time.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                       int millisecond, TDateTime& out);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& millisecond);

}  // namespace danvore
