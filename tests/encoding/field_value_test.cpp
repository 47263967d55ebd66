#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <stdexcept>

#include "encoding/field_value.h"

namespace danvore {
namespace {

TEST(FieldValueText, NumbersInOrdinaryDecimalForm) {
  const struct {
    FieldValue value;
    const char* text;
  } cases[] = {
      {FieldValue(), ""},
      {"abc", "abc"},
      {42, "42"},
      {-7, "-7"},
      {std::int64_t{-9223372036854775807 - 1}, "-9223372036854775808"},
      {12.5, "12.5"},
      {0.1, "0.1"},
      {-3.0, "-3"},
      {1e20, "1e+20"},
      {EncodeDateTime(2024, 3, 15, 13, 45, 9), "2024-03-15 13:45:09"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.value.AsText(), c.text);
}

TEST(FieldValueKind, FollowsTheConstructor) {
  EXPECT_EQ(FieldValue().kind(), FieldValue::fvEmpty);
  EXPECT_TRUE(FieldValue().IsEmpty());
  EXPECT_EQ(FieldValue("").kind(), FieldValue::fvText);
  EXPECT_EQ(FieldValue(1).kind(), FieldValue::fvInteger);
  EXPECT_EQ(FieldValue(1.0).kind(), FieldValue::fvDouble);
  EXPECT_EQ(FieldValue(TDateTime{1}).kind(), FieldValue::fvDateTime);
}

TEST(FieldValueNumber, TextParsesWithDotOnly) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"12.5", true, 12.5},  {" 12.5\t", true, 12.5}, {"+3", true, 3},     {"-3", true, -3},
      {"1e3", true, 1000},   {".5", true, 0.5},       {"0", true, 0},      {"12,5", false, 0},
      {"1.234,5", false, 0}, {"1,234.5", false, 0},   {"abc", false, 0},   {"", false, 0},
      {" ", false, 0},       {"inf", false, 0},       {"nan", false, 0},   {"+-3", false, 0},
      {"++3", false, 0},     {"0x10", false, 0},      {"1e999", false, 0}, {"12abc", false, 0},
      {"1 2", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double value = -99;
    EXPECT_EQ(FieldValue(c.text).TryAsDouble(value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : -99);  // untouched on failure
  }
}

TEST(FieldValueNumber, OtherKinds) {
  double value = 0;
  EXPECT_FALSE(FieldValue().TryAsDouble(value));
  ASSERT_TRUE(FieldValue(5).TryAsDouble(value));
  EXPECT_EQ(value, 5);
  ASSERT_TRUE(FieldValue(TDateTime{45366.5}).TryAsDouble(value));
  EXPECT_EQ(value, 45366.5);
}

TEST(FieldValueNumber, WholeNumbersRoundHalvesToEven) {
  const struct {
    FieldValue value;
    bool ok;
    std::int64_t expected;
  } cases[] = {
      {42, true, 42},
      {"-42", true, -42},
      {"9223372036854775807", true, 9223372036854775807},
      {"12.5", true, 12},
      {"13.5", true, 14},
      {2.5, true, 2},
      {-2.5, true, -2},
      {"abc", false, 0},
      {FieldValue(), false, 0},
      {1e30, false, 0},
      {std::numeric_limits<double>::quiet_NaN(), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.AsText());
    std::int64_t value = -99;
    EXPECT_EQ(c.value.TryAsInt64(value), c.ok);
    EXPECT_EQ(value, c.ok ? c.expected : -99);  // untouched on failure
  }
}

TEST(FieldValueDateTime, NumbersWithinTheCalendarAreDates) {
  const struct {
    FieldValue value;
    bool ok;
    double days;
  } cases[] = {
      {45366.5, true, 45366.5},
      {"45366", true, 45366},
      {0, true, 0},
      {-693593.0, true, -693593},
      {2958465.99, true, 2958465.99},
      {-693594.0, false, 0},
      {2958466.0, false, 0},
      {1e12, false, 0},
      {"abc", false, 0},
      {FieldValue(), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.AsText());
    TDateTime value{-99};
    EXPECT_EQ(c.value.TryAsDateTime(value), c.ok);
    EXPECT_EQ(value.Days, c.ok ? c.days : -99);  // untouched on failure
  }
}

struct CalendarCase {
  int year, month, day, hour, minute, second, ms;
  double days;
};

const CalendarCase kCalendarCases[] = {
    {1899, 12, 30, 0, 0, 0, 0, 0},
    {1899, 12, 31, 0, 0, 0, 0, 1},
    {1900, 1, 1, 0, 0, 0, 0, 2},
    {1900, 3, 1, 0, 0, 0, 0, 61},
    {2024, 3, 15, 0, 0, 0, 0, 45366},
    {2000, 1, 1, 12, 0, 0, 0, 36526.5},
    {2000, 1, 1, 6, 0, 0, 0, 36526.25},
    // Before day 0 the time still counts forward from midnight.
    {1899, 12, 29, 6, 0, 0, 0, -1.25},
    {1, 1, 1, 0, 0, 0, 0, -693593},
    {9999, 12, 31, 0, 0, 0, 0, 2958465},
    {2024, 2, 29, 0, 0, 0, 0, 45351},
};

TEST(Calendar, EncodesOnTheDayCountScale) {
  for (const CalendarCase& c : kCalendarCases) {
    SCOPED_TRACE(testing::Message() << c.year << '-' << c.month << '-' << c.day);
    EXPECT_DOUBLE_EQ(EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms).Days,
                     c.days);
  }
}

TEST(Calendar, DecodesBackToTheFields) {
  for (const CalendarCase& c : kCalendarCases) {
    SCOPED_TRACE(c.days);
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(TDateTime{c.days}, y, mo, d, h, mi, s, ms);
    EXPECT_EQ((std::array{y, mo, d, h, mi, s, ms}),
              (std::array{c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms}));
  }
}

TEST(Calendar, TimeOfDayRoundTripsToTheMillisecond) {
  const int times[][4] = {{0, 0, 0, 1}, {13, 45, 9, 0}, {23, 59, 59, 999}, {12, 0, 0, 500}};
  for (const int year : {1850, 1899, 1900, 2024}) {
    for (const auto& t : times) {
      SCOPED_TRACE(testing::Message() << year << ' ' << t[0] << ':' << t[1] << ':' << t[2]);
      const TDateTime value = EncodeDateTime(year, 7, 4, t[0], t[1], t[2], t[3]);
      int y, mo, d, h, mi, s, ms;
      DecodeDateTime(value, y, mo, d, h, mi, s, ms);
      EXPECT_EQ((std::array{y, mo, d, h, mi, s, ms}),
                (std::array{year, 7, 4, t[0], t[1], t[2], t[3]}));
    }
  }
}

TEST(Calendar, AlmostMidnightRoundsToTheNextDay) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(TDateTime{45366.9999999999}, y, mo, d, h, mi, s, ms);
  EXPECT_EQ((std::array{y, mo, d, h, mi, s, ms}), (std::array{2024, 3, 16, 0, 0, 0, 0}));
}

