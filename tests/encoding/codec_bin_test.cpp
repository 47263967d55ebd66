#include <gtest/gtest.h>

#include <limits>

#include "codec_test_util.h"

namespace danvore {
namespace {

using test::DecodeField;
using test::EncodeField;

struct BinEncodeCase {
  const char* name;
  FieldValue value;
  int len;
  int dec;
  bool ok;
  const char* hex;
};

const BinEncodeCase kBinEncodeCases[] = {
    {"PositiveAmount", 12.5, 5, 2, true, "00 00 00 04 E2"},
    {"NegativeAmountSignMagnitude", -12.5, 5, 2, true, "80 00 00 04 E2"},
    {"QuantityThreeDecimals", 1.5, 5, 3, true, "00 00 00 05 DC"},
    {"OneByteInteger", 7, 1, 0, true, "07"},
    {"HalfRoundsDownToEven", 0.125, 5, 2, true, "00 00 00 00 0C"},
    {"HalfRoundsUpToEven", 0.375, 5, 2, true, "00 00 00 00 26"},
    {"NegativeRoundingToZeroKeepsSign", -0.001, 5, 2, true, "80 00 00 00 00"},
    {"IntegerScaledByDecimals", 10, 4, 2, true, "00 00 03 E8"},
    {"WholeIntegerFourBytes", 123456, 4, 0, true, "00 01 E2 40"},
    {"NegativeInteger", -1, 1, 0, true, "81"},
    {"ByteAboveSevenBitsKeptUnsigned", 200, 1, 0, true, "C8"},
    {"Int64Value", std::int64_t{0x0102030405}, 5, 0, true, "01 02 03 04 05"},
    // The double nearest 2.675 lies below it; binary scaling would give 267.
    {"ShortestDecimalNotBinaryError", 2.675, 4, 2, true, "00 00 01 0C"},
    {"ShortestDecimalTieToEven", 1.005, 4, 2, true, "00 00 00 64"},
    {"ShortestDecimalTieUp", 1.015, 4, 2, true, "00 00 00 66"},
    {"AboveHalfRoundsUp", 0.126, 2, 2, true, "00 0D"},
    {"TinyValueRoundsToZero", 0.00004, 2, 2, true, "00 00"},
    {"ZeroValue", 0.0, 2, 2, true, "00 00"},
    {"NegativeZeroIsNotNegative", -0.0, 2, 2, true, "00 00"},
    {"TextNumber", "12", 2, 0, true, "00 0C"},
    {"TextDecimalWithDot", "12.5", 4, 2, true, "00 00 04 E2"},
    {"TextWithCommaIsNotANumber", "12,5", 4, 2, false, "00 00 00 00"},
    {"TextNotANumber", "abc", 2, 0, false, "00 00"},
    {"EmptyValue", FieldValue(), 2, 0, false, "00 00"},
    {"EightByteField", 1.0, 8, 0, true, "00 00 00 00 00 00 00 01"},
    {"LongerThanEightBytes", 258, 10, 0, true, "00 00 00 00 00 00 00 00 01 02"},
    // Values beyond the field are left out instead of cut to leading bytes.
    {"TooLargeForField", 256, 1, 0, false, "00"},
    {"TooLargeWithDecimals", 1000.0, 2, 2, false, "00 00"},
    {"NegativeNeedsSignBit", -128, 1, 0, false, "00"},
    {"NegativeLargestFitting", -127, 1, 0, true, "FF"},
    {"BeyondSixtyFourBits", 1e30, 8, 0, false, "00 00 00 00 00 00 00 00"},
    {"NotFinite", std::numeric_limits<double>::infinity(), 4, 0, false, "00 00 00 00"},
};

class BinEncode : public testing::TestWithParam<BinEncodeCase> {};

TEST_P(BinEncode, WritesSignMagnitudeBigEndian) {
  const BinEncodeCase& c = GetParam();
  const test::TEncoded got = EncodeField(GccEncode(), dtBIN, c.value, c.len, c.dec);
  EXPECT_EQ(got.ok, c.ok);
  EXPECT_EQ(got.hex, c.hex);
}

INSTANTIATE_TEST_SUITE_P(Codec, BinEncode, testing::ValuesIn(kBinEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct BinDecodeCase {
  const char* name;
  const char* hex;
  int dec;
  bool negative;
  bool cardinal;
  double expected;
};

const BinDecodeCase kBinDecodeCases[] = {
    {"Positive", "00 00 04 E2", 2, true, false, 12.5},
    {"NegativeMagnitudePlusOne", "80 00 04 E2", 2, true, false, -12.51},
    {"NegativeTwoBytes", "80 05", 0, true, false, -6},
    {"OneByteFFIsMinusOne", "FF", 0, true, false, -1},
    {"OneByte80IsMinusOne", "80", 0, true, false, -1},
    {"OneByte7F", "7F", 0, true, false, 127},
    {"CardinalFF", "FF", 0, true, true, 255},
    {"CardinalWide", "80 00 00 01", 0, true, true, 2147483649.0},
    {"SignedWithNegative", "80 00 00 01", 0, true, false, -2},
    {"SignedWithoutNegative", "80 00 00 01", 0, false, false, -1},
    {"LowSevenBitsOfSignByteIgnored", "FF 00 00 01", 0, false, false, -1},
    {"ThreeDecimals", "00 00 05 DC", 3, true, false, 1.5},
    {"EightBytes", "00 00 00 01 00 00 00 00", 0, true, false, 4294967296.0},
};

class BinDecode : public testing::TestWithParam<BinDecodeCase> {};

TEST_P(BinDecode, ReadsSignByteAndMagnitude) {
  const BinDecodeCase& c = GetParam();
  TccEncode codec;
  codec.Negative = c.negative;
  codec.IsCardinal = c.cardinal;
  const FieldValue got = DecodeField(codec, dtBIN, c.hex, c.dec);
  ASSERT_EQ(got.kind(), FieldValue::fvDouble);
  double value = 0;
  ASSERT_TRUE(got.TryAsDouble(value));
  EXPECT_DOUBLE_EQ(value, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Codec, BinDecode, testing::ValuesIn(kBinDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BinCodec, DefaultFlags) {
  const TccEncode codec;
  EXPECT_TRUE(codec.Isinclen);
  EXPECT_TRUE(codec.Negative);
  EXPECT_FALSE(codec.IsCardinal);
  EXPECT_TRUE(GccEncode().Isinclen);
  EXPECT_TRUE(GccEncode().Negative);
  EXPECT_FALSE(GccEncode().IsCardinal);
  EXPECT_EQ(&GccEncode(), &GccEncode());
}

TEST(BinCodec, PositiveValuesRoundTripThroughDecode) {
  const struct {
    double value;
    int len;
    int dec;
  } cases[] = {{12.34, 5, 2}, {0.01, 4, 2}, {99999.999, 5, 3}, {1, 2, 0}, {32767, 2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    TBytes buf(static_cast<std::size_t>(c.len), 0);
    int pos = 0;
    ASSERT_TRUE(GccEncode().DataToBuf(dtBIN, c.value, buf, pos, c.len, c.dec));
    pos = 0;
    double back = 0;
    ASSERT_TRUE(GccEncode().BufToData(dtBIN, buf, pos, c.len, c.dec).TryAsDouble(back));
    EXPECT_DOUBLE_EQ(back, c.value);
  }
}

}  // namespace
}  // namespace danvore
