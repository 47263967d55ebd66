#include <gtest/gtest.h>

#include "codec_test_util.h"

namespace danvore {
namespace {

using test::DecodeField;
using test::EncodeField;

struct BcdEncodeCase {
  const char* name;
  TDCDataType type;
  FieldValue value;
  int len;
  bool ok;
  const char* hex;
};

const BcdEncodeCase kBcdEncodeCases[] = {
    {"OddDigitCountLeavesFirstByte", dtBCD, "12345", 4, true, "00 01 23 45"},
    {"LeadingZerosBecomeF", dtBCD, "0012", 4, true, "00 00 FF 12"},
    {"SingleZero", dtBCD, "0", 4, true, "00 00 00 0F"},
    {"TooLongKeepsRightmostDigits", dtBCD, "123456789", 4, true, "23 45 67 89"},
    {"BlanksTrimmed", dtBCD, "  12\t", 2, true, "00 12"},
    {"HexDigitsEitherCase", dtBCD, "aBcD", 2, true, "AB CD"},
    {"NonHexEndsWalkButSucceeds", dtBCD, "12x456", 4, true, "00 00 00 56"},
    {"IntegerValueAsText", dtBCD, 4711, 2, true, "47 11"},
    {"DbcdSameAsBcd", dtDBCD, "0012", 4, true, "00 00 FF 12"},
    {"DbcdTrims", dtDBCD, " 7 ", 2, true, "00 07"},
    {"BcdeThirteenDigits", dtBCDE, "0012345678901", 7, true, "0F F1 23 45 67 89 01"},
    {"BcdeEmptyWritesNothing", dtBCDE, "", 7, true, "00 00 00 00 00 00 00"},
    {"BcdeNonHexFails", dtBCDE, "12x456", 4, false, "00 00 00 56"},
    {"BcdeBlankIsNotTrimmed", dtBCDE, "123 ", 4, false, "00 00 00 00"},
    {"BcdeFourteenDigits", dtBCDE, "12345678901234", 7, true, "12 34 56 78 90 12 34"},
};

class BcdEncode : public testing::TestWithParam<BcdEncodeCase> {};

TEST_P(BcdEncode, PacksTwoDigitsPerByteFromTheRight) {
  const BcdEncodeCase& c = GetParam();
  const test::TEncoded got = EncodeField(GccEncode(), c.type, c.value, c.len);
  EXPECT_EQ(got.ok, c.ok);
  EXPECT_EQ(got.hex, c.hex);
}

INSTANTIATE_TEST_SUITE_P(Codec, BcdEncode, testing::ValuesIn(kBcdEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BcdEncodeUntouched, BytesLeftOfTheDigitsKeepTheirContent) {
  TBytes buf = test::Bytes("AA BB CC DD");
  int pos = 0;
  EXPECT_TRUE(GccEncode().DataToBuf(dtBCD, "12345", buf, pos, 4));
  EXPECT_EQ(test::Hex(buf), "AA 01 23 45");
}

struct BcdDecodeCase {
  const char* name;
  TDCDataType type;
  const char* hex;
  const char* text;
};

const BcdDecodeCase kBcdDecodeCases[] = {
    {"BcdAllDigits", dtBCD, "00 01 23 45", "00012345"},
    {"BcdUpperCaseHex", dtBCD, "FF 0A", "FF0A"},
    {"BcdeStripsZeroBytes", dtBCDE, "00 01 23 45", "12345"},
    {"BcdeKeepsWrittenZeros", dtBCDE, "00 00 FF 12", "0012"},
    {"BcdeSingleZero", dtBCDE, "00 00 00 0F", "0"},
    {"BcdeAllZeroIsEmpty", dtBCDE, "00 00 00 00 00 00 00", ""},
    {"BcdeThirteenDigits", dtBCDE, "0F F1 23 45 67 89 01", "0012345678901"},
    {"DbcdSameAsBcde", dtDBCD, "00 00 FF 12", "0012"},
    {"DbcdOnlyLeadingFs", dtDBCD, "F1 F2", "01F2"},
};

class BcdDecode : public testing::TestWithParam<BcdDecodeCase> {};

TEST_P(BcdDecode, GivesHexDigitText) {
  const BcdDecodeCase& c = GetParam();
  const FieldValue got = DecodeField(GccEncode(), c.type, c.hex);
  EXPECT_EQ(got.kind(), FieldValue::fvText);
  EXPECT_EQ(got.AsText(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Codec, BcdDecode, testing::ValuesIn(kBcdDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BcdeRoundTrip, ItemCodesKeepTheirLeadingZeros) {
  for (const char* code : {"0012345678901", "7", "00", "12345678901234", "0000000000001"}) {
    SCOPED_TRACE(code);
    TBytes buf(7, 0);
    int pos = 0;
    ASSERT_TRUE(GccEncode().DataToBuf(dtBCDE, code, buf, pos, 7));
    pos = 0;
    EXPECT_EQ(GccEncode().BufToData(dtBCDE, buf, pos, 7).AsText(), code);
  }
}

}  // namespace
}  // namespace danvore