TEST(Calendar, InvalidFieldsAreRejected) {
  const int cases[][7] = {
      {2024, 13, 1, 0, 0, 0, 0},   {2024, 0, 1, 0, 0, 0, 0},  {2024, 4, 31, 0, 0, 0, 0},
      {2023, 2, 29, 0, 0, 0, 0},   {1900, 2, 29, 0, 0, 0, 0}, {2024, 1, 0, 0, 0, 0, 0},
      {2024, 1, 1, 24, 0, 0, 0},   {2024, 1, 1, 0, 60, 0, 0}, {2024, 1, 1, 0, 0, 60, 0},
      {2024, 1, 1, 0, 0, 0, 1000}, {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0},
      {2024, 1, 1, -1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << '-' << c[1] << '-' << c[2] << ' ' << c[3] << ':'
                                    << c[4] << ':' << c[5] << '.' << c[6]);
    TDateTime out{-5};
    EXPECT_FALSE(TryEncodeDateTime(c[0], c[1], c[2], c[3], c[4], c[5], c[6], out));
    EXPECT_EQ(out.Days, -5);
    EXPECT_THROW(EncodeDateTime(c[0], c[1], c[2], c[3], c[4], c[5], c[6]), std::invalid_argument);
  }
}

}  // namespace
}  // namespace danvore
