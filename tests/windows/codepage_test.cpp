// The text encodings of command and answer files go through the Win32
// code-page API on Windows: these cases pin the bytes the shops' files hold.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "encoding/text_encoding.h"
#include "platform/utf_win32.h"

namespace danvore {
namespace {

enum TPosition { kDefault = 0, kAscii = 1, k437 = 2, k737 = 3, k1253 = 4 };

TEST(WindowsTextEncodingTest, EachChoiceUsesItsCodePage) {
  const struct {
    int Position;
    int CodePage;
  } cases[] = {{kDefault, 0}, {kAscii, 20127}, {k437, 437}, {k737, 737}, {k1253, 1253}};
  for (const auto& c : cases)
    EXPECT_EQ(MakeTextEncoding(c.Position)->CodePage(), c.CodePage) << c.Position;
}

// Characters both ways: Encode(Text) == Bytes and Decode(Bytes) == Text.
TEST(WindowsTextEncodingTest, RoundTripsTheCharactersOfEachCodePage) {
  const struct {
    int Position;
    std::string Text;
    std::string Bytes;
  } cases[] = {
      {kAscii, "Line 1/2,50\r\n", "Line 1/2,50\r\n"},
      {k437, "Café Ω", "Caf\x82 \xEA"},
      {k437, "Σ≥½", "\xE4\xF2\xAB"},
      {k737, "Α", "\x80"},
      {k737, "Ω", "\x97"},
      {k737, "ΚΑΦΕΣ", "\x89\x80\x94\x84\x91"},
      {k737, "αως", "\x98\xE0\xAA"},
      {k737, "ά", "\xE1"},
      {k1253, "Α", "\xC1"},
      {k1253, "ΚΑΦΕΣ", "\xCA\xC1\xD6\xC5\xD3"},
      {k1253, "άς€Ά", "\xDC\xF2\x80\xA2"},
      {k1253, "SL/ΝΕΡΟ 0,5L/1/0,50/0", "SL/\xCD\xC5\xD1\xCF 0,5L/1/0,50/0"},
  };
  for (const auto& c : cases) {
    const auto encoding = MakeTextEncoding(c.Position);
    EXPECT_EQ(encoding->Encode(c.Text), c.Bytes) << c.Position << " " << c.Text;
    EXPECT_EQ(encoding->Decode(c.Bytes), c.Text) << c.Position << " " << c.Text;
  }
}

TEST(WindowsTextEncodingTest, BytesACodePageLeavesUndefinedBecomeReplacementCharacters) {
  const struct {
    int Position;
    std::string Bytes;
    std::string Text;
  } cases[] = {
      {kAscii, "A\xC1", "A\xEF\xBF\xBD"}, {kAscii, "\x80\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {k1253, "\xAA", "\xEF\xBF\xBD"},    {k1253, "\xD2", "\xEF\xBF\xBD"},
      {k1253, "\xFF", "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeTextEncoding(c.Position)->Decode(c.Bytes), c.Text) << c.Position;
}

TEST(WindowsTextEncodingTest, CharactersACodePageLacksBecomeQuestionMarks) {
  const struct {
    int Position;
    std::string Text;
    std::string Bytes;
  } cases[] = {
      {kAscii, "ΑB", "?B"},
      {kAscii, "a\xF0\x9F\x98\x80z", "a?z"},  // one mark for a surrogate pair
      {k437, "ΚΑ", "??"},
      {k737, "жé", "??"},
      {k1253, "жA", "?A"},
      // No best fit: a look-alike would change what the receipt says.
      {k1253, "ā", "?"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MakeTextEncoding(c.Position)->Encode(c.Text), c.Bytes) << c.Position << " " << c.Text;
}

// What the system's ANSI code page makes of a text, straight from the API.
std::string AnsiBytes(const std::string& text) {
  const std::wstring wide = platform::Utf8ToWide(text);
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, bytes.data(), n, nullptr, nullptr);
  return bytes;
}

TEST(WindowsTextEncodingTest, DefaultIsTheSystemsAnsiCodePage) {
  const auto encoding = MakeTextEncoding(kDefault);
  for (const std::string text : {"Receipt 12/2,50", "Αρ. ΚΑΦΕΣ", "Grüße"}) {
    const std::string bytes = AnsiBytes(text);
    if (bytes.find('?') != std::string::npos) continue;  // not in this ANSI code page
    EXPECT_EQ(encoding->Encode(text), bytes) << ::GetACP() << " " << text;
    EXPECT_EQ(encoding->Decode(bytes), text) << ::GetACP() << " " << text;
  }
}

TEST(WindowsTextEncodingTest, DefaultOnAGreekSystemIsCodePage1253) {
  if (::GetACP() != 1253) GTEST_SKIP() << "ANSI code page " << ::GetACP() << ", not Greek";
  const auto encoding = MakeTextEncoding(kDefault);
  EXPECT_EQ(encoding->Encode("ΚΑΦΕΣ"), "\xCA\xC1\xD6\xC5\xD3");
  EXPECT_EQ(encoding->Decode("\xC1\xDC"), "Αά");
}

}  // namespace
}  // namespace danvore
