#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

#include "codec_test_util.h"

namespace danvore {
namespace {

using test::Bytes;
using test::EncodeField;
using test::Hex;

struct TStamp {
  int year, month, day, hour, minute, second;
  bool operator==(const TStamp&) const = default;
};

void PrintTo(const TStamp& s, std::ostream* os) {
  *os << s.year << '-' << s.month << '-' << s.day << ' ' << s.hour << ':' << s.minute << ':'
      << s.second;
}

TStamp StampOf(const FieldValue& value) {
  EXPECT_EQ(value.kind(), FieldValue::fvDateTime);
  TDateTime dt;
  EXPECT_TRUE(value.TryAsDateTime(dt));
  TStamp s{};
  int ms = 0;
  DecodeDateTime(dt, s.year, s.month, s.day, s.hour, s.minute, s.second, ms);
  EXPECT_EQ(ms, 0);
  return s;
}

struct DateEncodeCase {
  const char* name;
  TDCDataType type;
  FieldValue value;
  int len;
  const char* hex;
};

const DateEncodeCase kDateEncodeCases[] = {
    {"DateFourBytes", dtDATE, EncodeDateTime(2024, 3, 15), 4, "20 24 03 15"},
    {"DateThreeBytesDropsCentury", dtDATE, EncodeDateTime(2024, 3, 15), 3, "24 03 15"},
    {"DateIgnoresTime", dtDATE, EncodeDateTime(2024, 3, 15, 23, 59, 59), 4, "20 24 03 15"},
    {"DateOf2005HasNoLeadingZero", dtDATE, EncodeDateTime(2005, 3, 15), 3, "05 03 15"},
    {"DateFromDayNumber", dtDATE, 45366.0, 4, "20 24 03 15"},
    {"DateFromNumericText", dtDATE, "45366", 4, "20 24 03 15"},
    {"DateTimeSixBytes", dtDATETIME, EncodeDateTime(2024, 3, 15, 13, 45, 9), 6,
     "24 03 15 13 45 09"},
    {"DateTimeYear2005StartsWithF", dtDATETIME, EncodeDateTime(2005, 3, 15, 13, 45, 9), 6,
     "F5 03 15 13 45 09"},
    {"DateTimeFirstOf2000", dtDATETIME, EncodeDateTime(2000, 1, 1), 6, "FF F1 01 00 00 00"},
    {"DateTimeMilliSecondsDropped", dtDATETIME, EncodeDateTime(2024, 12, 31, 23, 59, 59, 999), 6,
     "24 12 31 23 59 59"},
};

class DateEncode : public testing::TestWithParam<DateEncodeCase> {};

TEST_P(DateEncode, WritesDigitsWithThePackedDigitRule) {
  const DateEncodeCase& c = GetParam();
  const test::TEncoded got = EncodeField(GccEncode(), c.type, c.value, c.len);
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.hex, c.hex);
}

INSTANTIATE_TEST_SUITE_P(Codec, DateEncode, testing::ValuesIn(kDateEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DateEncodeFailure, NonDateRaisesAndLeavesPositionAndBytes) {
  for (const TDCDataType type : {dtDATE, dtDATETIME}) {
    for (const FieldValue& value : {FieldValue("abc"), FieldValue(), FieldValue(1e12),
                                    FieldValue(std::numeric_limits<double>::quiet_NaN())}) {
      SCOPED_TRACE(value.AsText());
      TBytes buf = Bytes("11 22 33 44 55 66");
      int pos = 0;
      EXPECT_THROW(GccEncode().DataToBuf(type, value, buf, pos, 6), std::invalid_argument);
      EXPECT_EQ(pos, 0);
      EXPECT_EQ(Hex(buf), "11 22 33 44 55 66");
      EXPECT_THROW(GccEncode().DataToBufArr(type, value, buf, pos, 6), std::invalid_argument);
      EXPECT_EQ(pos, 0);
      EXPECT_EQ(Hex(buf), "11 22 33 44 55 66");
    }
  }
}

struct DateDecodeCase {
  const char* name;
  TDCDataType type;
  const char* hex;
  TStamp expected;
};

constexpr TStamp kFallback{2000, 1, 1, 0, 0, 0};

const DateDecodeCase kDateDecodeCases[] = {
    {"Date", dtDATE, "24 03 15", {2024, 3, 15, 0, 0, 0}},
    {"DateLastOfCentury", dtDATE, "99 12 31", {2099, 12, 31, 0, 0, 0}},
    {"DateMonthZeroFallsBack", dtDATE, "24 00 15", kFallback},
    {"DateHexDigitFallsBack", dtDATE, "24 1A 15", kFallback},
    {"DateImpossibleDayFallsBack", dtDATE, "23 02 29", kFallback},
    {"DateLeapDay", dtDATE, "24 02 29", {2024, 2, 29, 0, 0, 0}},
    {"DateTime", dtDATETIME, "24 03 15 13 45 09", {2024, 3, 15, 13, 45, 9}},
    {"DateTimeMonthZeroFallsBack", dtDATETIME, "24 00 15 10 00 00", kFallback},
    {"DateTimeHexMonthFallsBack", dtDATETIME, "24 1A 15 10 00 00", kFallback},
    {"DateTimeDayZeroFallsBack", dtDATETIME, "24 03 00 10 00 00", kFallback},
    {"DateTimeBadHourFallsBack", dtDATETIME, "24 03 15 25 00 00", kFallback},
    {"DateTimeHexMinuteFallsBack", dtDATETIME, "24 03 15 10 0A 00", kFallback},
};

class DateDecode : public testing::TestWithParam<DateDecodeCase> {};

TEST_P(DateDecode, ReadsPackedDecimalOrFallsBack) {
  const DateDecodeCase& c = GetParam();
  EXPECT_EQ(StampOf(test::DecodeField(GccEncode(), c.type, c.hex)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Codec, DateDecode, testing::ValuesIn(kDateDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimeDecode, ReadsHoursMinutesAndOptionalSeconds) {
  const struct {
    const char* hex;
    int len;
    int seconds;  // of the day
  } cases[] = {
      {"13 45 09", 2, 13 * 3600 + 45 * 60},
      {"13 45 09", 3, 13 * 3600 + 45 * 60 + 9},
      {"23 59 59 77", 4, 23 * 3600 + 59 * 60 + 59},
      {"25 00 00", 3, 0},
      {"1A 00 00", 3, 0},
      {"12 60 00", 3, 0},
      {"12 30 0B", 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hex << " len " << c.len);
    const TBytes buf = Bytes(c.hex);
    int pos = 0;
    const FieldValue got = GccEncode().BufToData(dtTIME, buf, pos, c.len);
    ASSERT_EQ(got.kind(), FieldValue::fvDateTime);
    TDateTime dt;
    ASSERT_TRUE(got.TryAsDateTime(dt));
    EXPECT_NEAR(dt.Days * 86400, c.seconds, 1e-6);
    EXPECT_EQ(pos, c.len);
  }
}

TEST(DoubleCodec, EncodesScaledBigEndianIeee) {
  const struct {
    FieldValue value;
    int dec;
    bool ok;
    const char* hex;
  } cases[] = {
      {12.5, 0, true, "40 29 00 00 00 00 00 00"},   {12.5, 2, true, "40 93 88 00 00 00 00 00"},
      {-1, 0, true, "BF F0 00 00 00 00 00 00"},     {"2.5", 0, true, "40 04 00 00 00 00 00 00"},
      {"abc", 0, false, "00 00 00 00 00 00 00 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.AsText());
    const test::TEncoded got = EncodeField(GccEncode(), dtDOUBLE, c.value, 8, c.dec);
    EXPECT_EQ(got.ok, c.ok);
    EXPECT_EQ(got.hex, c.hex);
  }
}

TEST(DoubleCodec, WritesEightBytesWhateverTheLength) {
  TBytes buf(10, 0);
  int pos = 1;
  EXPECT_TRUE(GccEncode().DataToBuf(dtDOUBLE, 12.5, buf, pos, 4));
  EXPECT_EQ(Hex(buf), "00 40 29 00 00 00 00 00 00 00");
  EXPECT_EQ(pos, 5);
}

TEST(DoubleCodec, DecodesScaledOrFallsBackToZero) {
  const struct {
    const char* hex;
    int len;
    int dec;
    double expected;
  } cases[] = {
      {"40 29 00 00 00 00 00 00", 8, 0, 12.5}, {"40 93 88 00 00 00 00 00", 8, 2, 12.5},
      {"40 29 00 00 00 00 00 00", 2, 0, 12.5},  // iLen does not limit the read
      {"7F F8 00 00 00 00 00 00", 8, 0, 0},     // not a number
      {"7F F0 00 00 00 00 00 00", 8, 0, 0},     // infinity
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const TBytes buf = Bytes(c.hex);
    int pos = 0;
    double value = -1;
    ASSERT_TRUE(GccEncode().BufToData(dtDOUBLE, buf, pos, c.len, c.dec).TryAsDouble(value));
    EXPECT_DOUBLE_EQ(value, c.expected);
    EXPECT_EQ(pos, c.len);
  }
}

TEST(IpCodec, DecodesDottedQuadAndAdvancesByFieldLength) {
  const struct {
    const char* hex;
    int len;
    const char* text;
  } cases[] = {
      {"C0 A8 01 0A", 4, "192.168.1.10"},
      {"C0 A8 01 0A EE EE", 6, "192.168.1.10"},
      {"00 00 00 00", 4, "0.0.0.0"},
      {"FF FF FF FF", 4, "255.255.255.255"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const TBytes buf = Bytes(c.hex);
    int pos = 0;
    EXPECT_EQ(GccEncode().BufToData(dtIP, buf, pos, c.len).AsText(), c.text);
    EXPECT_EQ(pos, c.len);
  }
}

}  // namespace
}  // namespace danvore
