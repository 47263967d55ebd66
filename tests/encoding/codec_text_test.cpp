#include <gtest/gtest.h>

#include "codec_test_util.h"
#include "platform/utf.h"

namespace danvore {
namespace {

using platform::Utf16ToUtf8;
using test::Bytes;
using test::Hex;

// Encodes into a 4-byte field of a buffer pre-filled with EE, so bytes the
// encoder does not reach are visible.
test::TEncoded EncodeOverFill(TDCDataType type, const FieldValue& value, int len) {
  TBytes buf(static_cast<std::size_t>(len), 0xEE);
  int pos = 0;
  const bool ok = GccEncode().DataToBuf(type, value, buf, pos, len);
  return {ok, Hex(buf)};
}

struct AscEncodeCase {
  const char* name;
  std::u16string text;
  int len;
  const char* hex;
};

const AscEncodeCase kAscEncodeCases[] = {
    {"ShortTextGetsOneTerminator", u"AB", 4, "41 42 00 EE"},
    {"OneShorterEndsWithTerminator", u"ABC", 4, "41 42 43 00"},
    {"ExactLengthHasNoTerminator", u"ABCD", 4, "41 42 43 44"},
    {"LongTextIsCut", u"ABCDEF", 4, "41 42 43 44"},
    {"EmptyTextWritesTerminatorOnly", u"", 3, "00 EE EE"},
    {"StopsAtEmbeddedNul", std::u16string(u"A\0B", 3), 3, "41 00 EE"},
    {"KeepsLowByteOfUnit", u"\u0391", 3, "91 00 EE"},
    {"ZeroLengthWritesNothing", u"AB", 0, ""},
};

class AscEncode : public testing::TestWithParam<AscEncodeCase> {};

TEST_P(AscEncode, CopiesLowBytesWithTerminatorWhenRoomLeft) {
  const AscEncodeCase& c = GetParam();
  const test::TEncoded got = EncodeOverFill(dtASC, Utf16ToUtf8(c.text), c.len);
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.hex, c.hex);
}

INSTANTIATE_TEST_SUITE_P(Codec, AscEncode, testing::ValuesIn(kAscEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AscDecode, OneCharacterPerByteNothingTrimmed) {
  const struct {
    const char* hex;
    std::u16string text;
  } cases[] = {
      {"41 01 00 C1", std::u16string(u"A \0\u00C1", 4)},
      {"20 20", u"  "},
      {"7F 80 FF", u"\u007F\u0080\u00FF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const FieldValue got = test::DecodeField(GccEncode(), dtASC, c.hex);
    EXPECT_EQ(got.kind(), FieldValue::fvText);
    EXPECT_EQ(got.AsText(), Utf16ToUtf8(c.text));
  }
}

struct GreekEncodeCase {
  char16_t unit;
  std::uint8_t byte;
};

const GreekEncodeCase kGreekEncodeCases[] = {
    {u'\u0391', 0xC1},  // capital alpha
    {u'\u03AC', 0xDC},  // small alpha with tonos
    {u'\u0386', 0xB6},  // capital alpha with tonos
    {u'\u0370', 0xA0}, {u'\u03CF', 0xFF}, {u'\u03C9', 0xF9}, {u'\u2022', 0xB7},  // bullet
    {u'\u20AC', 0xA4},                                                           // euro
    {u'\u20AF', 0xA5},                                                           // drachma
    {u'\u2013', 0x13},  // en dash keeps its low byte
    {u'\u036F', 0x6F}, {u'\u03D0', 0xD0}, {u'A', 0x41},      {u'\u00E9', 0xE9}, {u'\u0001', 0x01},
};

TEST(GreekCharset, EncodesEveryTableRow) {
  for (const GreekEncodeCase& c : kGreekEncodeCases) {
    SCOPED_TRACE(static_cast<int>(c.unit));
    const TBytes got = GccEncode().GreekBytes(Utf16ToUtf8(std::u16string(1, c.unit)));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], c.byte);
  }
}

struct GreekDecodeCase {
  std::uint8_t byte;
  char16_t unit;
};

const GreekDecodeCase kGreekDecodeCases[] = {
    {0x7F, u'\u20AC'}, {0x80, u'\u20AC'}, {0xA4, u'\u20AC'}, {0xA5, u'\u20AF'}, {0xAA, u'\u037A'},
    {0xB7, u'\u2022'}, {0xA0, u'\u0370'}, {0xA2, u'\u0372'}, {0xB4, u'\u0384'}, {0xB6, u'\u0386'},
    {0xB8, u'\u0388'}, {0xBA, u'\u038A'}, {0xBC, u'\u038C'}, {0xBE, u'\u038E'}, {0xC1, u'\u0391'},
    {0xDC, u'\u03AC'}, {0xFF, u'\u03CF'}, {0x41, u'A'},      {0x7E, u'~'},      {0x81, u'\u0081'},
    {0x9F, u'\u009F'}, {0xA3, u'\u00A3'}, {0xA6, u'\u00A6'}, {0xA9, u'\u00A9'}, {0xAB, u'\u00AB'},
    {0xB3, u'\u00B3'}, {0xBB, u'\u00BB'}, {0xBD, u'\u00BD'},
};

TEST(GreekCharset, DecodesEveryTableRow) {
  for (const GreekDecodeCase& c : kGreekDecodeCases) {
    SCOPED_TRACE(static_cast<int>(c.byte));
    const TBytes buf{c.byte};
    EXPECT_EQ(GccEncode().GreekText(buf, 0, 1), Utf16ToUtf8(std::u16string(1, c.unit)));
  }
}

TEST(GreekCharset, EveryGreekLetterRoundTrips) {
  for (char16_t unit = 0x0391; unit <= 0x03CE; ++unit) {
    if (unit == 0x03A2) continue;  // unassigned in the Greek block
    const std::string text = Utf16ToUtf8(std::u16string(1, unit));
    const TBytes bytes = GccEncode().GreekBytes(text);
    EXPECT_EQ(GccEncode().GreekText(bytes, 0, 1), text) << static_cast<int>(unit);
  }
}

struct GreekDecodeFieldCase {
  const char* name;
  const char* hex;
  std::u16string text;
};

const GreekDecodeFieldCase kGreekDecodeFieldCases[] = {
    {"ZeroBytesDroppedTrailingBlanksTrimmed", "41 00 42 20 20", u"AB"},
    {"Byte01IsBlank", "01 41", u" A"},
    {"TrailingByte01Trimmed", "41 01", u"A"},
    {"BlankInsideKept", "41 01 42", u"A B"},
    {"TrailingControlsTrimmed", "41 0D 0A 09", u"A"},
    {"GreekLetters", "C1 C2 C3", u"\u0391\u0392\u0393"},
    {"AllZeroIsEmpty", "00 00 00", u""},
    {"EuroAmount", "31 30 80", u"10\u20AC"},
};

class GreekDecodeField : public testing::TestWithParam<GreekDecodeFieldCase> {};

TEST_P(GreekDecodeField, DecodesAndTrims) {
  const GreekDecodeFieldCase& c = GetParam();
  const FieldValue got = test::DecodeField(GccEncode(), dtGreecAsc, c.hex);
  EXPECT_EQ(got.kind(), FieldValue::fvText);
  EXPECT_EQ(got.AsText(), Utf16ToUtf8(c.text));
}

INSTANTIATE_TEST_SUITE_P(Codec, GreekDecodeField, testing::ValuesIn(kGreekDecodeFieldCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GreekEncodeField, CutsAtFieldLengthAndDoesNotPad) {
  const std::string forty(40, 'x');
  TBytes buf(38, 0);
  int pos = 0;
  EXPECT_TRUE(GccEncode().DataToBuf(dtGreecAsc, forty, buf, pos, 38));
  EXPECT_EQ(buf, TBytes(38, 'x'));

  TBytes shortBuf(38, 0);
  pos = 0;
  EXPECT_TRUE(GccEncode().DataToBuf(dtGreecAsc, "\u0391\u03B2c", shortBuf, pos, 38));
  TBytes expected(38, 0);
  expected[0] = 0xC1;
  expected[1] = 0xE2;
  expected[2] = 'c';
  EXPECT_EQ(shortBuf, expected);

  EXPECT_EQ(EncodeOverFill(dtGreecAsc, "AB", 4).hex, "41 42 EE EE");
  EXPECT_EQ(EncodeOverFill(dtGreecAsc, "", 2).hex, "EE EE");
}

TEST(TransToGreec, ReturnsTheTextUnchanged) {
  for (const char* text : {"", "abc", "\u03A9\u03BC\u03AD\u03B3\u03B1 12,5"}) {
    EXPECT_EQ(GccEncode().TransToGreec(text), text);
  }
}

TEST(TransFileToGreec, ConvertsRegisterBytesToTextWithTerminator) {
  const struct {
    const char* name;
    const char* in;
    bool ok;
    TBytes out;
  } cases[] = {
      {"GreekLetters", "C1 C2 00 20", true, {0xCE, 0x91, 0xCE, 0x92, 0x00}},
      {"AsciiAndBlank", "01 41 42", true, {' ', 'A', 'B', 0x00}},
      {"OnlyZerosUnchanged", "00 00", false, {0x00, 0x00}},
      {"OnlyBlanksUnchanged", "01 20", false, {0x01, 0x20}},
      {"EmptyUnchanged", "", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBytes stream = Bytes(c.in);
    EXPECT_EQ(GccEncode().TransFileToGreec(stream), c.ok);
    EXPECT_EQ(stream, c.out);
  }
}

}  // namespace
}  // namespace danvore
