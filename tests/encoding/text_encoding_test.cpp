#include <gtest/gtest.h>

#include "encoding/codec.h"
#include "encoding/text_encoding.h"
#include "platform/utf.h"

namespace danvore {
namespace {

constexpr int kDefault = 0;
constexpr int kAscii = 1;
constexpr int k437 = 2;
constexpr int k737 = 3;
constexpr int k1253 = 4;

const char* const kReplacementChar = "\xEF\xBF\xBD";

TEST(EncodingChoices, ListInSettingsOrder) {
  const char* const* choices = EncodingChoices();
  const std::string expected[] = {"Default", "ASCII", "437", "737", "1253"};
  ASSERT_EQ(kEncodingChoiceCount, 5);
  for (int i = 0; i < kEncodingChoiceCount; ++i)
    EXPECT_EQ(choices[i], expected[i]);
}

TEST(EncodingChoices, PositionIgnoresCase) {
  const struct {
    const char* name;
    int position;
  } cases[] = {{"Default", 0},   {"DEFAULT", 0}, {"default", 0}, {"ASCII", 1}, {"ascii", 1},
               {"437", 2},       {"737", 3},     {"1253", 4},    {"", -1},     {"utf-8", -1},
               {"Defaults", -1}, {"Defaul", -1}, {" 437", -1}};
  for (const auto& c : cases)
    EXPECT_EQ(EncodingPosition(c.name), c.position) << c.name;
}

TEST(MakeTextEncoding, MapsPositionsToCodePages) {
  const struct {
    int position;
    int codePage;
  } cases[] = {{0, 0}, {1, 20127}, {2, 437}, {3, 737}, {4, 1253}, {-1, 0}, {5, 0}, {99, 0}};
  for (const auto& c : cases) {
    const auto encoding = MakeTextEncoding(c.position);
    ASSERT_NE(encoding, nullptr);
    EXPECT_EQ(encoding->CodePage(), c.codePage) << c.position;
  }
}

struct ConversionCase {
  const char* name;
  int position;
  std::string bytes;
  std::string text;
};

// Bytes and text that convert into each other both ways.
const ConversionCase kRoundTripCases[] = {
    {"Ascii", kAscii, "Hello 1/2", "Hello 1/2"},
    {"AsciiControls", kAscii, std::string("\0\r\n\x7F", 4), std::string("\0\r\n\x7F", 4)},
    {"Oem437Accents", k437, "\x82\xE1\x9B", "\u00E9\u00DF\u00A2"},
    {"Oem437Lines", k437, "\xC4\xB3", "\u2500\u2502"},
    {"Oem737Capitals", k737, "\x80\x81\x97", "\u0391\u0392\u03A9"},
    {"Oem737Small", k737, "\x98\xE0\xE1\xEA", "\u03B1\u03C9\u03AC\u0386"},
    {"Windows1253Greek", k1253, "\xC1\xE1\xA2\xFE", "\u0391\u03B1\u0386\u03CE"},
    {"Windows1253Euro", k1253, "\x80 10", "\u20AC 10"},
    {"Empty", k1253, "", ""},
};

class CodePageRoundTrip : public testing::TestWithParam<ConversionCase> {};

TEST_P(CodePageRoundTrip, DecodesAndEncodes) {
  const ConversionCase& c = GetParam();
  const auto encoding = MakeTextEncoding(c.position);
  EXPECT_EQ(encoding->Decode(c.bytes), c.text);
  EXPECT_EQ(encoding->Encode(c.text), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, CodePageRoundTrip, testing::ValuesIn(kRoundTripCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ConversionCase kUndefinedByteCases[] = {
    {"AsciiHighByte", kAscii,
     "A\xC1"
     "B",
     "A\uFFFD"
     "B"},
    {"Windows1253Hole", k1253,
     "A\xAA"
     "B",
     "A\uFFFD"
     "B"},
    {"Windows1253Hole81", k1253, "\x81", "\uFFFD"},
};

class CodePageUndefinedByte : public testing::TestWithParam<ConversionCase> {};

TEST_P(CodePageUndefinedByte, BecomesReplacementCharacter) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(MakeTextEncoding(c.position)->Decode(c.bytes), c.text);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, CodePageUndefinedByte,
                         testing::ValuesIn(kUndefinedByteCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Characters the code page lacks: one '?' each, the rest of the text kept.
const ConversionCase kUnrepresentableCases[] = {
    {"EuroInto437", k437, "a?b", "a\u20ACb"},
    {"GreekInto437", k437, "??? ok", "\u0391\u03B2\u03B3 ok"},
    {"GreekIntoAscii", kAscii, "x??y", "x\u0391\u03C9y"},
    {"LatinAccentIntoAscii", kAscii, "caf?", "caf\u00E9"},
    {"CyrillicInto1253", k1253, "?1", "\u04121"},
    {"EuroInto737", k737, "1?", "1\u20AC"},
    {"MalformedUtf8", k1253, "a?b",
     "a\xFF"
     "b"},
};

class CodePageUnrepresentable : public testing::TestWithParam<ConversionCase> {};

TEST_P(CodePageUnrepresentable, EncodesAsQuestionMark) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(MakeTextEncoding(c.position)->Encode(c.text), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, CodePageUnrepresentable,
                         testing::ValuesIn(kUnrepresentableCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodePageTables, EveryDefinedByteRoundTrips) {
  const struct {
    int position;
    int bytes;
  } cases[] = {{kAscii, 128}, {k437, 256}, {k737, 256}, {k1253, 256}};
  for (const auto& c : cases) {
    const auto encoding = MakeTextEncoding(c.position);
    for (int b = 0; b < c.bytes; ++b) {
      const std::string byte(1, static_cast<char>(b));
      const std::string text = encoding->Decode(byte);
      ASSERT_FALSE(text.empty()) << c.position << ' ' << b;
      if (text == kReplacementChar) continue;
      EXPECT_EQ(encoding->Encode(text), byte) << c.position << ' ' << b;
    }
  }
}

TEST(CodePageTables, NoByteOrderMark) {
  for (int position = 0; position < kEncodingChoiceCount; ++position) {
    const auto encoding = MakeTextEncoding(position);
    EXPECT_EQ(encoding->Encode("A"), "A") << position;
    EXPECT_EQ(encoding->Decode("A"), "A") << position;
    EXPECT_EQ(encoding->Encode(""), "") << position;
  }
}

TEST(DefaultEncoding, ConvertsAsciiTextAndNeverTruncates) {
  const auto encoding = MakeTextEncoding(kDefault);
  const std::string ascii = "Receipt 12.50 / ok";
  EXPECT_EQ(encoding->Decode(encoding->Encode(ascii)), ascii);
  const std::string mixed = encoding->Encode("a\u20AC\u0391b");
  ASSERT_GE(mixed.size(), 4u);
  EXPECT_EQ(mixed.front(), 'a');
  EXPECT_EQ(mixed.back(), 'b');
  const std::string decoded = encoding->Decode("x\xFF\xFEy");
  EXPECT_EQ(decoded.front(), 'x');
  EXPECT_EQ(decoded.back(), 'y');
}

// A Greek command file reaches the register as Greek letters whether it was
// written in 1253 or in 737.
TEST(GreekCommandFile, InputCodePageToRegisterBytes) {
  const struct {
    int position;
    const char* fileBytes;
    const char* registerBytes;
  } cases[] = {
      {k1253, "\xC1", "\xC1"},
      {k737, "\x80", "\xC1"},
      {k1253, "\xC1\xE1\xDC", "\xC1\xE1\xDC"},
      {k737, "\x80\x98\xE1", "\xC1\xE1\xDC"},
      {k1253, "\x80", "\xA4"},  // euro
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.position << ' ' << c.fileBytes);
    const std::string text = MakeTextEncoding(c.position)->Decode(c.fileBytes);
    const TBytes sent = GccEncode().GreekBytes(text);
    EXPECT_EQ(std::string(sent.begin(), sent.end()), c.registerBytes);
  }
}

// Register texts written to an answer file in the output code page.
TEST(GreekAnswerFile, RegisterBytesToOutputCodePage) {
  const TBytes registerText{0xC1, 0xE2, 0x20, 0x31};
  const std::string text = GccEncode().GreekText(registerText, 0, 4);
  EXPECT_EQ(MakeTextEncoding(k1253)->Encode(text), "\xC1\xE2 1");
  EXPECT_EQ(MakeTextEncoding(k737)->Encode(text), "\x80\x99 1");
  EXPECT_EQ(MakeTextEncoding(k437)->Encode(text), "?? 1");
  EXPECT_EQ(MakeTextEncoding(kAscii)->Encode(text), "?? 1");
}

}  // namespace
}  // namespace danvore
