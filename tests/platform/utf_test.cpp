#include "platform/utf.h"

#include <gtest/gtest.h>

#include "platform/syserror.h"

namespace danvore::platform {
namespace {

TEST(UtfTest, RoundTripsValidText) {
  const std::string cases[] = {
      "",
      "ASCII / 123",
      "Παραγγελίες",
      "ΑΠΟΔΕΙΞΗ € 1,50",
      "\xF0\x9F\x98\x80 outside the basic plane",
  };
  for (const std::string& text : cases)
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text) << text;
  EXPECT_EQ(Utf8ToUtf16("Ωa"), std::u16string(u"Ωa"));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
}

TEST(UtfTest, ValidityFollowsTheDecoder) {
  const struct {
    std::string Text;
    bool Valid;
  } cases[] = {
      {"", true},
      {"Παραγγελίες", true},
      {"\xEF\xBF\xBD", true},  // a replacement character that was written as such
      {"\xF0\x9F\x98\x80", true},
      {"\xD0\xE1\xF1", false},  // Greek in code page 1253
      {"ok\xCE", false},
      {"\xC0\xAF", false},
      {"\xED\xA0\x80", false},
      {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsValidUtf8(c.Text), c.Valid) << c.Text;
}

TEST(UtfTest, MalformedInputBecomesReplacementCharacters) {
  const struct {
    std::string In;
    std::u16string Out;
  } cases[] = {
      {"a\xFF"
       "b",
       u"a\uFFFDb"},
      {"\xCE", u"\uFFFD"},                      // cut-off sequence
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
  };
  for (const auto& c : cases)
    EXPECT_EQ(Utf8ToUtf16(c.In), c.Out);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(SystemErrorTextTest, KnownCodesHaveOneLineTexts) {
  for (const int code : {13, 20, 22, 87, 1167, 1222, 1460}) {
    const std::string text = SystemErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code;
  }
}

}  // namespace
}  // namespace danvore::platform
